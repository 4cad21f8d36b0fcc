#include "editing/DateShift.h"

#include "metadata/PropertyKeys.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

using namespace PropertyKeys;

namespace {

// Wall times are moved as they read, in UTC, so that no summer-time change
// of the machine's zone adds or takes an hour.
std::optional<QDateTime> moved(const QDate& date, const QTime& time, qint64 seconds) {
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime result = QDateTime(date, time, QTimeZone::utc()).addSecs(seconds);
    if (!result.isValid() || result.date().year() < 1 || result.date().year() > 9999)
        return std::nullopt;
    return result;
}

QString digits(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// "YYYY:MM:DD HH:MM:SS" (or with dashes, which EXIF readers do not take:
// it is written with colons), anything after the seconds kept.
std::optional<QString> shiftedExifText(const QString& text, qint64 seconds) {
    static const QRegularExpression layout(
        QStringLiteral("^(\\d{4})([:-])(\\d{2})\\2(\\d{2})( )(\\d{2}):(\\d{2}):(\\d{2})(.*)$"));
    const auto m = layout.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const auto when =
        moved(QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt()),
              QTime(m.captured(6).toInt(), m.captured(7).toInt(), m.captured(8).toInt()), seconds);
    if (!when)
        return std::nullopt;
    const QString sep = QStringLiteral(":");
    const QDate d = when->date();
    const QTime t = when->time();
    return digits(d.year(), 4) + sep + digits(d.month(), 2) + sep + digits(d.day(), 2) +
           m.captured(5) + digits(t.hour(), 2) + QLatin1Char(':') + digits(t.minute(), 2) +
           QLatin1Char(':') + digits(t.second(), 2) + m.captured(9);
}

// XMP's "YYYY-MM-DD[THH:MM[:SS[.s]][zone]]"; a date without a time moves
// by whole days.
std::optional<QString> shiftedXmpText(const QString& text, qint64 seconds) {
    static const QRegularExpression layout(QStringLiteral(
        "^(\\d{4})(-?)(\\d{2})\\2(\\d{2})(?:T(\\d{2}):(\\d{2})(?::(\\d{2})(\\.\\d+)?)?"
        "(Z|[+-]\\d{2}:?\\d{2})?)?$"));
    const auto m = layout.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    const bool timed = m.capturedLength(5) > 0;
    const bool withSeconds = m.capturedLength(7) > 0;
    const QTime time = timed ? QTime(m.captured(5).toInt(), m.captured(6).toInt(),
                                     withSeconds ? m.captured(7).toInt() : 0)
                             : QTime(0, 0);
    const auto when = moved(date, time, timed ? seconds : seconds / 86400 * 86400);
    if (!when)
        return std::nullopt;
    const QString sep = m.captured(2);
    const QDate d = when->date();
    QString out = digits(d.year(), 4) + sep + digits(d.month(), 2) + sep + digits(d.day(), 2);
    if (!timed)
        return out;
    const QTime t = when->time();
    out += QLatin1Char('T') + digits(t.hour(), 2) + QLatin1Char(':') + digits(t.minute(), 2);
    if (withSeconds)
        out += QLatin1Char(':') + digits(t.second(), 2) + m.captured(8);
    return out + m.captured(9);
}

// An IPTC date ("YYYY-MM-DD" or "YYYYMMDD") with its time ("HH:MM:SS+hh:mm"
// or "HHMMSS+hhmm"), moved together, each in its own layout.
std::optional<std::pair<QString, QString>> shiftedIptc(const QString& dateText,
                                                       const QString& timeText, qint64 seconds) {
    static const QRegularExpression timeLayout(
        QStringLiteral("^(\\d{2})(:?)(\\d{2})\\2(\\d{2})(.*)$"));
    const auto t = timeLayout.match(timeText.trimmed());
    if (!t.hasMatch()) {
        const auto date = shiftedXmpText(dateText, seconds);
        if (!date)
            return std::nullopt;
        return std::pair{*date, timeText};
    }
    const QString dateOnly = dateText.trimmed();
    const QString time =
        t.captured(1) + QLatin1Char(':') + t.captured(3) + QLatin1Char(':') + t.captured(4);
    const bool dashed = dateOnly.contains(QLatin1Char('-'));
    const QString joined = (dashed ? dateOnly
                                   : dateOnly.left(4) + QLatin1Char('-') + dateOnly.mid(4, 2) +
                                         QLatin1Char('-') + dateOnly.mid(6)) +
                           QLatin1Char('T') + time;
    const auto shifted = shiftedXmpText(joined, seconds);
    if (!shifted || shifted->size() < 19)
        return std::nullopt;
    QString date = shifted->left(10);
    if (!dashed)
        date.remove(QLatin1Char('-'));
    const QString sep = t.captured(2);
    const QString clock =
        shifted->mid(11, 2) + sep + shifted->mid(14, 2) + sep + shifted->mid(17, 2);
    return std::pair{date, clock + t.captured(5)};
}

struct DateHome {
    const QString& set;
    QString key;
    qint64 DateShiftAmounts::*amount;
};

std::optional<QString> shiftedIn(const QString& set, const QString& text, qint64 seconds) {
    return set == XmpSet ? shiftedXmpText(text, seconds) : shiftedExifText(text, seconds);
}

} // namespace

