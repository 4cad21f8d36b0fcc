#!/usr/bin/env python3
"""The gazetteer's country code and zone offset against ExifTool 13's
geolocation, on positions near random GeoNames places and on the positions
of the test photos.

    bench/places-compare.py BIN_DIR [EXIFTOOL13] [COUNT]

ExifTool 13 comes from the npm package exiftool-vendored.pl, installed by
hand for the comparison only (npm install exiftool-vendored.pl in a folder
of /tmp); without it the comparison is skipped with a message."""

import datetime
import json
import os
import subprocess
import sys
import tempfile
import zoneinfo

XMP = """<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
<rdf:Description xmlns:exif="http://ns.adobe.com/exif/1.0/" exif:GPSLatitude="{lat}" exif:GPSLongitude="{lon}"/>
</rdf:RDF></x:xmpmeta>
"""


def xmp_coordinate(value, positive, negative):
    ref = positive if value >= 0 else negative
    value = abs(value)
    degrees = int(value)
    return "%d,%.6f%s" % (degrees, (value - degrees) * 60, ref)


def offsets(zone):
    """The zone's offsets in January and July: summer time counts."""
    if not zone:
        return None
    try:
        tz = zoneinfo.ZoneInfo(zone)
    except Exception:
        return None
    return tuple(datetime.datetime(2024, month, 15, 12, tzinfo=tz).utcoffset()
                 for month in (1, 7))


def main():
    bin_dir = sys.argv[1]
    exiftool = sys.argv[2] if len(sys.argv) > 2 else \
        "/tmp/exiftool13/node_modules/exiftool-vendored.pl/bin/exiftool"
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 400
    if not os.access(exiftool, os.X_OK):
        print("places vs exiftool 13: skipped, %s is not installed "
              "(npm install exiftool-vendored.pl in /tmp/exiftool13)" % exiftool)
        return
    here = os.path.dirname(os.path.abspath(__file__))
    photos = os.path.join(here, "..", "tests", "data", "photos")
    tool = os.path.join(bin_dir, "tv_bench_places")
    sample = subprocess.run([tool, "sample", str(count), "7"], check=True,
                            capture_output=True, text=True).stdout.split("\n")
    real = subprocess.run(["exiftool", "-j", "-n", "-GPSLatitude", "-GPSLongitude", photos],
                          capture_output=True, text=True).stdout
    real_positions = ["%f %f" % (p["GPSLatitude"], p["GPSLongitude"])
                      for p in json.loads(real or "[]") if "GPSLatitude" in p]
    for name, positions in (("near %d random places" % count, [s for s in sample if s]),
                            ("the test photos' %d positions" % len(real_positions),
                             real_positions)):
        ours = subprocess.run([tool, "locate"], input="\n".join(positions) + "\n", check=True,
                              capture_output=True, text=True).stdout.split("\n")
        with tempfile.TemporaryDirectory() as folder:
            files = []
            for i, position in enumerate(positions):
                lat, lon = map(float, position.split())
                path = os.path.join(folder, "p%05d.xmp" % i)
                with open(path, "w") as out:
                    out.write(XMP.format(lat=xmp_coordinate(lat, "N", "S"),
                                         lon=xmp_coordinate(lon, "E", "W")))
                files.append(path)
            theirs = json.loads(subprocess.run(
                [exiftool, "-j", "-n", "-api", "geolocation", "-GeolocationCountryCode",
                 "-GeolocationTimeZone", "-GeolocationCity", "-GeolocationDistance"] + files,
                check=True, capture_output=True, text=True).stdout)
        theirs.sort(key=lambda t: t["SourceFile"])
        codes = zones = cities = near = 0
        disagreements = []
        for line, their in zip(ours, theirs):
            lat, lon, code, zone, city = line.split(" ", 4)
            same_code = code == their.get("GeolocationCountryCode", "-")
            same_zone = offsets(zone) == offsets(their.get("GeolocationTimeZone"))
            codes += same_code
            zones += same_zone
            if float(their.get("GeolocationDistance", 99)) <= 10:
                near += 1
                cities += city != "-"
            if not (same_code and same_zone):
                disagreements.append("%s %s: %s %s / %s %s" % (
                    lat, lon, code, zone, their.get("GeolocationCountryCode"),
                    their.get("GeolocationTimeZone")))
        n = len(theirs)
        print("places vs exiftool 13 geolocation, %s:" % name)
        print("  country code agrees %d/%d (%.1f%%), zone offset (January and July) %d/%d "
              "(%.1f%%), a city for %d of the %d within 10 km of its place"
              % (codes, n, 100 * codes / n, zones, n, 100 * zones / n, cities, near))
        for line in disagreements[:8]:
            print("    differs: " + line)


if __name__ == "__main__":
    main()
