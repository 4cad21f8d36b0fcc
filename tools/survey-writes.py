#!/usr/bin/env python3
"""Runs edit, dates set, remove gps and remove all over every photo of a
folder (recursively) with tessaview-cli and checks each write with exiftool:

- a write is refused with a reason, or it is written;
- every copy of a changed value agrees (EXIF, IPTC, XMP, sidecar included);
- the file holds one XMP packet at most;
- exiftool -validate warns of nothing the input was not warned of;
- nothing else changed;
- the pixels are byte-identical (a JPEG's image data, else decoded pixels).

    survey-writes.py CLI PHOTOS... [--raw-fixtures SCRIPT JPEG] [--verbose]

Prints one line per fault and, at the end, writes with a fault / writes.
"""
import atexit
import json
import os
import re
import subprocess
import sys
import tempfile

DATE = '2021:02:03 04:05:06'
ARTIST, DESCRIPTION, KEYWORDS = 'Survey Artist', 'Survey description', ['survey', 'check']
COMMANDS = {
    'edit': ['edit', '--artist', ARTIST, '--description', DESCRIPTION,
             '--keywords', ','.join(KEYWORDS)],
    'dates': ['dates', 'set', DATE],
    'gps': ['remove', 'gps'],
    'all': ['remove', 'all'],
}
PREFIX = {'edit': '', 'dates': '', 'gps': 'NoGPS_', 'all': 'NoMetadata_'}
PHOTO = re.compile(r'\.(jpe?g|tiff?|png|webp|heic|heif|avif|cr2|cr3|crw|nef|dng|iiq|raf|rw2|'
                   r'orf|mrw|psd)$', re.I)
# What a rewrite changes besides the metadata, and what exiftool works out.
VOLATILE = ('File:', 'ExifTool:', 'Composite:', 'System:', 'SourceFile',
            'QuickTime:MediaDataOffset', 'QuickTime:MediaDataSize')

# The tags each command may change, by exiftool name (any group).
DATE_TAGS = {'DateTimeOriginal', 'CreateDate', 'ModifyDate', 'DateTimeDigitized', 'DateTime',
             'DateCreated', 'TimeCreated', 'DigitalCreationDate', 'DigitalCreationTime',
             'SubSecTimeOriginal', 'SubSecTimeDigitized', 'SubSecTime', 'OffsetTimeOriginal',
             'OffsetTimeDigitized', 'OffsetTime'}
EDIT_TAGS = {'Artist', 'Creator', 'By-line', 'ImageDescription', 'Description',
             'Caption-Abstract', 'Keywords', 'Subject', 'CodedCharacterSet',
             'ApplicationRecordVersion', 'XPAuthor', 'XPKeywords'}
# Entries EXIF requires of a block or directory made anew.
REQUIRED = {'XResolution', 'YResolution', 'ResolutionUnit', 'YCbCrPositioning', 'ExifVersion',
            'FlashpixVersion', 'ColorSpace', 'ComponentsConfiguration', 'ExifImageWidth',
            'ExifImageHeight'}
# The IPTC digest follows any IPTC change.
DIGEST = {'CurrentIPTCDigest', 'IPTCDigest'}


def numbered(pairs):
    """A JSON object whose repeated keys (one tag name in two places of a
    maker note) hold all their values, in an order of their own, as exiftool
    does not list them in a steady one."""
    tags, repeated = {}, set()
    for key, value in pairs:
        key = re.sub(r':Copy\d+:', ':', key)
        if key in tags:
            if key not in repeated:
                tags[key] = [tags[key]]
                repeated.add(key)
            tags[key].append(value)
        else:
            tags[key] = value
    for key in repeated:
        tags[key] = sorted(tags[key], key=str)
    return tags


