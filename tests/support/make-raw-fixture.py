#!/usr/bin/env python3
"""Builds a small RAW photo of a kind whose layout is documented, around a
real JPEG: its EXIF and its image become the RAW's metadata and preview, and
a few bytes stand for the sensor data.

    make-raw-fixture.py raf|rw2|mrw|nef|cr2|dng|iiq JPEG OUTPUT

A NEF, CR2, DNG or IIQ is the JPEG's EXIF structure made a TIFF file: its main
directory, rewritten at the end, gains a grey preview strip, a SubIFD of
colour filter array data, the TIFF/EP copy of the original date and an IPTC
entry stored as 32-bit integers, as those cameras write them; the maker note
stays where it was, so its offsets hold. A DNG has the entries of its own
that a raw converter develops it with as well; an IIQ names a medium-format
back as its camera.
"""
import struct
import sys


def exif_tiff(jpeg):
    """The TIFF structure of the JPEG's first APP1 Exif segment."""
    at = 2
    while at + 4 <= len(jpeg) and jpeg[at] == 0xFF:
        marker = jpeg[at + 1]
        length = struct.unpack('>H', jpeg[at + 2:at + 4])[0]
        payload = jpeg[at + 4:at + 2 + length]
        if marker == 0xE1 and payload.startswith(b'Exif\0\0'):
            return payload[6:]
        if marker == 0xDA:
            break
        at += 2 + length
    sys.exit('no EXIF segment in the JPEG')


SENSOR = bytes(range(256)) * 4  # stands for the raw sensor data


def raf(jpeg):
    # Header, version, camera id and name, directory version, then the
    # pointers: JPEG offset and length at 84, CFA header at 92, CFA at 100.
    # The CFA is a small TIFF, as newer cameras write it.
    head = b'FUJIFILMCCD-RAW ' + b'0201' + b'FF129502' + b'X-T2'.ljust(32, b'\0')
    head += b'0100' + b'\0' * 20
    assert len(head) == 84
    cfa_tiff = tiny_tiff(b'MM', SENSOR)
    jpeg_at = 160
    cfa_at = jpeg_at + len(jpeg)
    cfa_at += -cfa_at % 4
    head += struct.pack('>IIIIII', jpeg_at, len(jpeg), 0, 0, cfa_at, len(cfa_tiff))
    out = head.ljust(jpeg_at, b'\0') + jpeg
    return out.ljust(cfa_at, b'\0') + cfa_tiff


