// Cuts photos into seeds for the fuzz targets:
//   tv_fuzz_seeds OUTPUT_FOLDER PHOTO...
// writes OUTPUT_FOLDER/TARGET/SHA1 for every seed a photo gives. Seeds are
// kept small (headers without their image data, EXIF and IPTC blocks, XMP
// packets, the messages and property lists made of the photo's dictionary),
// so that the fuzzers mutate what the parsers read.
#include "fuzz/FuzzChanges.h"
#include "fuzz/HeifShrink.h"
#include "metadata/DateText.h"
#include "metadata/PropertyKeys.h"
#include "metadata/WorkerProtocol.h"
#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"
#include "metadata/engine/XmpExtension.h"
#include "metadata/engine/XmpPacket.h"
#include "templates/PropertyListCodec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <cmath>

#include <cstdio>

namespace {

using namespace PropertyKeys;

constexpr qsizetype LargestWholeSeed = 256 * 1024;
constexpr qsizetype KeptScanBytes = 64;

class Seeds {
public:
    explicit Seeds(QString folder) : m_folder(std::move(folder)) {}

    void add(const char* target, const QByteArray& seed) {
        if (seed.isEmpty() || seed.size() > LargestWholeSeed)
            return;
        const QString folder = m_folder + QLatin1Char('/') + QLatin1String(target);
        QDir().mkpath(folder);
        QFile file(
            folder + QLatin1Char('/') +
            QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Sha1).toHex()));
        if (file.open(QIODevice::WriteOnly))
            file.write(seed);
    }

private:
    QString m_folder;
};

// A JPEG's headers, the start of its scan and an end marker.
QByteArray jpegHeaders(const QByteArray& photo) {
    const auto scan = jpegFirstScanOffset(photo);
    if (!scan)
        return {};
    const qsizetype header = 2 + qsizetype(readBigEndian(photo, *scan + 2, 2));
    return photo.left(*scan + header + KeptScanBytes) + QByteArray("\xFF\xD9", 2);
}

// The Photoshop resources of a JPEG's APP13 segments.
QByteArray jpegResources(const QByteArray& photo) {
    QByteArray resources;
    for (const JpegSegment& segment : JpegSegments(photo)) {
        if (segment.holds(photo, 0xed, BlockSignatures::Photoshop))
            resources += segment.payloadIn(photo).sliced(BlockSignatures::Photoshop.size());
    }
    return resources;
}

// The photo in the smallest form that still holds all of its metadata.
QByteArray smallPhoto(PhotoFormat format, const QByteArray& photo) {
    switch (format) {
    case PhotoFormat::Jpeg:
        return jpegHeaders(photo);
    case PhotoFormat::Heif:
        return shrinkHeif(photo);
    default:
        return photo;
    }
}

// The JPEG with its first XMP segment replaced by the given payloads, one
// segment each; nothing when it has no XMP segment.
QByteArray jpegWithXmp(const QByteArray& jpeg, const QList<QByteArray>& payloads) {
    for (const JpegSegment& segment : JpegSegments(jpeg)) {
        if (!segment.holds(jpeg, 0xe1, BlockSignatures::Xmp))
            continue;
        QByteArray segments;
        for (const QByteArray& payload : payloads) {
            if (payload.size() + 2 > 0xffff)
                return {};
            segments += QByteArray("\xff\xe1", 2) + char((payload.size() + 2) >> 8) +
                        char((payload.size() + 2) & 0xff) + payload;
        }
        return jpeg.left(segment.start) + segments + jpeg.mid(segment.end);
    }
    return {};
}

// The photo's packet as other programs store it: in UTF-16, with a control
// character, moved whole into extended XMP, or (a PNG's) after the image
// data.
void addForeignPackets(Seeds& seeds, PhotoFormat format, const QByteArray& small,
                       const QByteArray& packet) {
    if (packet.isEmpty())
        return;
    if (format == PhotoFormat::Png) {
        const QByteArray keyword("XML:com.adobe.xmp\0", 18);
        for (const Chunk& chunk : ChunkWalk(small, ChunkWalk::Form::Png)) {
            if (chunk.type == "iTXt" && chunk.dataIn(small).startsWith(keyword)) {
                QByteArray moved = small;
                const QByteArray bytes = moved.mid(chunk.start, chunk.end - chunk.start);
                moved.remove(chunk.start, chunk.end - chunk.start);
                moved.insert(moved.lastIndexOf("IEND") - 4, bytes);
                seeds.add("differential", moved);
                seeds.add("chunk_rewrite", moved);
                return;
            }
        }
        return;
    }
    if (format != PhotoFormat::Jpeg)
        return;
    const QByteArray& header = BlockSignatures::Xmp;
    const QByteArray wide = QStringEncoder(QStringConverter::Utf16BE)(QString::fromUtf8(packet));
    QByteArray control = packet;
    control.insert(control.indexOf("</rdf:Description>") + 1, '\x1a');
    const auto main = XmpPacket::parse(XmpPacket::emptyPacket(true));
    const auto named = main->edited(
        {{XmpExtension::GuidKey, QString::fromLatin1(XmpExtension::guidOfText(packet))}});
    if (!named)
        return;
    QList<QByteArray> extended = {header + named.value()};
    extended += XmpExtension::payloads(packet);
    seeds.add("xmp_edit", wide);
    seeds.add("xmp_edit", control);
    for (const QList<QByteArray>& payloads :
         {QList<QByteArray>{header + wide}, QList<QByteArray>{header + control}, extended}) {
        const QByteArray photo = jpegWithXmp(small, payloads);
        seeds.add("differential", photo);
        seeds.add("jpeg_rewrite", photo);
    }
}