class StayOpen:
    """One exiftool process for every read: its start costs more than a read."""

    def __init__(self):
        self.process = subprocess.Popen(['exiftool', '-stay_open', 'True', '-@', '-'],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        atexit.register(self.close)

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.write(b'-stay_open\nFalse\n')
            self.process.stdin.flush()
            self.process.wait()

    def run(self, arguments):
        self.process.stdin.write(('\n'.join(arguments) + '\n-execute\n').encode())
        self.process.stdin.flush()
        out = b''
        while not out.endswith(b'{ready}\n'):
            line = self.process.stdout.readline()
            if not line:
                break
            out += line
        return out[:-len(b'{ready}\n')].decode(errors='replace')


TOOL = None


def exiftool(files, *options):
    global TOOL
    TOOL = TOOL or StayOpen()
    out = TOOL.run(['-j', '-a', '-G1:4', '-n', '-b', *options, *files])
    try:
        return json.loads(out, object_pairs_hook=numbered) if out.strip() else [{} for _ in files]
    except json.JSONDecodeError:
        return [{} for _ in files]


def warnings(path):
    global TOOL
    TOOL = TOOL or StayOpen()
    found = set()
    for line in TOOL.run(['-validate', '-warning', '-error', '-a', '-s', path]).splitlines():
        name, _, value = line.partition(':')
        if name.strip() in ('Warning', 'Error'):
            found.add(value.strip().replace('[minor] ', ''))
    return found


def pixels(path):
    data = open(path, 'rb').read()
    if data[:2] == b'\xff\xd8':
        # The scans and the tables before them, past every APPn and COM
        # segment (a thumbnail in EXIF holds a scan of its own).
        at, kept = 2, b''
        while at + 4 <= len(data) and data[at] == 0xFF and data[at + 1] != 0xDA:
            length = int.from_bytes(data[at + 2:at + 4], 'big')
            if not (0xE0 <= data[at + 1] <= 0xEF or data[at + 1] == 0xFE):
                kept += data[at:at + 2 + length]
            at += 2 + length
        return kept + data[at:]
    run = subprocess.run(['identify', '-quiet', '-format', '%#\n', path], capture_output=True,
                         text=True)
    return run.stdout if run.returncode == 0 else None


def xmp_packets(path):
    return open(path, 'rb').read().count(b'<x:xmpmeta')


def name_of(key):
    return key.split(':', 1)[-1]


def sidecar_of(path):
    base, _ = os.path.splitext(path)
    for candidate in (base + '.xmp', path + '.xmp'):
        if os.path.exists(candidate):
            return candidate
    return None


def walls_and_zones(tags):
    """Every date copy of the written file: (key, wall time, zone or '')."""
    found = []
    for key, value in tags.items():
        name = name_of(key)
        group = key.split(':', 1)[0]
        if name not in ('DateTimeOriginal', 'CreateDate', 'ModifyDate', 'DateTimeDigitized',
                        'DateTime', 'DateCreated'):
            continue
        # The metadata sets and their XMP copies; a maker note's own record
        # of the date is the camera's and stays.
        if group.startswith('IPTC') or not (group in ('IFD0', 'ExifIFD') or 'XMP' in group):
            continue
        text = str(value)
        match = re.match(r'^(\d{4})[:-](\d\d)[:-](\d\d)[ T](\d\d):(\d\d):(\d\d)(\.\d+)?(Z|[+-]\d\d:\d\d)?$',
                         text)
        if not match:
            found.append((key, text, None))
            continue
        wall = '%s:%s:%s %s:%s:%s' % match.groups()[:6]
        zone = match.group(8) or ''
        found.append((key, wall + (match.group(7) or ''), '+00:00' if zone == 'Z' else zone))
    iptc = [(g + ':DateCreated', g + ':TimeCreated') for g in ('IPTC', 'IPTC2')]
    iptc += [(g + ':DigitalCreationDate', g + ':DigitalCreationTime') for g in ('IPTC', 'IPTC2')]
    for date_key, time_key in iptc:
        if date_key in tags and time_key in tags:
            time = str(tags[time_key])
            found.append((date_key, str(tags[date_key]).replace('-', ':') + ' ' + time[:8],
                          'iptc:' + time[8:]))
    return found


def check_values(command, source, out, after, sidecar):
    faults = []
    everything = dict(after)
    if sidecar:
        sidecar_tags = {'sidecar ' + k: v for k, v in exiftool([sidecar])[0].items()}
        # A photo changed in its sidecar alone keeps its own values: the
        # sidecar holds the new ones, and readers take them from there.
        same = open(source, 'rb').read() == open(out, 'rb').read()
        everything = sidecar_tags if same else dict(everything, **sidecar_tags)
    if command == 'dates':
        copies = walls_and_zones(everything)
        for key, wall, _ in copies:
            if not wall.startswith(DATE) or wall != DATE:
                if name_of(key) != 'ModifyDate' or 'XMP' in key or 'IFD0' in key:
                    faults.append('%s reads %s' % (key, wall))
        for key in everything:
            if name_of(key).startswith('SubSecTime'):
                faults.append('%s stays' % key)
        offsets = {str(v) for k, v in everything.items() if name_of(k).startswith('OffsetTime')}
        zones = {z for _, _, z in copies if z and not z.startswith('iptc:')} | offsets
        if len(zones) > 1:
            faults.append('zones disagree: %s' % ', '.join(sorted(zones)))
        iptc = {z[5:] for _, _, z in copies if z and z.startswith('iptc:')}
        if zones and iptc and iptc != zones:
            faults.append('IPTC zone %s beside %s' % (', '.join(iptc), ', '.join(zones)))
    elif command == 'gps':
        for key in everything:
            if 'GPS' in key.split(':', 1)[0] or name_of(key).startswith('GPS'):
                faults.append('%s stays' % key)
    elif command == 'edit':
        for key, value in everything.items():
            name = name_of(key)
            if name in ('Artist', 'Creator', 'By-line', 'XPAuthor') and \
                    str(value) not in (ARTIST, str([ARTIST])):
                faults.append('%s reads %s' % (key, value))
            if name in ('ImageDescription', 'Description', 'Caption-Abstract') and value != DESCRIPTION:
                faults.append('%s reads %s' % (key, value))
            if name in ('Keywords', 'Subject', 'XPKeywords'):
                # Windows's copy separates the items with ";".
                items = str(value).split(';') if name == 'XPKeywords' else \
                    value if isinstance(value, list) else [value]
                if [str(i) for i in items] != KEYWORDS:
                    faults.append('%s reads %s' % (key, value))
    return faults


def unasked(command, before, after, raw):
    """Tags that changed though the command did not ask for them."""
    allowed = {'edit': EDIT_TAGS | DIGEST | REQUIRED, 'dates': DATE_TAGS | DIGEST | REQUIRED,
               'gps': DIGEST, 'all': set()}[command]
    faults = []
    for key in sorted(set(before) | set(after)):
        # Sub-seconds, whatever case an XMP writer spelt them in.
        subseconds = command == 'dates' and name_of(key).lower().startswith('subsectime')
        if key.startswith(VOLATILE) or name_of(key) in allowed or subseconds:
            continue
        group = key.split(':', 1)[0]
        if command == 'gps' and ('GPS' in group or name_of(key).startswith('GPS')):
            continue
        if command == 'all':
            if key not in after:
                continue  # removed: what remove all is for
            if key in before and before[key] == after[key]:
                continue
        # A pointer to an image moves where the image does (a preview after
        # the JPEG image moves as the headers grow): the image itself, read
        # out with -b, is what must not change.
        pointed = key[:-len('Start')] if key.endswith('ImageStart') else None
        if pointed and pointed in before and before.get(pointed) == after.get(pointed):
            continue
        if before.get(key) != after.get(key):
            faults.append('%s: %s -> %s' % (key, short(before.get(key)), short(after.get(key))))
    if command == 'all' and raw == 'dng':
        for tag in ('DNGVersion', 'UniqueCameraModel', 'ColorMatrix1', 'AsShotNeutral'):
            if any(name_of(k) == tag for k in before) and not any(name_of(k) == tag for k in after):
                faults.append('%s removed from a DNG' % tag)
    return faults


def short(value):
    text = str(value)
    return text if len(text) < 60 else text[:57] + '...'


def main():
    args = sys.argv[1:]
    verbose = '--verbose' in args
    args = [a for a in args if a != '--verbose']
    cli, roots = args[0], args[1:]
    work = tempfile.mkdtemp(prefix='survey-')
    extra = []
    if '--raw-fixtures' in roots:
        at = roots.index('--raw-fixtures')
        script, jpeg = roots[at + 1], roots[at + 2]
        roots = roots[:at] + roots[at + 3:]
        for kind in ('nef', 'cr2', 'dng', 'iiq'):
            made = os.path.join(work, 'fixture.' + kind)
            subprocess.run(['python3', script, kind, jpeg, made], check=True)
            extra.append(made)
    photos = []
    for root in roots:
        for folder, _, files in os.walk(root):
            photos += [os.path.join(folder, f) for f in sorted(files) if PHOTO.search(f)]
    photos = sorted(photos) + extra
    writes = faulty = refused = 0
    for photo in photos:
        before = exiftool([photo])[0]
        raw = 'dng' if any(name_of(k) == 'DNGVersion' for k in before) else ''
        warned = warnings(photo)
        pixels_before = pixels(photo)
        for command, arguments in COMMANDS.items():
            out_dir = os.path.join(work, command, str(photos.index(photo)))
            run = subprocess.run([cli, *arguments, '--out', out_dir, photo], capture_output=True,
                                 text=True)
            out = os.path.join(out_dir, PREFIX[command] + os.path.basename(photo))
            if not os.path.exists(out):
                refused += 1
                reason = (run.stderr.strip() or run.stdout.strip()).replace('\n', ' ')
                print('refused %s %s: %s' % (command, photo, reason))
                continue
            writes += 1
            after = exiftool([out])[0]
            faults = check_values(command, photo, out, after, sidecar_of(out))
            faults += ['new warning: ' + w for w in sorted(warnings(out) - warned)]
            if xmp_packets(out) > max(1, xmp_packets(photo)):
                faults.append('%d XMP packets' % xmp_packets(out))
            if pixels_before is not None and pixels(out) != pixels_before:
                faults.append('pixels differ')
            faults += unasked(command, before, after, raw)
            if faults:
                faulty += 1
                print('FAULT %s %s' % (command, photo))
                for fault in faults[:12 if not verbose else None]:
                    print('    ' + fault)
            elif verbose:
                print('ok %s %s' % (command, photo))
    print('photos %d, writes %d, refused %d, writes with a fault %d / %d'
          % (len(photos), writes, refused, faulty, writes))


if __name__ == '__main__':
    main()
