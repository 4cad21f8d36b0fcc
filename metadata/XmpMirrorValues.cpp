#include "metadata/XmpMirrorValues.h"

#include "metadata/PropertyValues.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace XmpMirrorValues {

namespace {

bool isList(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

QString numberText(double value) {
    return QString::number(value, 'g', 15);
}

// The parts of a wall time, in the EXIF or the dashed layout.
std::optional<QStringList> wallParts(const QString& wall) {
    static const QRegularExpression layout(
        QStringLiteral("^(\\d{4})[:-](\\d{2})[:-](\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch match = layout.match(wall.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    return match.capturedTexts().mid(1);
}

} // namespace

QString text(const QVariant& value) {
    if (isList(value)) {
        QStringList items;
        for (const QVariant& item : value.toList())
            items << text(item);
        return items.join(QStringLiteral("; "));
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return numberText(value.toDouble());
    return value.toString();
}

QVariantList list(const QVariant& value, bool splitText) {
    QVariantList items;
    if (isList(value)) {
        for (const QVariant& item : value.toList())
            items << text(item);
        return items;
    }
    const QString whole = text(value);
    if (!splitText) {
        items << whole;
        return items;
    }
    for (const QString& part : whole.split(QLatin1Char(';'))) {
        if (!part.trimmed().isEmpty())
            items << part.trimmed();
    }
    return items;
}

QVariant single(const QVariantList& items) {
    return items.size() == 1 ? items.first() : QVariant(items);
}

QString iptcText(const QString& dataset, const QString& text) {
    static const QHash<QString, int> limits = {{QStringLiteral("By-line"), 32},
                                               {QStringLiteral("CopyrightNotice"), 128},
                                               {QStringLiteral("Caption/Abstract"), 2000}};
    const int limit = limits.value(dataset, 0);
    QString cut = text;
    while (limit > 0 && cut.toUtf8().size() > limit)
        cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
    return cut;
}

std::optional<QString> xmpDate(const QString& wall, const QString& offset) {
    const auto parts = wallParts(wall);
    if (!parts)
        return std::nullopt;
    return QStringLiteral("%1-%2-%3T%4:%5:%6")
               .arg((*parts)[0], (*parts)[1], (*parts)[2], (*parts)[3], (*parts)[4], (*parts)[5]) +
           offset;
}

std::optional<std::pair<QString, QString>> iptcDateTime(const QString& wall,
                                                        const QString& offset) {
    const auto parts = wallParts(wall);
    if (!parts)
        return std::nullopt;
    return std::pair{QStringLiteral("%1-%2-%3").arg((*parts)[0], (*parts)[1], (*parts)[2]),
                     QStringLiteral("%1:%2:%3").arg((*parts)[3], (*parts)[4], (*parts)[5]) +
                         (offset.isEmpty() ? QStringLiteral("+00:00") : offset)};
}

std::optional<QString> xmpDateOfIptc(const QString& date, const QString& time) {
    static const QRegularExpression dateLayout(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})$"));
    static const QRegularExpression timeLayout(
        QStringLiteral("^(\\d{2}):?(\\d{2}):?(\\d{2})([+-]\\d{2}:?\\d{2})?$"));
    const QRegularExpressionMatch d = dateLayout.match(date.trimmed());
    if (!d.hasMatch())
        return std::nullopt;
    const QString day = QStringLiteral("%1-%2-%3").arg(d.captured(1), d.captured(2), d.captured(3));
    const QRegularExpressionMatch t = timeLayout.match(time.trimmed());
    if (!t.hasMatch())
        return day;
    QString zone = t.captured(4);
    if (zone.size() == 5)
        zone.insert(3, QLatin1Char(':'));
    return day + QStringLiteral("T%1:%2:%3").arg(t.captured(1), t.captured(2), t.captured(3)) +
           zone;
}

QString offsetOf(const QString& text) {
    static const QRegularExpression zone(QStringLiteral("(Z|[+-]\\d{2}:\\d{2})$"));
    const QRegularExpressionMatch match = zone.match(text.trimmed());
    if (!match.hasMatch() || text.trimmed().size() < 14)
        return QString();
    return match.captured(1);
}

QString coordinate(double degrees, const QString& reference) {
    const double magnitude = std::fabs(degrees);
    const int whole = int(std::floor(magnitude));
    QString minutes = QString::number((magnitude - whole) * 60.0, 'f', 6);
    while (minutes.endsWith(QLatin1Char('0')))
        minutes.chop(1);
    if (minutes.endsWith(QLatin1Char('.')))
        minutes.chop(1);
    return QStringLiteral("%1,%2%3").arg(whole).arg(minutes, reference);
}

QString rational(double value) {
    qint64 denominator = 1;
    while (denominator < 1000000 &&
           std::fabs(value * double(denominator) - std::round(value * double(denominator))) > 1e-9)
        denominator *= 10;
    return QStringLiteral("%1/%2")
        .arg(qint64(std::llround(value * double(denominator))))
        .arg(denominator);
}

std::optional<QString> gpsTimeStamp(const QString& date, const QString& time) {
    static const QRegularExpression dateLayout(
        QStringLiteral("^(\\d{4})[:-](\\d{2})[:-](\\d{2})$"));
    static const QRegularExpression timeLayout(
        QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2}(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch d = dateLayout.match(date.trimmed());
    const QRegularExpressionMatch t = timeLayout.match(time.trimmed());
    if (!d.hasMatch() || !t.hasMatch())
        return std::nullopt;
    return QStringLiteral("%1-%2-%3T%4:%5:%6Z")
        .arg(d.captured(1), d.captured(2), d.captured(3), t.captured(1), t.captured(2),
             t.captured(3));
}

} // namespace XmpMirrorValues
