#include "support/ForeignXmp.h"

#include "support/TestPhotos.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QByteArray XmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);

QByteArray bigEndian(quint32 value, int size) {
    QByteArray out;
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
    return out;
}

// The JPEG's XMP segment with its packet replaced.
QByteArray withPacket(const QByteArray& jpeg, const QByteArray& packet) {
    const qsizetype at = jpeg.indexOf(XmpHeader) - 4;
    EXPECT_GT(at, 0) << "the photo has an XMP segment";
    const qsizetype end = at + 2 + qsizetype((quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]));
    return jpeg.left(at) + "\xff\xe1" +
           bigEndian(quint32(XmpHeader.size() + packet.size() + 2), 2) + XmpHeader + packet +
           jpeg.mid(end);
}

QByteArray packetOf(const QByteArray& jpeg) {
    const qsizetype at = jpeg.indexOf(XmpHeader) - 4;
    const qsizetype length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
    return jpeg.mid(at + 4 + XmpHeader.size(), length - 2 - XmpHeader.size());
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// One byte of the packet's date inserted, one byte of its padding taken.
QByteArray withByteInDate(const QByteArray& packet, char byte) {
    const qsizetype date = packet.indexOf("2001-02-03T04:05:06", packet.indexOf("DateCreated"));
    EXPECT_GT(date, 0);
    QByteArray out = packet;
    out.insert(date + 19, byte);
    out.remove(out.indexOf("<?xpacket end") - 1, 1);
    return out;
}

} // namespace

QMap<QString, QString> makeForeignXmpPhotos(const TestFolder& folder) {
    QMap<QString, QString> made;
    const QString base = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), "foreign-base.jpg");
    const QStringList values = {
        "-Artist=Ann",
        "-XMP-dc:Creator=Ann",
        "-XMP-dc:Subject=lake",
        "-IPTC:By-line=Ann",
        "-IPTC:Keywords=lake",
        "-IPTC:DateCreated=2001:02:03",
        "-IPTC:TimeCreated=04:05:06",
        "-EXIF:DateTimeOriginal=2001:02:03 04:05:06",
        "-XMP-photoshop:DateCreated=2001:02:03T04:05:06",
        "-XMP-exif:DateTimeOriginal=2001:02:03T04:05:06",
        "-GPSLatitude=10.5",
        "-GPSLatitudeRef=N",
        "-GPSLongitude=20.5",
        "-GPSLongitudeRef=E",
        "-XMP-exif:GPSLatitude=10.5 N",
        "-XMP-exif:GPSLongitude=20.5 E",
    };
    runTool("exiftool",
            QStringList{"-q", "-q", "-overwrite_original"} + values + QStringList{base});
    runTool("exiftool", {"-q", "-q", "-overwrite_original", "-Photoshop:IPTCDigest=new", base});
    const QByteArray jpeg = fileBytes(base);
    const QByteArray packet = packetOf(jpeg);
    const QString text = QString::fromUtf8(packet);
    made.insert(
        "utf16be.jpg",
        folder.writeFile("utf16be.jpg",
                         withPacket(jpeg, QStringEncoder(QStringConverter::Utf16BE)(text))));
    made.insert(
        "utf32le.jpg",
        folder.writeFile("utf32le.jpg",
                         withPacket(jpeg, QStringEncoder(QStringConverter::Utf32LE)(text))));
    made.insert("control.jpg",
                folder.writeFile("control.jpg", withPacket(jpeg, withByteInDate(packet, '\x1a'))));
    made.insert("stray.jpg",
                folder.writeFile("stray.jpg", withPacket(jpeg, withByteInDate(packet, '\xb0'))));
    QByteArray malformed = packet;
    malformed.replace("</rdf:RDF>", "</rdf:RDX>");
    made.insert("malformed.jpg", folder.writeFile("malformed.jpg", withPacket(jpeg, malformed)));

    const QString extended = folder.writeFile("extended.jpg", jpeg);
    QString longText;
    for (int word = 0; longText.size() < 80000; ++word)
        longText += QStringLiteral("word%1 ").arg(word);
    runTool("exiftool",
            {"-q", "-q", "-overwrite_original", "-XMP-dc:Description=" + longText, extended});
    made.insert("extended.jpg", extended);

    // A PNG without XMP, and the packet exiftool makes of the values, as a
    // chunk of its own after the image data.
    const QString png = folder.file("late.png");
    const QString sidecar = folder.file("late.xmp");
    runTool("exiftool", {"-q", "-q", "-XMP:all=", "-o", png, fixturePath("photo.png")});
    runTool("exiftool",
            QStringList{"-q", "-q", "-o", sidecar} + values.filter("-XMP") + QStringList{png});
    const QByteArray data = QByteArray("XML:com.adobe.xmp\0\0\0\0\0", 22) + fileBytes(sidecar);
    const QByteArray withoutXmp = fileBytes(png);
    QByteArray pngBytes = withoutXmp;
    pngBytes.insert(pngBytes.lastIndexOf("IEND") - 4, pngChunk("iTXt", data));
    made.insert("late.png", folder.writeFile("late.png", pngBytes));
    // The same packet compressed in its chunk, before the image data.
    const QByteArray compressed = QByteArray("XML:com.adobe.xmp\0\1\0\0\0", 22) +
                                  qCompress(fileBytes(sidecar)).mid(4); // a zlib stream
    pngBytes = withoutXmp;
    pngBytes.insert(pngBytes.indexOf("IDAT") - 4, pngChunk("iTXt", compressed));
    made.insert("compressed.png", folder.writeFile("compressed.png", pngBytes));
    QFile::remove(sidecar);
    QFile::remove(base);
    return made;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data) {
    return bigEndian(quint32(data.size()), 4) + type + data + bigEndian(crc32(type + data), 4);
}

QByteArray withRawExifProfile(const QByteArray& png, const QByteArray& tiff) {
    // The profile's text: its name, its length and the bytes in hex, 36 to
    // a line, after the "Exif" header.
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray text = "\nexif\n" + QByteArray::number(exif.size()).rightJustified(8) + "\n";
    for (qsizetype at = 0; at < exif.size(); at += 36)
        text += exif.mid(at, 36).toHex() + "\n";
    // A zlib stream, which is what qCompress makes after its own length.
    const QByteArray data = QByteArray("Raw profile type exif\0\0", 23) + qCompress(text).mid(4);
    QByteArray out = png;
    out.insert(out.indexOf("IDAT") - 4, pngChunk("zTXt", data));
    return out;
}
