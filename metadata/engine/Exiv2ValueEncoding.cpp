#include "metadata/engine/Exiv2Values.h"

#include "metadata/PropertyKeys.h"

#include <QRegularExpression>

#include <cmath>
#include <numeric>

namespace Exiv2Values {
namespace {

using namespace detail;

// The closest fraction with both terms within 32-bit signed range: a value
// read from a rational as a decimal number comes back as that rational
// (0.0133333 as 1/75, not 13333/1000000). Nothing for a number no such
// fraction holds.
std::optional<std::string> rationalText(double x) {
    const bool negative = x < 0;
    const double magnitude = std::fabs(x);
    constexpr double limit = 2147483647.0;
    if (!std::isfinite(x) || magnitude >= limit)
        return std::nullopt;
    // Continued fractions: each convergent is the best approximation of its size.
    double rest = magnitude;
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    for (int i = 0; i < 64; ++i) {
        const double whole = std::floor(rest);
        const double p2 = whole * double(p1) + double(p0);
        const double q2 = whole * double(q1) + double(q0);
        if (p2 > limit || q2 > limit)
            break;
        p0 = p1;
        q0 = q1;
        p1 = static_cast<long long>(p2);
        q1 = static_cast<long long>(q2);
        const double fraction = rest - whole;
        if (std::fabs(double(p1) / double(q1) - magnitude) <= 1e-12 * std::max(magnitude, 1e-300) ||
            fraction < 1e-15)
            break;
        rest = 1.0 / fraction;
    }
    if (q1 == 0) {
        p1 = 0;
        q1 = 1;
    }
    return (negative && p1 != 0 ? "-" : "") + std::to_string(p1) + "/" + std::to_string(q1);
}

std::string degreesText(double degrees) {
    double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    double minutes = std::floor((magnitude - whole) * 60.0);
    double seconds = std::round(((magnitude - whole) * 60.0 - minutes) * 60.0 * 10000.0) / 10000.0;
    if (seconds >= 60.0) {
        seconds -= 60.0;
        minutes += 1;
    }
    if (minutes >= 60.0) {
        minutes -= 60.0;
        whole += 1;
    }
    return *rationalText(whole) + " " + *rationalText(minutes) + " " +
           std::to_string(std::llround(seconds * 10000.0)) + "/10000";
}

QVariantList components(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList)
        return value.toList();
    if (value.typeId() == QMetaType::QStringList) {
        QVariantList items;
        for (const QString& s : value.toStringList())
            items << s;
        return items;
    }
    if (value.typeId() == QMetaType::QString) {
        QVariantList items;
        static const QRegularExpression separators(QStringLiteral("[\\s:,]+"));
        for (const QString& s : value.toString().split(separators, Qt::SkipEmptyParts))
            items << s;
        return items;
    }
    return {value};
}

using ValuePtr = std::shared_ptr<Exiv2::Value>;

Result<ValuePtr> readValue(Exiv2::TypeId type, const std::string& text, const QString& name) {
    ValuePtr value(Exiv2Owned::createValue(type).release());
    if (value->read(text) != 0)
        return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: bad value").arg(name));
    return Result<ValuePtr>::ok(value);
}

Result<ValuePtr> numbersValue(Exiv2::TypeId type, const QVariantList& items, const QString& name,
                              bool rational) {
    std::string text;
    for (const QVariant& item : items) {
        const auto x = number(item);
        if (!x)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: \"%2\" is not a number")
                                              .arg(name, item.toString()));
        const auto fraction = rational ? rationalText(*x) : std::nullopt;
        if (!std::isfinite(*x) || (rational && !fraction))
            return Result<ValuePtr>::fail(
                QStringLiteral("cannot write %1: %2 does not fit").arg(name, item.toString()));
        if (!text.empty())
            text += ' ';
        text += rational ? *fraction : std::to_string(std::llround(*x));
    }
    if (text.empty())
        return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: no value").arg(name));
    return readValue(type, text, name);
}

} // namespace

