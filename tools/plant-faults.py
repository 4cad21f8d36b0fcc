#!/usr/bin/env python3
"""Plants faults in the code one line at a time and counts how many the tests
catch: a measure of the tests, to compare one checkout with another.

    tools/plant-faults.py CHECKOUT BUILD [--count N] [--seed S] [--rooms ROOM,...]

For each room (a source folder and the test programs that cover it), lines
are drawn at random (the same seed draws the same way in any checkout) from
its .cpp files among those with an operator to turn: == and !=, < and <=,
> and >=, && and ||, + 1 and - 1, true and false, a leading ! dropped. One
is turned, the room's library and test programs are built, and the programs
run until one fails. A fault that does not compile is put back and another
line drawn; one that builds and passes every program is missed. Each file
is restored as it was, whatever happens. Prints one line per fault and the
share caught per room.

    tools/plant-faults.py CHECKOUT BUILD --replay LOG [--seed S --rooms ROOM]

plants again, with the same seed, only the faults that LOG (the output of a
first run) names as missed, and runs the programs that drive the room's code
from further out: the engine through the worker, the command-line tool and
the editing operations. A fault caught there is caught by the suite; the
first run stays quick because most faults fail the room's own programs.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import time

ROOMS = {
    "metadata/engine": ["tv_metadata_tests", "tv_heif_tests", "tv_fuzz_regression_tests"],
    # The date stamp's library is built from this folder too.
    "editing": ["tv_editing_tests", "tv_places_tests", "tv_dates_tests", "tv_gps_tests",
                "tv_geotag_tests", "tv_stamp_tests"],
    "templates": ["tv_templates_tests"],
}

# Programs that reach a room's code through other rooms, for --replay.
FURTHER = {
    "metadata/engine": ["tv_worker_tests", "tv_editing_tests", "tv_dates_tests", "tv_gps_tests",
                        "tv_cli_tests"],
    "editing": ["tv_cli_tests", "tv_app_tests"],
    "templates": ["tv_editing_tests", "tv_cli_tests"],
}

# Each turn: a pattern and what it becomes. Spaces around binary operators
# keep templates, shifts and arrows out.
TURNS = [
    (r" == ", " != "), (r" != ", " == "),
    (r" < ", " <= "), (r" <= ", " < "),
    (r" > ", " >= "), (r" >= ", " > "),
    (r" && ", " || "), (r" \|\| ", " && "),
    (r" \+ 1\b", " - 1"), (r" - 1\b", " + 1"),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
    (r"\(!(?=[A-Za-z_])", "("),
]


def candidates(checkout, room):
    """(file, line number, turn index, match start) for every turnable place."""
    found = []
    folder = os.path.join(checkout, room)
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".cpp"):
            continue
        path = os.path.join(folder, name)
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for number, line in enumerate(lines):
            code = line.split("//")[0]
            stripped = code.strip()
            if not stripped or stripped.startswith(("#", "*", "/*")) or "static_assert" in code:
                continue
            for turn, (pattern, _) in enumerate(TURNS):
                for match in re.finditer(pattern, code):
                    found.append((path, number, turn, match.start()))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("checkout")
    parser.add_argument("build")
    parser.add_argument("--count", type=int, default=15)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--rooms", default=",".join(ROOMS))
    parser.add_argument("--jobs", default="2")
    parser.add_argument("--replay")
    args = parser.parse_args()
    logged = []  # (room, "file:line", missed) in the order the first run planted them
    if args.replay:
        with open(args.replay, encoding="utf-8") as f:
            for entry in f:
                found = re.match(r"(\S+): (\S+:\d+): .* -> (missed|caught|hangs)", entry)
                if found:
                    logged.append((found.group(1), found.group(2), found.group(3) == "missed"))
    build = os.path.abspath(args.build)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    totals = {}
    for room in args.rooms.split(","):
        programs = FURTHER[room] if args.replay else ROOMS[room]
        wanted = [(place, miss) for r, place, miss in logged if r == room]
        places = candidates(args.checkout, room)
        draw = random.Random(f"{args.seed}:{room}")
        caught = planted = 0
        tried = 0
        while (any(miss for _, miss in wanted) if args.replay
               else planted < args.count and tried < args.count * 4):
            tried += 1
            path, number, turn, start = places[draw.randrange(len(places))]
            if args.replay:
                # The same draws as the first run: one at the place of its next
                # fault is that fault (or a turn that did not build, told by
                # building it); the others did not build.
                if f"{os.path.relpath(path, args.checkout)}:{number + 1}" != wanted[0][0]:
                    if tried > 100000:
                        sys.exit(f"{wanted[0][0]} is not among the draws of seed {args.seed}")
                    continue
                if not wanted[0][1]:
                    wanted.pop(0)  # caught the first time
                    continue
            with open(path, encoding="utf-8") as f:
                original = f.read()
            lines = original.split("\n")
            pattern, replacement = TURNS[turn]
            line = lines[number]
            lines[number] = line[:start] + re.sub(pattern, replacement, line[start:], count=1)
            try:
                with open(path, "w", encoding="utf-8") as f:
                    f.write("\n".join(lines))
                began = time.time()
                built = subprocess.run(["cmake", "--build", build, "-j", args.jobs, "--target"]
                                       + programs, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL).returncode
                if built != 0:
                    continue
                if args.replay:
                    wanted.pop(0)
                planted += 1
                outcome = "missed"
                for program in programs:
                    code = subprocess.run(
                        [os.path.join(build, "bin", program), "--gtest_fail_fast"],
                        cwd=build, env=env, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL, timeout=600).returncode
                    if code != 0:
                        outcome = f"caught by {program}"
                        caught += 1
                        break
                print(f"{room}: {os.path.relpath(path, args.checkout)}:{number + 1}: "
                      f"{line.strip()[:70]!r} -> {outcome} ({time.time() - began:.0f} s)",
                      flush=True)
            except subprocess.TimeoutExpired:
                caught += 1
                print(f"{room}: {os.path.relpath(path, args.checkout)}:{number + 1}: hangs -> caught",
                      flush=True)
            finally:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
        totals[room] = (caught, planted)
        print(f"== {room}: {caught} of {planted} caught", flush=True)
    for room, (caught, planted) in totals.items():
        share = 100.0 * caught / planted if planted else 0.0
        print(f"{room}: {caught}/{planted} ({share:.0f}%)")


if __name__ == "__main__":
    sys.exit(main())