// A track log in each format through the photo's position, a minute apart.
void addTrackLogs(Seeds& seeds, double latitude, double longitude, const QDateTime& when) {
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" "
                     "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>\n";
    QByteArray kml = "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                     "xmlns:gx=\"http://www.google.com/kml/ext/2.2\"><Placemark><gx:Track>\n";
    QByteArray nmea;
    QByteArray tcx =
        "<?xml version=\"1.0\"?>\n<TrainingCenterDatabase xmlns=\"http://www.garmin.com/"
        "xmlschemas/TrainingCenterDatabase/v2\"><Activities><Activity><Lap><Track>\n";
    QByteArray igc = "AXXX001\r\nHFDTEDATE:" +
                     when.toUTC().addSecs(-60).toString(QStringLiteral("ddMMyy")).toLatin1() +
                     ",01\r\n";
    QByteArray csv = "Time;Latitude;Longitude;\"Altitude (m)\"\n";
    for (int minute = -1; minute <= 1; ++minute) {
        const QDateTime at = when.addSecs(60 * minute).toUTC();
        const double lat = latitude + minute * 0.001, lon = longitude + minute * 0.001;
        const QByteArray iso = at.toString(Qt::ISODate).toLatin1();
        tcx += "<Trackpoint><Time>" + iso + "</Time><Position><LatitudeDegrees>" +
               QByteArray::number(lat, 'f', 6) + "</LatitudeDegrees><LongitudeDegrees>" +
               QByteArray::number(lon, 'f', 6) + "</LongitudeDegrees></Position><AltitudeMeters>" +
               QByteArray::number(400 + minute) + "</AltitudeMeters></Trackpoint>\n";
        csv += iso + ";" + QByteArray::number(lat, 'f', 6) + ";" + QByteArray::number(lon, 'f', 6) +
               (minute == 0 ? QByteArray(";\n") : QByteArray(";400\n"));
        const auto igcDegrees = [](double value, int width, char positive, char negative) {
            const double thousandths = std::round(std::fabs(value) * 60000);
            const int whole = int(thousandths / 60000);
            return QByteArray::number(whole).rightJustified(width, '0') +
                   QByteArray::number(qint64(thousandths) - qint64(whole) * 60000)
                       .rightJustified(5, '0') +
                   (value < 0 ? negative : positive);
        };
        igc += "B" + at.toString(QStringLiteral("HHmmss")).toLatin1() +
               igcDegrees(lat, 2, 'N', 'S') + igcDegrees(lon, 3, 'E', 'W') + "A0039000401\r\n";
        gpx += "<trkpt lat=\"" + QByteArray::number(lat, 'f', 6) + "\" lon=\"" +
               QByteArray::number(lon, 'f', 6) + "\"><ele>" + QByteArray::number(400 + minute) +
               "</ele><time>" + iso + "</time></trkpt>\n";
        kml += "<when>" + iso + "</when><gx:coord>" + QByteArray::number(lon, 'f', 6) + " " +
               QByteArray::number(lat, 'f', 6) + " 400</gx:coord>\n";
        const auto degrees = [](double value, int width, char positive, char negative) {
            const double whole = std::floor(std::fabs(value));
            return QByteArray::number(int(whole)).rightJustified(width, '0') +
                   QByteArray::number((std::fabs(value) - whole) * 60, 'f', 4)
                       .rightJustified(7, '0') +
                   ',' + (value < 0 ? negative : positive);
        };
        const QByteArray body = "GPRMC," + at.toString(QStringLiteral("HHmmss.zzz")).toLatin1() +
                                ",A," + degrees(lat, 2, 'N', 'S') + ',' +
                                degrees(lon, 3, 'E', 'W') + ",0.0,0.0," +
                                at.toString(QStringLiteral("ddMMyy")).toLatin1() + ",,,A";
        char sum = 0;
        for (char c : body)
            sum = char(sum ^ c);
        nmea += '$' + body + '*' +
                QByteArray::number(quint8(sum), 16).rightJustified(2, '0').toUpper() + "\r\n";
    }
    seeds.add("track_log", gpx + "</trkseg></trk></gpx>\n");
    seeds.add("track_log", kml + "</gx:Track></Placemark></kml>\n");
    seeds.add("track_log", nmea);
    seeds.add("track_log",
              tcx + "</Track></Lap></Activity></Activities></TrainingCenterDatabase>\n");
    seeds.add("track_log", igc);
    seeds.add("track_log", csv);
}