def tiny_tiff(order, strip):
    """A TIFF of one directory holding one strip of 8-bit grey."""
    e = '<' if order == b'II' else '>'
    entries = [(0x100, 3, 1, 32), (0x101, 3, 1, len(strip) // 32), (0x102, 3, 1, 8),
               (0x103, 3, 1, 1), (0x106, 3, 1, 1), (0x111, 4, 1, 0), (0x115, 3, 1, 1),
               (0x117, 4, 1, len(strip))]
    ifd_at = 8
    data_at = ifd_at + 2 + 12 * len(entries) + 4
    out = order + struct.pack(e + 'HI', 42, ifd_at) + struct.pack(e + 'H', len(entries))
    for tag, kind, count, value in entries:
        if tag == 0x111:
            value = data_at
        packed = struct.pack(e + 'H', value) + b'\0\0' if kind == 3 else struct.pack(e + 'I', value)
        out += struct.pack(e + 'HHI', tag, kind, count) + packed
    return out + struct.pack(e + 'I', 0) + strip


def rw2(jpeg):
    # A TIFF of its own kind (magic 0x55) whose first directory holds the
    # sensor's size, the raw data and, in tag 0x002e, the JPEG preview with
    # the camera's EXIF; a signature of 16 bytes follows the header.
    sensor_at = 0x400
    jpeg_at = sensor_at + len(SENSOR)
    entries = [(0x01, 7, 4, b'0310'), (0x02, 3, 1, 32), (0x03, 3, 1, 32), (0x04, 3, 1, 0),
               (0x05, 3, 1, 0), (0x06, 3, 1, 32), (0x07, 3, 1, 32), (0x09, 3, 1, 1),
               (0x0a, 3, 1, 8), (0x2e, 7, len(jpeg), jpeg_at),
               (0x111, 4, 1, sensor_at), (0x117, 4, 1, len(SENSOR)), (0x118, 4, 1, sensor_at)]
    out = b'IIU\0' + struct.pack('<I', 0x18)
    out += bytes.fromhex('88e774d8f8251d4d947a6e77822b5d6a')  # the RW2 signature
    out = out.ljust(0x18, b'\0') + struct.pack('<H', len(entries))
    for tag, kind, count, value in entries:
        if isinstance(value, bytes):
            packed = value
        elif kind == 3:
            packed = struct.pack('<H', value) + b'\0\0'
        else:
            packed = struct.pack('<I', value)
        out += struct.pack('<HHI', tag, kind, count) + packed
    out += struct.pack('<I', 0)
    return out.ljust(sensor_at, b'\0') + SENSOR + jpeg


def mrw(jpeg):
    # "\0MRM" and the length of its blocks: the picture's dimensions (PRD),
    # the camera's TIFF (TTW: the JPEG's EXIF, its thumbnail the preview),
    # white balance (WBG); then the sensor data.
    prd = b'21860002' + struct.pack('>HHHHBBHH', 32, 32, 32, 32, 8, 8, 0x59, 0x0001)
    wbg = bytes(4) + struct.pack('>HHHH', 256, 256, 256, 256)
    tiff = exif_tiff(jpeg)
    blocks = b''
    for name, data in ((b'\0PRD', prd), (b'\0TTW', tiff), (b'\0WBG', wbg)):
        blocks += name + struct.pack('>I', len(data)) + data
    return b'\0MRM' + struct.pack('>I', len(blocks)) + blocks + SENSOR


def tiff_raw(jpeg, kind):
    tiff = bytearray(exif_tiff(jpeg))
    e = '<' if tiff[:2] == b'II' else '>'
    first = struct.unpack(e + 'I', tiff[4:8])[0]
    count = struct.unpack(e + 'H', tiff[first:first + 2])[0]
    entries = {}
    for i in range(count):
        at = first + 2 + 12 * i
        tag, kind_, n = struct.unpack(e + 'HHI', tiff[at:at + 8])
        entries[tag] = (kind_, n, bytes(tiff[at + 8:at + 12]))
    next_ifd = tiff[first + 2 + 12 * count:first + 6 + 12 * count]

    def add(data):
        nonlocal tiff
        tiff += b'\0' * (-len(tiff) % 4)
        at = len(tiff)
        tiff += data
        return at

    def short(v):
        return struct.pack(e + 'H', v) + b'\0\0'

    def long_(v):
        return struct.pack(e + 'I', v)

    def ifd(items, next_bytes=b'\0\0\0\0'):
        body = struct.pack(e + 'H', len(items))
        for tag in sorted(items):
            kind_, n, field = items[tag]
            body += struct.pack(e + 'HHI', tag, kind_, n) + field
        return add(body + next_bytes)

    strip = add(SENSOR)
    cfa = {0xfe: (4, 1, long_(0)), 0x100: (3, 1, short(32)), 0x101: (3, 1, short(32)),
           0x102: (3, 1, short(8)), 0x103: (3, 1, short(1)), 0x106: (3, 1, short(32803)),
           0x111: (4, 1, long_(strip)), 0x115: (3, 1, short(1)),
           0x117: (4, 1, long_(len(SENSOR))), 0x828d: (3, 2, struct.pack(e + 'HH', 2, 2)),
           0x828e: (1, 4, bytes([0, 1, 1, 2]))}
    sub = ifd(cfa)
    preview = add(bytes(range(32)) * 32)
    date = add(b'2004:01:02 03:04:05\0')
    iptc = b'\x1c\x02\x00\x00\x02\x00\x04\x1c\x02\x19\x00\x04rawk'
    iptc += b'\0' * (-len(iptc) % 4)
    iptc_at = add(iptc)
    entries.update({0xfe: (4, 1, long_(1)), 0x100: (3, 1, short(32)), 0x101: (3, 1, short(32)),
                    0x102: (3, 1, short(8)), 0x103: (3, 1, short(1)), 0x106: (3, 1, short(1)),
                    0x111: (4, 1, long_(preview)), 0x115: (3, 1, short(1)),
                    0x117: (4, 1, long_(1024)), 0x14a: (4, 1, long_(sub)),
                    0x9003: (2, 20, long_(date)), 0x83bb: (4, len(iptc) // 4, long_(iptc_at))})
    if kind == 'iiq':
        entries[0x10f] = (2, 10, long_(add(b'Phase One\0')))
        entries[0x110] = (2, 10, long_(add(b'IQ3 100MP\0')))
    main_ifd = ifd(entries, bytes(next_ifd))
    tiff[4:8] = long_(main_ifd)
    if kind == 'cr2':
        tiff[8:16] = b'CR\x02\x00' + long_(sub)
    if kind == 'dng':
        # What a raw converter develops a DNG with: the colour matrix and
        # its illuminant, the neutral of the shot, the exposure baseline.
        def srational(*values):
            return b''.join(struct.pack(e + 'ii', v, 10000) for v in values)
        matrix = add(srational(6722, -635, -963, -4287, 12460, 2028, -908, 2162, 5668))
        neutral = add(b''.join(struct.pack(e + 'II', v, 10000) for v in (5000, 10000, 6000)))
        model = add(b'Survey Camera\0')
        exposure = add(srational(-5000))
        entries.update({
            0xc612: (1, 4, bytes([1, 4, 0, 0])), 0xc613: (1, 4, bytes([1, 1, 0, 0])),
            0xc614: (2, 14, long_(model)), 0xc621: (10, 9, long_(matrix)),
            0xc628: (5, 3, long_(neutral)), 0xc62a: (10, 1, long_(exposure)),
            0xc65a: (3, 1, short(21))})
        main_ifd = ifd(entries, bytes(next_ifd))
        tiff[4:8] = long_(main_ifd)
    return bytes(tiff)


def main():
    kind, source, output = sys.argv[1:4]
    jpeg = open(source, 'rb').read()
    if kind in ('nef', 'cr2', 'dng', 'iiq'):
        made = tiff_raw(jpeg, kind)
    else:
        made = {'raf': raf, 'rw2': rw2, 'mrw': mrw}[kind](jpeg)
    open(output, 'wb').write(made)


if __name__ == '__main__':
    main()
