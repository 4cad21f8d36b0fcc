#include "metadata/PrintConversion.h"
#include "metadata/PrintConversionTable.h"

#include "metadata/DateText.h"
#include "metadata/PropertyTree.h"

#include <QLocale>
#include <QStringList>
#include <QTime>

#include <cmath>
#include <initializer_list>
#include <utility>

namespace PrintConversion {

namespace {

bool isNumber(const QVariant& value, double* number) {
    bool ok = false;
    *number = value.toDouble(&ok);
    return ok && std::isfinite(*number);
}

// One decimal, without a trailing ".0": "2.5", "30".
QString oneDecimal(double value) {
    QString text = QString::number(value, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

QString named(const Names& names, const QVariant& value) {
    // The flash is a set of bits: an unknown combination shows them in hex.
    const bool bits = &names == &flashNames;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
        return stored(value);
    for (const auto& [code, name] : names) {
        if (code == number)
            return QString::fromLatin1(name);
    }
    return bits ? QStringLiteral("Unknown (0x%1)").arg(number, 0, 16)
                : QStringLiteral("Unknown (%1)").arg(number);
}

QString components(const Names& names, const QVariant& value) {
    // A list of one is read as its one value.
    const QVariantList items =
        value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList{value};
    QStringList parts;
    for (const QVariant& item : items)
        parts << named(names, item);
    return parts.join(QStringLiteral(", "));
}

// Exposure biases are set in thirds and halves of a stop.
QString bias(double ev) {
    if (std::fabs(ev) < 1e-6)
        return QStringLiteral("0 EV");
    const QString sign = ev < 0 ? QStringLiteral("-") : QStringLiteral("+");
    const double magnitude = std::fabs(ev);
    for (int denominator : {1, 2, 3}) {
        const double numerator = magnitude * denominator;
        if (std::fabs(numerator - std::round(numerator)) < 0.02) {
            const int n = int(std::round(numerator));
            return denominator == 1
                       ? QStringLiteral("%1%2 EV").arg(sign).arg(n)
                       : QStringLiteral("%1%2/%3 EV").arg(sign).arg(n).arg(denominator);
        }
    }
    return QStringLiteral("%1%2 EV").arg(sign, QString::number(magnitude, 'f', 2));
}

QString degrees(double value, const QString& reference) {
    double magnitude = std::fabs(value);
    int whole = int(magnitude);
    int minutes = int((magnitude - whole) * 60);
    double seconds = ((magnitude - whole) * 60 - minutes) * 60;
    // 59.999 seconds shows as the next minute, not as "60.00".
    if (std::round(seconds * 100) >= 6000) {
        seconds = 0;
        if (++minutes == 60) {
            minutes = 0;
            ++whole;
        }
    }
    const QString text = QStringLiteral("%1° %2' %3\"")
                             .arg(whole)
                             .arg(minutes)
                             .arg(QString::number(seconds, 'f', 2));
    return reference.isEmpty() ? text : text + QLatin1Char(' ') + reference;
}

// Up to two decimals, without trailing zeros: "1.54", "6", "7.11".
QString twoDecimals(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0'))))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString lettered(const Letters& letters, const QVariant& value) {
    const QString code = value.toString().trimmed().toUpper();
    for (const auto& [letter, name] : letters) {
        if (code == QLatin1String(letter))
            return QString::fromLatin1(name);
    }
    return stored(value);
}

QList<double> numbers(const QVariant& value) {
    QList<double> result;
    const QVariantList items =
        value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList{value};
    for (const QVariant& item : items) {
        double number = 0;
        if (!isNumber(item, &number))
            return {};
        result << number;
    }
    return result;
}

// "1.54-6 mm f/1.8-2.4"; a zero is a value the camera did not know.
QString lens(const QVariant& value) {
    const QList<double> n = numbers(value);
    if (n.size() != 4 || n[0] <= 0)
        return stored(value);
    QString text = twoDecimals(n[0]);
    if (n[1] > 0 && std::fabs(n[1] - n[0]) > 1e-6)
        text += QLatin1Char('-') + twoDecimals(n[1]);
    text += QStringLiteral(" mm");
    if (n[2] > 0) {
        text += QStringLiteral(" f/") + QString::number(n[2], 'f', 1);
        if (n[3] > 0 && std::fabs(n[3] - n[2]) > 1e-6)
            text += QLatin1Char('-') + QString::number(n[3], 'f', 1);
    }
    return text;
}

// "0232" as 2.32, "0100" as 1.0.
QString version(const QVariant& value) {
    const QString text = value.toString().trimmed();
    bool major = false;
    bool minor = false;
    const int whole = text.left(2).toInt(&major);
    text.mid(2).toInt(&minor);
    if (text.size() != 4 || !major || !minor)
        return stored(value);
    QString fraction = text.mid(2);
    if (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return QStringLiteral("%1.%2").arg(whole).arg(fraction);
}

// Two 16-bit sides in the photo's byte order, then a colour per cell:
// "[Red,Green][Green,Blue]".
QString pattern(const Names& names, const QVariant& value) {
    const QList<double> n = numbers(value);
    for (const bool little : {true, false}) {
        if (n.size() < 5)
            break;
        const int width = little ? (int(n[0]) | (int(n[1]) << 8)) : (int(n[1]) | (int(n[0]) << 8));
        const int height = little ? (int(n[2]) | (int(n[3]) << 8)) : (int(n[3]) | (int(n[2]) << 8));
        if (width < 1 || height < 1 || width > 16 || height > 16 || width * height != n.size() - 4)
            continue;
        QString text;
        for (int row = 0; row < height; ++row) {
            QStringList cells;
            for (int column = 0; column < width; ++column)
                cells << named(names, int(n[4 + row * width + column]));
            text += QLatin1Char('[') + cells.join(QLatin1Char(',')) + QLatin1Char(']');
        }
        return text;
    }
    return stored(value);
}

QString partnerCode(const Conversion& c, const QVariantMap& setValues, const char* otherwise) {
    const QVariant code = setValues.value(QLatin1String(c.partner));
    return code.isValid() ? code.toString().trimmed().toUpper() : QLatin1String(otherwise);
}

QString convert(const Conversion& c, const QVariant& value, const QVariantMap& setValues) {
    double number = 0;
    switch (c.kind) {
    case Kind::Named:
        return named(*c.names, value);
    case Kind::Components:
        return components(*c.names, value);
    case Kind::DateTime: {
        const auto when =
            DateText::parseInLayout(value.toString().trimmed(), DateText::Layout::Exif);
        return when ? readableDateTime(*when) : stored(value);
    }
    case Kind::Date: {
        const QDate date =
            QDate::fromString(value.toString().trimmed(), QStringLiteral("yyyy:MM:dd"));
        return date.isValid() ? readableDate(date) : stored(value);
    }
    case Kind::Time: {
        const QString text = value.toString().trimmed();
        return QTime::fromString(text.left(8), QStringLiteral("HH:mm:ss")).isValid()
                   ? text + QStringLiteral(" UTC")
                   : stored(value);
    }
    case Kind::Lettered:
        return lettered(*c.letters, value);
    case Kind::Lens:
        return lens(value);
    case Kind::Version:
        return version(value);
    case Kind::Pattern:
        return pattern(*c.names, value);
    case Kind::Area: {
        const QList<double> n = numbers(value);
        const auto whole = [&n](int i) { return QString::number(qint64(n[i])); };
        if (n.size() == 2)
            return whole(0) + QStringLiteral(", ") + whole(1);
        if (n.size() == 3)
            return QStringLiteral("centre %1, %2, diameter %3").arg(whole(0), whole(1), whole(2));
        if (n.size() == 4)
            return QStringLiteral("centre %1, %2, %3 × %4")
                .arg(whole(0), whole(1), whole(2), whole(3));
        return stored(value);
    }
    case Kind::Dotted: {
        QStringList parts;
        for (const double part : numbers(value))
            parts << QString::number(qint64(part));
        return parts.isEmpty() ? stored(value) : parts.join(QLatin1Char('.'));
    }
    default:
        break;
    }
    if (!isNumber(value, &number))
        return stored(value);
    switch (c.kind) {
    case Kind::Exposure:
        return exposureTime(number) + QStringLiteral(" s");
    case Kind::Shutter:
        return exposureTime(std::pow(2.0, -number)) + QStringLiteral(" s");
    case Kind::FNumber:
        return QStringLiteral("f/") + QString::number(number, 'f', 1);
    case Kind::Aperture:
        return QStringLiteral("f/") + QString::number(std::pow(2.0, number / 2), 'f', 1);
    case Kind::Millimetres:
        return QString::number(number, 'f', 1) + QStringLiteral(" mm");
    case Kind::WholeMillimetres:
        return QString::number(qRound64(number)) + QStringLiteral(" mm");
    case Kind::Metres:
        return oneDecimal(number) + QStringLiteral(" m");
    case Kind::Distance:
        // The standard's two marks: 0 for unknown, 0xFFFFFFFF/1 for infinity.
        if (number <= 0)
            return QStringLiteral("Unknown");
        if (number >= 4294967295.0)
            return QStringLiteral("Infinity");
        return twoDecimals(number) + QStringLiteral(" m");
    case Kind::Bias:
        return bias(number);
    case Kind::Apex:
        return twoDecimals(number) + QStringLiteral(" EV");
    case Kind::Direction:
        return twoDecimals(number) + QStringLiteral("°");
    case Kind::Unit:
        return twoDecimals(number) + QString::fromUtf8(c.partner);
    case Kind::Speed:
        // Without a reference the standard's own default: kilometres.
        return twoDecimals(number) + QLatin1Char(' ') +
               lettered(speedLetters, partnerCode(c, setValues, "K"));
    case Kind::GpsDistance: {
        const QString unit = partnerCode(c, setValues, "K");
        return twoDecimals(number) + (unit == QLatin1String("M")   ? QStringLiteral(" mi")
                                      : unit == QLatin1String("N") ? QStringLiteral(" nmi")
                                                                   : QStringLiteral(" km"));
    }
    case Kind::Resolution: {
        // Inches where the unit is not stored, as the standard has it.
        const QString unit = partnerCode(c, setValues, "2");
        return twoDecimals(number) + (unit == QLatin1String("3")   ? QStringLiteral(" per cm")
                                      : unit == QLatin1String("2") ? QStringLiteral(" per inch")
                                                                   : QString());
    }
    case Kind::Latitude:
    case Kind::Longitude: {
        const QString ref = setValues.value(QLatin1String(c.partner)).toString().trimmed();
        return degrees(number, ref);
    }
    default:
        return stored(value);
    }
}

// A number no conversion knows, to the precision a reader can use: the
// stored rational 7.11219820104 as 7.1122. Text and whole numbers stay as stored.
QString rounded(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList parts;
        for (const QVariant& item : value.toList())
            parts << rounded(item);
        return parts.join(QStringLiteral(", "));
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 6);
    return stored(value);
}

} // namespace

QString exposureTime(double seconds) {
    if (seconds > 0 && seconds < 0.25001)
        return QStringLiteral("1/%1").arg(qint64(0.5 + 1 / seconds));
    return oneDecimal(seconds);
}

QString readableDateTime(const QDateTime& when) {
    return QLocale().toString(when, QStringLiteral("d MMM yyyy HH:mm:ss"));
}

QString readableDate(const QDate& date) {
    return QLocale().toString(date, QStringLiteral("d MMM yyyy"));
}

QString stored(const QVariant& value) {
    return displayText(value);
}

QString readable(const QString& set, const QString& key, const QVariant& value,
                 const QVariantMap& setValues) {
    if (const Conversion* c = conversionOf(set, key))
        return convert(*c, value, setValues);
    if (set.isEmpty() || set == QLatin1String("{Exif}") || set == QLatin1String("{TIFF}") ||
        set == QLatin1String("{GPS}"))
        return rounded(value);
    return stored(value);
}

} // namespace PrintConversion