Result<ValuePtr> exifValue(const Exiv2::ExifKey& key, Exiv2::TypeId type, const QString& set,
                           const QString& name, const QVariant& value) {
    const std::string group = key.groupName();
    const uint16_t tag = key.tag();
    if (isCommentTag(group, tag)) {
        const QString text = value.toString();
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        return readValue(Exiv2::comment,
                         (ascii ? "charset=Ascii " : "charset=Unicode ") + text.toStdString(),
                         name);
    }
    if (isWindowsXpTag(group, tag)) {
        const QString text = value.toString();
        std::string bytes;
        for (QChar c : text)
            bytes +=
                std::to_string(c.unicode() & 0xff) + ' ' + std::to_string(c.unicode() >> 8) + ' ';
        return readValue(Exiv2::unsignedByte, bytes + "0 0", name);
    }
    if (set == PropertyKeys::GpsSet && name == PropertyKeys::GPSVersion) {
        QVariantList parts = value.typeId() == QMetaType::QString
                                 ? components(value.toString().replace(QLatin1Char('.'), ' '))
                                 : components(value);
        if (parts.size() != 4)
            return Result<ValuePtr>::fail(
                QStringLiteral("cannot write GPSVersion: \"%1\" is not four numbers")
                    .arg(value.toString()));
        return numbersValue(Exiv2::unsignedByte, parts, name, false);
    }
    if (isDegreesTag(set, name)) {
        const auto degrees = number(value);
        if (!degrees)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: \"%2\" is not a number")
                                              .arg(name, value.toString()));
        if (!std::isfinite(*degrees) || std::fabs(*degrees) > 180)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: %2 is not a position")
                                              .arg(name, value.toString()));
        return readValue(Exiv2::unsignedRational, degreesText(*degrees), name);
    }
    if (set == PropertyKeys::GpsSet && name == PropertyKeys::TimeStamp) {
        const QVariantList parts = components(value);
        if (parts.size() != 3)
            return Result<ValuePtr>::fail(
                QStringLiteral("cannot write TimeStamp: \"%1\" is not HH:MM:SS")
                    .arg(value.toString()));
        return numbersValue(Exiv2::unsignedRational, parts, name, true);
    }
    switch (type) {
    case Exiv2::asciiString:
    case Exiv2::string:
        if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: not a text").arg(name));
        return readValue(Exiv2::asciiString, value.toString().toStdString(), name);
    case Exiv2::unsignedRational:
    case Exiv2::signedRational:
        return numbersValue(type, components(value), name, true);
    case Exiv2::undefined:
        if (value.typeId() == QMetaType::QString) {
            // The library's reader fails on a separator after the last byte.
            std::string bytes;
            for (char c : value.toString().toLatin1())
                bytes += (bytes.empty() ? "" : " ") + std::to_string(quint8(c));
            if (bytes.empty())
                return Result<ValuePtr>::fail(
                    QStringLiteral("cannot write %1: no value").arg(name));
            return readValue(type, bytes, name);
        }
        return numbersValue(type, components(value), name, false);
    case Exiv2::unsignedByte:
    case Exiv2::signedByte:
    case Exiv2::unsignedShort:
    case Exiv2::signedShort:
    case Exiv2::unsignedLong:
    case Exiv2::signedLong:
        return numbersValue(type, components(value), name, false);
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble: {
        std::string text;
        for (const QVariant& item : components(value)) {
            const auto x = number(item);
            if (!x)
                return Result<ValuePtr>::fail(
                    QStringLiteral("cannot write %1: not a number").arg(name));
            text += std::to_string(*x) + ' ';
        }
        return readValue(type, text, name);
    }
    default:
        return Result<ValuePtr>::fail(
            QStringLiteral("cannot write %1: unsupported type").arg(name));
    }
}

} // namespace Exiv2Values