std::optional<QString> shiftedDateText(const QString& text, qint64 seconds) {
    if (const auto exif = shiftedExifText(text, seconds))
        return exif;
    return shiftedXmpText(text, seconds);
}

Result<QVariantMap> shiftedDates(const QVariantMap& dictionary, const DateShiftAmounts& amounts) {
    using R = Result<QVariantMap>;
    const QString outOfRange =
        QStringLiteral("the shifted date would fall outside the years 0001 to 9999");
    const DateHome homes[] = {
        {ExifSet, DateTimeOriginal, &DateShiftAmounts::original},
        {ExifSet, DateTimeDigitized, &DateShiftAmounts::digitized},
        {TiffSet, DateTime, &DateShiftAmounts::modified},
        // The TIFF/EP copy of the original date some RAW files keep in IFD0.
        {TiffSet, DateTimeOriginal, &DateShiftAmounts::original},
        {XmpSet, QStringLiteral("exif:DateTimeOriginal"), &DateShiftAmounts::original},
        {XmpSet, QStringLiteral("photoshop:DateCreated"), &DateShiftAmounts::original},
        {XmpSet, QStringLiteral("exif:DateTimeDigitized"), &DateShiftAmounts::digitized},
        {XmpSet, QStringLiteral("xmp:CreateDate"), &DateShiftAmounts::digitized},
        {XmpSet, QStringLiteral("xmp:ModifyDate"), &DateShiftAmounts::modified},
        {XmpSet, QStringLiteral("tiff:DateTime"), &DateShiftAmounts::modified},
    };
    QVariantMap changes;
    for (const DateHome& home : homes) {
        const QVariantMap set = dictionary.value(home.set).toMap();
        if (!set.contains(home.key))
            continue;
        const QString text = set.value(home.key).toString();
        const auto shifted = shiftedIn(home.set, text, amounts.*home.amount);
        if (!shifted) {
            // A date that does not read is left as it is; one that would
            // leave the calendar stops the photo.
            if (shiftedIn(home.set, text, 0))
                return R::fail(outOfRange);
            continue;
        }
        QVariantMap changed = changes.value(home.set).toMap();
        changed.insert(home.key, *shifted);
        changes.insert(home.set, changed);
    }
    const QVariantMap iptc = dictionary.value(IptcSet).toMap();
    const struct {
        QString date, time;
        qint64 DateShiftAmounts::*amount;
    } iptcDates[] = {
        {QStringLiteral("DateCreated"), QStringLiteral("TimeCreated"), &DateShiftAmounts::original},
        {QStringLiteral("DigitalCreationDate"), QStringLiteral("DigitalCreationTime"),
         &DateShiftAmounts::digitized},
    };
    for (const auto& pair : iptcDates) {
        if (!iptc.contains(pair.date))
            continue;
        const QString date = iptc.value(pair.date).toString();
        const QString time = iptc.value(pair.time).toString();
        const auto shifted = shiftedIptc(date, time, amounts.*pair.amount);
        if (!shifted) {
            if (shiftedIptc(date, time, 0))
                return R::fail(outOfRange);
            continue;
        }
        QVariantMap changed = changes.value(IptcSet).toMap();
        changed.insert(pair.date, shifted->first);
        if (iptc.contains(pair.time))
            changed.insert(pair.time, shifted->second);
        changes.insert(IptcSet, changed);
    }
    // A date written to EXIF is copied to XMP and IPTC where the photo keeps
    // them; a shift moves the copies it has and makes none it lacks.
    const QVariantMap xmp = dictionary.value(XmpSet).toMap();
    const struct {
        const QString& set;
        QString key;
        QStringList xmpCopies, iptcCopies;
    } copies[] = {
        {ExifSet,
         DateTimeOriginal,
         {QStringLiteral("exif:DateTimeOriginal"), QStringLiteral("photoshop:DateCreated")},
         {QStringLiteral("DateCreated"), QStringLiteral("TimeCreated")}},
        {ExifSet,
         DateTimeDigitized,
         {QStringLiteral("xmp:CreateDate")},
         {QStringLiteral("DigitalCreationDate"), QStringLiteral("DigitalCreationTime")}},
        {TiffSet, DateTime, {QStringLiteral("xmp:ModifyDate")}, {}},
    };
    for (const auto& copy : copies) {
        if (!changes.value(copy.set).toMap().contains(copy.key))
            continue;
        const auto keepAbsent = [&](const QString& set, const QStringList& keys,
                                    const QVariantMap& held) {
            QVariantMap changed = changes.value(set).toMap();
            for (const QString& key : keys) {
                if (!held.contains(key) && !changed.contains(key))
                    changed.insert(key, removal());
            }
            if (!changed.isEmpty())
                changes.insert(set, changed);
        };
        if (dictionary.contains(XmpSet))
            keepAbsent(XmpSet, copy.xmpCopies, xmp);
        if (dictionary.contains(IptcSet))
            keepAbsent(IptcSet, copy.iptcCopies, iptc);
    }
    return R::ok(changes);
}