// A TIFF's IPTC entry as other writers store it: undefined bytes where it
// is 32-bit integers, and the other way round; nothing when it has none.
QByteArray withIptcTypeSwapped(const QByteArray& tiff) {
    const auto header = TiffHeader::read(tiff);
    if (!header)
        return {};
    const bool little = header->little;
    const auto put = [&](QByteArray& bytes, qsizetype at, quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + (little ? i : size - 1 - i)] = char((value >> (8 * i)) & 0xff);
    };
    const auto iptc = IfdWalk(tiff, little, header->firstDirectory).find(Tag::Iptc);
    if (!iptc || (iptc->type != 4 && iptc->type != 7) ||
        (iptc->type == 7 && iptc->count % 4 != 0) || iptc->count > 0x3fffffff)
        return {};
    QByteArray swapped = tiff;
    put(swapped, iptc->at + 2, iptc->type == 4 ? 7 : 4, 2);
    put(swapped, iptc->at + 4, iptc->type == 4 ? iptc->count * 4 : iptc->count / 4, 4);
    return swapped;
}

void addPhoto(Seeds& seeds, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray photo = file.readAll();
    const QByteArray name = QFileInfo(path).fileName().toUtf8();
    seeds.add("device_file_name", name);
    seeds.add("device_file_name", "DCIM/100CANON/" + name);
    const PhotoFormat format = sniffPhotoFormat(photo);
    if (format == PhotoFormat::Unknown)
        return;
    const QByteArray small = smallPhoto(format, photo);
    seeds.add("differential", small);
    if (format == PhotoFormat::Jpeg)
        seeds.add("jpeg_rewrite", small);
    if (format == PhotoFormat::Png || format == PhotoFormat::WebP)
        seeds.add("chunk_rewrite", small);
    if (format == PhotoFormat::Heif)
        seeds.add("heif_rewrite", small);
    if (format == PhotoFormat::Tiff) {
        seeds.add("tiff_parse", small);
        seeds.add("tiff_edit", small);
        if (const QByteArray swapped = withIptcTypeSwapped(small); !swapped.isEmpty())
            seeds.add("differential", swapped);
    }
    const MetadataBlocks blocks = findMetadataBlocks(format, photo);
    if (format != PhotoFormat::Tiff) {
        seeds.add("tiff_parse", blocks.exif);
        seeds.add("tiff_edit", blocks.exif);
    }
    seeds.add("iptc_block", blocks.iptc);
    seeds.add("xmp_edit", blocks.xmp);
    addForeignPackets(seeds, format, small, blocks.xmp);
    if (format == PhotoFormat::Jpeg)
        seeds.add("iptc_block", jpegResources(photo));

    // What the worker answers for the photo, and the requests it gets.
    const auto properties = readPhotoProperties(photo);
    seeds.add("worker_codec", WorkerProtocol::encode(WorkerProtocol::propertiesAnswer(properties)));
    if (!properties)
        return;
    const QVariantMap& dictionary = properties->dictionary;
    seeds.add("plist_xml", toXmlPropertyList(dictionary));
    const QVariantMap gps = dictionary.value(GpsSet).toMap();
    const auto taken =
        DateText::parse(dictionary.value(ExifSet).toMap().value(DateTimeOriginal).toString());
    if (gps.contains(Latitude) && gps.contains(Longitude) && taken)
        addTrackLogs(seeds, gps.value(Latitude).toDouble(), gps.value(Longitude).toDouble(),
                     *taken);
    for (const auto& [set, key] :
         {std::pair{ExifSet, DateTimeOriginal}, std::pair{ExifSet, DateTimeDigitized},
          std::pair{TiffSet, DateTime}}) {
        const QString date = dictionary.value(set).toMap().value(key).toString();
        seeds.add("date_text", date.toUtf8());
        QString dashed = date;
        if (dashed.size() > 7)
            dashed[4] = dashed[7] = QLatin1Char('-');
        seeds.add("date_text", dashed.toUtf8());
        if (const auto when = DateText::parse(date))
            seeds.add("date_text", DateText::timePointText(*when).toUtf8());
    }
    RewriteJob job;
    job.inputPath = path;
    job.outputPath = QStringLiteral("/tmp/out/") + QString::fromUtf8(name);
    job.fileModified = QDateTime::currentDateTimeUtc();
    for (const QVariantMap& changes : FuzzChanges::all()) {
        job.changes = changes;
        seeds.add("worker_codec", WorkerProtocol::encode(WorkerProtocol::rewriteRequest(job)));
        seeds.add("plist_xml", toXmlPropertyList(changes));
    }
    seeds.add("worker_codec", WorkerProtocol::encode(WorkerProtocol::outcomeAnswer(
                                  PhotoOutcome::skip(job, QStringLiteral("a reason")))));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tv_fuzz_seeds OUTPUT_FOLDER PHOTO...\n");
        return 2;
    }
    initialiseMetadataLibrary();
    Seeds seeds(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i)
        addPhoto(seeds, QString::fromLocal8Bit(argv[i]));
    return 0;
}
