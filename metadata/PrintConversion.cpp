#include "metadata/PrintConversion.h"

#include "metadata/DateText.h"
#include "metadata/PropertyTree.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <initializer_list>
#include <utility>

namespace PrintConversion {

namespace {

using Names = std::initializer_list<std::pair<int, const char*>>;

// The EXIF standard's names of enumerated values, worded as the common
// readers word them, so that the window agrees with what users see elsewhere.
const Names flashNames = {
    {0x00, "No Flash"},
    {0x01, "Fired"},
    {0x05, "Fired, Return not detected"},
    {0x07, "Fired, Return detected"},
    {0x08, "On, Did not fire"},
    {0x09, "On, Fired"},
    {0x0d, "On, Return not detected"},
    {0x0f, "On, Return detected"},
    {0x10, "Off, Did not fire"},
    {0x14, "Off, Did not fire, Return not detected"},
    {0x18, "Auto, Did not fire"},
    {0x19, "Auto, Fired"},
    {0x1d, "Auto, Fired, Return not detected"},
    {0x1f, "Auto, Fired, Return detected"},
    {0x20, "No flash function"},
    {0x30, "Off, No flash function"},
    {0x41, "Fired, Red-eye reduction"},
    {0x45, "Fired, Red-eye reduction, Return not detected"},
    {0x47, "Fired, Red-eye reduction, Return detected"},
    {0x49, "On, Red-eye reduction"},
    {0x4d, "On, Red-eye reduction, Return not detected"},
    {0x4f, "On, Red-eye reduction, Return detected"},
    {0x50, "Off, Red-eye reduction"},
    {0x58, "Auto, Did not fire, Red-eye reduction"},
    {0x59, "Auto, Fired, Red-eye reduction"},
    {0x5d, "Auto, Fired, Red-eye reduction, Return not detected"},
    {0x5f, "Auto, Fired, Red-eye reduction, Return detected"},
};
const Names meteringNames = {{0, "Unknown"}, {1, "Average"},    {2, "Center-weighted average"},
                             {3, "Spot"},    {4, "Multi-spot"}, {5, "Multi-segment"},
                             {6, "Partial"}, {255, "Other"}};
const Names programNames = {{0, "Not Defined"},
                            {1, "Manual"},
                            {2, "Program AE"},
                            {3, "Aperture-priority AE"},
                            {4, "Shutter speed priority AE"},
                            {5, "Creative (Slow speed)"},
                            {6, "Action (High speed)"},
                            {7, "Portrait"},
                            {8, "Landscape"},
                            {9, "Bulb"}};
const Names lightNames = {{0, "Unknown"},
                          {1, "Daylight"},
                          {2, "Fluorescent"},
                          {3, "Tungsten (Incandescent)"},
                          {4, "Flash"},
                          {9, "Fine Weather"},
                          {10, "Cloudy"},
                          {11, "Shade"},
                          {12, "Daylight Fluorescent"},
                          {13, "Day White Fluorescent"},
                          {14, "Cool White Fluorescent"},
                          {15, "White Fluorescent"},
                          {16, "Warm White Fluorescent"},
                          {17, "Standard Light A"},
                          {18, "Standard Light B"},
                          {19, "Standard Light C"},
                          {20, "D55"},
                          {21, "D65"},
                          {22, "D75"},
                          {23, "D50"},
                          {24, "ISO Studio Tungsten"},
                          {255, "Other"}};
const Names orientationNames = {{1, "Horizontal (normal)"},
                                {2, "Mirror horizontal"},
                                {3, "Rotate 180"},
                                {4, "Mirror vertical"},
                                {5, "Mirror horizontal and rotate 270 CW"},
                                {6, "Rotate 90 CW"},
                                {7, "Mirror horizontal and rotate 90 CW"},
                                {8, "Rotate 270 CW"}};
const Names colorSpaceNames = {{1, "sRGB"}, {2, "Adobe RGB"}, {0xffff, "Uncalibrated"}};
const Names resolutionUnitNames = {{1, "None"}, {2, "inches"}, {3, "cm"}};
const Names positioningNames = {{1, "Centered"}, {2, "Co-sited"}};
const Names sensingNames = {{1, "Not defined"},
                            {2, "One-chip color area"},
                            {3, "Two-chip color area"},
                            {4, "Three-chip color area"},
                            {5, "Color sequential area"},
                            {7, "Trilinear"},
                            {8, "Color sequential linear"}};
const Names fileSourceNames = {
    {1, "Film Scanner"}, {2, "Reflection Print Scanner"}, {3, "Digital Camera"}};
const Names sceneTypeNames = {{1, "Directly photographed"}};
const Names renderedNames = {{0, "Normal"}, {1, "Custom"}};
const Names exposureModeNames = {{0, "Auto"}, {1, "Manual"}, {2, "Auto bracket"}};
const Names whiteBalanceNames = {{0, "Auto"}, {1, "Manual"}};
const Names sceneCaptureNames = {{0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "Night"}};
const Names gainNames = {{0, "None"},
                         {1, "Low gain up"},
                         {2, "High gain up"},
                         {3, "Low gain down"},
                         {4, "High gain down"}};
const Names lowHighNames = {{0, "Normal"}, {1, "Low"}, {2, "High"}};
const Names sharpnessNames = {{0, "Normal"}, {1, "Soft"}, {2, "Hard"}};
const Names distanceRangeNames = {{0, "Unknown"}, {1, "Macro"}, {2, "Close"}, {3, "Distant"}};
const Names componentNames = {{0, "-"}, {1, "Y"}, {2, "Cb"}, {3, "Cr"},
                              {4, "R"}, {5, "G"}, {6, "B"}};
const Names altitudeRefNames = {{0, "Above Sea Level"}, {1, "Below Sea Level"}};

enum class Kind {
    Named,      // an enumerated value
    Components, // a list of enumerated values
    Exposure,   // seconds
    Shutter,    // APEX time value
    FNumber,
    Aperture, // APEX aperture value
    Millimetres,
    WholeMillimetres,
    Metres,
    Bias,     // exposure bias in EV
    DateTime, // "yyyy:MM:dd HH:mm:ss"
    Date,     // "yyyy:MM:dd"
    Latitude,
    Longitude,
    Reference, // "N", "S", "E", "W"
};

struct Conversion {
    const char* set;
    const char* key;
    Kind kind;
    const Names* names = nullptr;
};

const Conversion table[] = {
    {"", "Orientation", Kind::Named, &orientationNames},
    {"{TIFF}", "Orientation", Kind::Named, &orientationNames},
    {"{TIFF}", "ResolutionUnit", Kind::Named, &resolutionUnitNames},
    {"{TIFF}", "YCbCrPositioning", Kind::Named, &positioningNames},
    {"{TIFF}", "DateTime", Kind::DateTime},
    {"{Exif}", "ExposureTime", Kind::Exposure},
    {"{Exif}", "ShutterSpeedValue", Kind::Shutter},
    {"{Exif}", "FNumber", Kind::FNumber},
    {"{Exif}", "ApertureValue", Kind::Aperture},
    {"{Exif}", "MaxApertureValue", Kind::Aperture},
    {"{Exif}", "ExposureProgram", Kind::Named, &programNames},
    {"{Exif}", "ExposureBiasValue", Kind::Bias},
    {"{Exif}", "MeteringMode", Kind::Named, &meteringNames},
    {"{Exif}", "LightSource", Kind::Named, &lightNames},
    {"{Exif}", "Flash", Kind::Named, &flashNames},
    {"{Exif}", "FocalLength", Kind::Millimetres},
    {"{Exif}", "FocalLengthIn35mmFilm", Kind::WholeMillimetres},
    {"{Exif}", "SubjectDistance", Kind::Metres},
    {"{Exif}", "ColorSpace", Kind::Named, &colorSpaceNames},
    {"{Exif}", "ComponentsConfiguration", Kind::Components, &componentNames},
    {"{Exif}", "SensingMethod", Kind::Named, &sensingNames},
    {"{Exif}", "FileSource", Kind::Named, &fileSourceNames},
    {"{Exif}", "SceneType", Kind::Named, &sceneTypeNames},
    {"{Exif}", "CustomRendered", Kind::Named, &renderedNames},
    {"{Exif}", "ExposureMode", Kind::Named, &exposureModeNames},
    {"{Exif}", "WhiteBalance", Kind::Named, &whiteBalanceNames},
    {"{Exif}", "SceneCaptureType", Kind::Named, &sceneCaptureNames},
    {"{Exif}", "GainControl", Kind::Named, &gainNames},
    {"{Exif}", "Contrast", Kind::Named, &lowHighNames},
    {"{Exif}", "Saturation", Kind::Named, &lowHighNames},
    {"{Exif}", "Sharpness", Kind::Named, &sharpnessNames},
    {"{Exif}", "SubjectDistanceRange", Kind::Named, &distanceRangeNames},
    {"{Exif}", "DateTimeOriginal", Kind::DateTime},
    {"{Exif}", "DateTimeDigitized", Kind::DateTime},
    {"{GPS}", "Latitude", Kind::Latitude},
    {"{GPS}", "Longitude", Kind::Longitude},
    {"{GPS}", "LatitudeRef", Kind::Reference},
    {"{GPS}", "LongitudeRef", Kind::Reference},
    {"{GPS}", "Altitude", Kind::Metres},
    {"{GPS}", "AltitudeRef", Kind::Named, &altitudeRefNames},
    {"{GPS}", "DateStamp", Kind::Date},
};

const Conversion* conversionOf(const QString& set, const QString& key) {
    for (const Conversion& c : table) {
        if (key == QLatin1String(c.key) && set == QLatin1String(c.set))
            return &c;
    }
    return nullptr;
}

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
    QStringList parts;
    for (const QVariant& item : value.toList())
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

QString reference(const QVariant& value) {
    const QString letter = value.toString().trimmed().toUpper();
    if (letter == QLatin1String("N"))
        return QStringLiteral("North");
    if (letter == QLatin1String("S"))
        return QStringLiteral("South");
    if (letter == QLatin1String("E"))
        return QStringLiteral("East");
    if (letter == QLatin1String("W"))
        return QStringLiteral("West");
    return stored(value);
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
    case Kind::Reference:
        return reference(value);
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
    case Kind::Bias:
        return bias(number);
    case Kind::Latitude:
        return degrees(number, setValues.value(QStringLiteral("LatitudeRef")).toString().trimmed());
    case Kind::Longitude:
        return degrees(number,
                       setValues.value(QStringLiteral("LongitudeRef")).toString().trimmed());
    default:
        return stored(value);
    }
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
    return stored(value);
}

} // namespace PrintConversion
