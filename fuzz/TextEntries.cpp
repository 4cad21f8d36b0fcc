#include "editing/GpsTrack.h"
#include "fuzz/FuzzEntries.h"
#include "metadata/DateText.h"
#include "metadata/WorkerProtocol.h"
#include "sources/DeviceFileName.h"
#include "templates/PropertyListCodec.h"
#include "templates/PropertyListReaders.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace FuzzEntries {

void plistXml(const QByteArray& input) {
    const auto value = readXmlPropertyList(input);
    if (value && value->typeId() == QMetaType::QVariantMap)
        (void)toXmlPropertyList(value->toMap());
}

void plistBinary(const QByteArray& input) {
    const auto value = readBinaryPropertyList(input);
    if (value && value->typeId() == QMetaType::QVariantMap)
        (void)toXmlPropertyList(value->toMap());
}

void workerCodec(const QByteArray& input) {
    const auto message = WorkerProtocol::decode(input);
    if (!message)
        return;
    // What the worker and the window make of a message.
    (void)WorkerProtocol::pathOf(*message);
    (void)WorkerProtocol::propertiesOf(*message);
    (void)WorkerProtocol::previewOf(*message);
    (void)WorkerProtocol::outcomeOf(*message, WorkerProtocol::jobOf(*message));
    // A message passed on is the same message.
    const QByteArray once = WorkerProtocol::encode(*message);
    const auto again = WorkerProtocol::decode(once);
    if (!again)
        fail(QStringLiteral("an encoded message does not decode: %1").arg(once.toHex()));
    if (WorkerProtocol::encode(*again) != once)
        fail(QStringLiteral("a message changes when it is sent again: %1").arg(once.toHex()));
}

void dateText(const QByteArray& input) {
    const QString text = QString::fromUtf8(input);
    (void)DateText::parseInLayout(text, DateText::Layout::Exif);
    (void)DateText::shorten(text);
    const auto when = DateText::parse(text);
    if (!when)
        return;
    // A date read and written names the same instant when read again, in
    // either layout.
    const QString written = DateText::timePointText(*when);
    const auto again = DateText::parse(written);
    const auto exif = DateText::parse(DateText::normalise(written));
    if (!again || !exif || *again != *when || *exif != *when)
        fail(QStringLiteral("\"%1\" is written as \"%2\", which reads as another time")
                 .arg(text, written));
}

void deviceFileName(const QByteArray& input) {
    const QString name = safeDeviceFileName(input);
    const auto broken = [&](const char* why) {
        fail(QStringLiteral("%1: \"%2\" from %3").arg(QLatin1String(why), name, input.toHex()));
    };
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        broken("not one file name");
    if (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        broken("a hidden name or an option");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Format ||
            c.isSurrogate())
            broken("a control or invisible character");
    }
    if (name.toUtf8().size() > 200)
        broken("longer than a file name may be");
    if (!pathInsideFolder(QDir::tempPath(), name) ||
        !pathInsideFolder(QDir::tempPath(), numberedFileName(name, 2)))
        broken("refused as a file name");
}

void trackLog(const QByteArray& input) {
    const auto log = parseTrackLog(input, QStringLiteral("fuzz.log"));
    if (!log)
        return;
    const auto inRange = [](double latitude, double longitude, double altitude) {
        return std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180 && !std::isinf(altitude);
    };
    for (const TrackSegment& segment : log->segments) {
        for (const TrackPoint& point : segment) {
            if (!inRange(point.latitude, point.longitude, point.altitude))
                fail(QStringLiteral("a point out of range"));
        }
    }
    // The merged track, each segment in time order, and where it puts the
    // instants of its ends, between them and past them.
    const GpsTrack track({log.value()});
    for (const TrackSegment& segment : track.segments()) {
        if (!std::is_sorted(
                segment.cbegin(), segment.cend(),
                [](const TrackPoint& a, const TrackPoint& b) { return a.msecs < b.msecs; }))
            fail(QStringLiteral("a segment out of time order"));
    }
    if (track.isEmpty())
        return;
    const qint64 first = track.firstMsecs(), last = track.lastMsecs();
    for (const qint64 at : {first, last, first / 2 + last / 2, last + 1000}) {
        const TrackFix fix = track.locate(at, TrackLimits{});
        if (fix.found() && !inRange(fix.latitude, fix.longitude, fix.altitude.value_or(0)))
            fail(QStringLiteral("a position out of range at %1").arg(at));
        if (!(fix.speedKmh.value_or(0) >= 0 && std::isfinite(fix.speedKmh.value_or(0))) ||
            !(fix.trackDegrees.value_or(0) >= 0 && fix.trackDegrees.value_or(0) < 360))
            fail(QStringLiteral("a speed or direction out of range at %1").arg(at));
    }
}

} // namespace FuzzEntries
