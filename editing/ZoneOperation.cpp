#include "editing/ZoneOperation.h"

#include "editing/DateShift.h"
#include "editing/PhotoClock.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

#include <QHash>
#include <QRegularExpression>

using namespace PropertyKeys;

namespace {

enum Kind { Original, Digitized, Modified };

struct ExifDate {
    const QString& set;
    QString key, offset;
};

const ExifDate exifDates[] = {
    {ExifSet, DateTimeOriginal, QStringLiteral("OffsetTimeOriginal")},
    {ExifSet, DateTimeDigitized, QStringLiteral("OffsetTimeDigitized")},
    {TiffSet, DateTime, QStringLiteral("OffsetTime")},
};

// The copies of each kind of date, whose zone follows the EXIF offset.
const struct {
    QString key;
    Kind kind;
} xmpCopies[] = {
    {QStringLiteral("exif:DateTimeOriginal"), Original},
    {QStringLiteral("photoshop:DateCreated"), Original},
    {QStringLiteral("exif:DateTimeDigitized"), Digitized},
    {QStringLiteral("xmp:CreateDate"), Digitized},
    {QStringLiteral("xmp:ModifyDate"), Modified},
    {QStringLiteral("tiff:DateTime"), Modified},
};

std::optional<QDateTime> wallOf(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDateTime wall(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                         QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()),
                         QTimeZone::utc());
    if (!wall.isValid())
        return std::nullopt;
    return wall;
}

std::optional<int> offsetSeconds(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([+-])(\\d{2}):?(\\d{2})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int seconds = m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60;
    return m.captured(1) == QLatin1String("-") ? -seconds : seconds;
}

// An XMP date with a time given the offset; a date alone has no zone.
std::optional<QString> rezonedXmp(const QString& text, const QString& offset) {
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?)(Z|[+-]\\d{2}:\\d{2})?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1) + offset;
}

// An IPTC time "HH:MM:SS+hh:mm" or "HHMMSS+hhmm" with the offset in its layout.
std::optional<QString> rezonedIptcTime(const QString& text, const QString& offset) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{2}(:?)\\d{2}\\2\\d{2})([+-]\\d{2}:?\\d{2})?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QString zone = offset;
    if (m.captured(2).isEmpty())
        zone.remove(QLatin1Char(':'));
    return m.captured(1) + zone;
}

void insertIn(QVariantMap& changes, const QString& set, const QString& key, const QVariant& value) {
    QVariantMap values = changes.value(set).toMap();
    values.insert(key, value);
    changes.insert(set, values);
}

// Drops the values the photo already has, and the sets left empty.
QVariantMap withoutUnchanged(const QVariantMap& changes, const QVariantMap& dictionary) {
    QVariantMap out;
    for (auto set = changes.cbegin(); set != changes.cend(); ++set) {
        const QVariantMap now = dictionary.value(set.key()).toMap();
        QVariantMap values = set.value().toMap();
        for (auto it = values.begin(); it != values.end();) {
            if (now.contains(it.key()) && PropertyValues::same(now.value(it.key()), it.value()))
                it = values.erase(it);
            else
                ++it;
        }
        if (!values.isEmpty())
            out.insert(set.key(), values);
    }
    return out;
}

// A zone is made from the system's tz data each time it is named: each
// batch thread keeps those it has made, as neighbouring photos share one.
QTimeZone zoneNamed(const QString& name) {
    thread_local QHash<QString, QTimeZone> made;
    auto it = made.constFind(name);
    if (it == made.constEnd())
        it = made.insert(name, QTimeZone(name.toUtf8()));
    return *it;
}

PhotoChanges zoneChanges(const ZoneSettings& settings, const QVariantMap& dictionary) {
    PhotoChanges out;
    std::optional<QDateTime> walls[3];
    QString ownOffsets[3];
    for (int kind = Original; kind <= Modified; ++kind) {
        const ExifDate& date = exifDates[kind];
        walls[kind] = wallOf(dictionary.value(date.set).toMap().value(date.key).toString());
        ownOffsets[kind] = dictionary.value(ExifSet).toMap().value(date.offset).toString();
    }
    const int own = walls[Original] ? Original : walls[Digitized] ? Digitized : Modified;
    if (!walls[own]) {
        out.skipReason = QStringLiteral("no date");
        return out;
    }
    QTimeZone zone;
    if (settings.gazetteer) {
        // The position alone, as the summary reads it: the rest of the
        // summary would cost more than the zone.
        const QVariantMap gps = dictionary.value(GpsSet).toMap();
        if (!gps.contains(Latitude) || !gps.contains(Longitude)) {
            out.skipReason = QStringLiteral("no GPS position");
            return out;
        }
        const QString name = settings.gazetteer->zoneAt(signedLatitude(gps), signedLongitude(gps));
        zone = zoneNamed(name);
        if (!zone.isValid()) {
            out.skipReason = QStringLiteral("the zone %1 is not known to this system").arg(name);
            return out;
        }
        out.details.append({QStringLiteral("zone"), name});
    } else if (settings.zone) {
        zone = *settings.zone;
    }

    // Each kind of date takes the offset of its own wall time, before and after.
    DateShiftAmounts amounts;
    QString offsets[3];
    for (int kind = Original; kind <= Modified; ++kind) {
        const int from = walls[kind] ? kind : own;
        const QDateTime wall = *walls[from];
        if (settings.clock == ZoneClock::KeepWallTime) {
            offsets[kind] = offsetText(offsetForWallTime(wall, zone));
            continue;
        }
        std::optional<int> source;
        if (settings.fromZone)
            source = offsetForWallTime(wall, *settings.fromZone);
        else
            source =
                offsetSeconds(ownOffsets[from].isEmpty() ? ownOffsets[Original] : ownOffsets[from]);
        if (!source) {
            out.skipReason = QStringLiteral("the photo names no zone of its own: give --from-zone");
            return out;
        }
        const QDateTime instant = wall.addSecs(-*source);
        const int target = zone.offsetFromUtc(instant);
        offsets[kind] = offsetText(target);
        (kind == Original    ? amounts.original
         : kind == Digitized ? amounts.digitized
                             : amounts.modified) = target - *source;
    }
    // Unmoved (the wall time kept, or a shift of nothing) the copies stay
    // as they are and only take their new zone.
    QVariantMap changes;
    if (amounts.original || amounts.digitized || amounts.modified) {
        auto shifted = shiftedDates(dictionary, amounts);
        if (!shifted) {
            out.skipReason = shifted.error();
            return out;
        }
        changes = std::move(shifted).value();
    }
    for (int kind = Original; kind <= Modified; ++kind) {
        if (walls[kind])
            insertIn(changes, ExifSet, exifDates[kind].offset, offsets[kind]);
    }
    // The offsets came with EXIF 2.31: an older version would call them unknown.
    const QString version =
        dictionary.value(ExifSet).toMap().value(QStringLiteral("ExifVersion")).toString();
    if (version.size() == 4 && version < QLatin1String("0231"))
        insertIn(changes, ExifSet, QStringLiteral("ExifVersion"), QStringLiteral("0231"));
    const QVariantMap xmp = dictionary.value(XmpSet).toMap();
    QVariantMap xmpChanges = changes.value(XmpSet).toMap();
    for (const auto& copy : xmpCopies) {
        const QString text = xmpChanges.value(copy.key, xmp.value(copy.key)).toString();
        if (const auto rezoned = rezonedXmp(text, offsets[copy.kind]))
            xmpChanges.insert(copy.key, *rezoned);
    }
    if (!xmpChanges.isEmpty())
        changes.insert(XmpSet, xmpChanges);
    const QVariantMap iptc = dictionary.value(IptcSet).toMap();
    QVariantMap iptcChanges = changes.value(IptcSet).toMap();
    for (const auto& [key, kind] : {std::pair{QStringLiteral("TimeCreated"), Original},
                                    std::pair{QStringLiteral("DigitalCreationTime"), Digitized}}) {
        const QString text = iptcChanges.value(key, iptc.value(key)).toString();
        if (const auto rezoned = rezonedIptcTime(text, offsets[kind]))
            iptcChanges.insert(key, *rezoned);
    }
    if (!iptcChanges.isEmpty())
        changes.insert(IptcSet, iptcChanges);
    out.changes = withoutUnchanged(changes, dictionary);
    out.details.append({QStringLiteral("offset"), offsets[own]});
    return out;
}

} // namespace

int offsetForWallTime(const QDateTime& wall, const QTimeZone& zone) {
    // The wall time read as UTC, less each offset in force a day around it:
    // the first that gives back its own offset is the one.
    const QDateTime asUtc(wall.date(), wall.time(), QTimeZone::utc());
    const int before = zone.offsetFromUtc(asUtc.addDays(-1));
    const int after = zone.offsetFromUtc(asUtc.addDays(1));
    for (const int offset : {before, after}) {
        if (zone.offsetFromUtc(asUtc.addSecs(-offset)) == offset)
            return offset;
    }
    return before;
}

PlannedRewrite zonePlan(const ZoneSettings& settings) {
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;
    plan.changesFor = [settings](const QVariantMap& dictionary) {
        return zoneChanges(settings, dictionary);
    };
    return plan;
}

OperationReport runZone(const ZoneSettings& settings, const std::vector<SelectedPhoto>& photos,
                        const QString& storage, MetadataService& service,
                        const BatchOptions& options) {
    return runPlanned(zonePlan(settings), photos, storage, service, options);
}

std::vector<PhotoChangePreview> previewZone(const ZoneSettings& settings,
                                            const std::vector<SelectedPhoto>& photos,
                                            const QString& storage, MetadataService& service) {
    return previewPlanned(zonePlan(settings), photos, storage, service);
}
