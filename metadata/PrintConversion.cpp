#include "metadata/PrintConversion.h"

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
const Names compressionNames = {
    {1, "Uncompressed"}, {2, "CCITT 1D"},         {3, "T4/Group 3 Fax"}, {4, "T6/Group 4 Fax"},
    {5, "LZW"},          {6, "JPEG (old-style)"}, {7, "JPEG"},           {8, "Adobe Deflate"},
    {32773, "PackBits"}, {32946, "Deflate"},      {34892, "Lossy JPEG"}};
const Names photometricNames = {{0, "WhiteIsZero"},
                                {1, "BlackIsZero"},
                                {2, "RGB"},
                                {3, "RGB Palette"},
                                {4, "Transparency Mask"},
                                {5, "CMYK"},
                                {6, "YCbCr"},
                                {8, "CIELab"},
                                {32803, "Color Filter Array"},
                                {34892, "Linear Raw"}};
const Names planarNames = {{1, "Chunky"}, {2, "Planar"}};
const Names newSubfileNames = {{0, "Full-resolution image"},
                               {1, "Reduced-resolution image"},
                               {2, "Single page of multi-page image"},
                               {3, "Single page of multi-page reduced-resolution image"},
                               {4, "Transparency mask"}};
const Names oldSubfileNames = {
    {1, "Full-resolution image"}, {2, "Reduced-resolution image"}, {3, "Single page"}};
const Names fillOrderNames = {{1, "Normal"}, {2, "Reversed"}};
const Names predictorNames = {{1, "None"}, {2, "Horizontal differencing"}, {3, "Floating point"}};
const Names extraSampleNames = {
    {0, "Unspecified"}, {1, "Associated Alpha"}, {2, "Unassociated Alpha"}};
const Names sampleFormatNames = {{1, "Unsigned"},  {2, "Signed"},      {3, "Float"},
                                 {4, "Undefined"}, {5, "Complex int"}, {6, "Complex float"}};
const Names thresholdingNames = {
    {1, "No dithering or halftoning"}, {2, "Ordered dither or halftone"}, {3, "Randomized dither"}};
const Names sensitivityNames = {{0, "Unknown"},
                                {1, "Standard Output Sensitivity"},
                                {2, "Recommended Exposure Index"},
                                {3, "ISO Speed"},
                                {4, "Standard Output Sensitivity and Recommended Exposure Index"},
                                {5, "Standard Output Sensitivity and ISO Speed"},
                                {6, "Recommended Exposure Index and ISO Speed"},
                                {7, "Standard Output Sensitivity, Recommended Exposure Index and "
                                    "ISO Speed"}};
const Names compositeNames = {{0, "Unknown"},
                              {1, "Not a Composite Image"},
                              {2, "General Composite Image"},
                              {3, "Composite Image Captured While Shooting"}};
const Names differentialNames = {{0, "No Correction"}, {1, "Differential Corrected"}};
const Names cfaColourNames = {{0, "Red"},     {1, "Green"},  {2, "Blue"}, {3, "Cyan"},
                              {4, "Magenta"}, {5, "Yellow"}, {6, "White"}};
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
// 2 to 8 are the phones' own, outside the standard's two.
const Names renderedNames = {{0, "Normal"},
                             {1, "Custom"},
                             {2, "HDR (no original saved)"},
                             {3, "HDR (original saved)"},
                             {4, "Original (for HDR)"},
                             {6, "Panorama"},
                             {7, "Portrait HDR"},
                             {8, "Portrait"}};
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

// The GPS set's one-letter codes.
using Letters = std::initializer_list<std::pair<const char*, const char*>>;
const Letters compassLetters = {{"N", "North"}, {"S", "South"}, {"E", "East"}, {"W", "West"}};
const Letters northLetters = {{"T", "True North"}, {"M", "Magnetic North"}};
const Letters speedLetters = {{"K", "km/h"}, {"M", "mph"}, {"N", "knots"}};
const Letters distanceLetters = {{"K", "Kilometers"}, {"M", "Miles"}, {"N", "Nautical Miles"}};
const Letters statusLetters = {{"A", "Measurement Active"}, {"V", "Measurement Void"}};
const Letters measureLetters = {{"2", "2-Dimensional Measurement"},
                                {"3", "3-Dimensional Measurement"}};

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
    Distance,    // metres, where 0 is unknown and 2^32 - 1 infinity
    Bias,        // exposure bias in EV
    Apex,        // a brightness in EV
    DateTime,    // "yyyy:MM:dd HH:mm:ss"
    Date,        // "yyyy:MM:dd"
    Time,        // "HH:mm:ss", in UTC
    Latitude,    // with the reference named by partner
    Longitude,   // with the reference named by partner
    Lettered,    // a one-letter code
    Lens,        // shortest and longest focal length, widest apertures there
    Version,     // "0232" as 2.32
    Dotted,      // a list of numbers as 1.4.0.0
    Direction,   // degrees
    Speed,       // in the unit named by partner
    GpsDistance, // in the unit named by partner
    Resolution,  // per the unit named by partner
    Pattern,     // a colour filter array
    Unit,        // a number and the unit given as partner
    Area,        // a point, a circle or a rectangle about its centre
};

struct Conversion {
    const char* set;
    const char* key;
    Kind kind;
    const Names* names = nullptr;
    const Letters* letters = nullptr;
    const char* partner = nullptr; // the neighbour the value takes its reference or unit from
};

// TIFF-EP tags in the first directory keep the meaning of their EXIF twins;
// their conversion is the {Exif} row of the same key.
const Conversion table[] = {
    {"", "Orientation", Kind::Named, &orientationNames},
    {"{TIFF}", "Orientation", Kind::Named, &orientationNames},
    {"{TIFF}", "ResolutionUnit", Kind::Named, &resolutionUnitNames},
    {"{TIFF}", "XResolution", Kind::Resolution, nullptr, nullptr, "ResolutionUnit"},
    {"{TIFF}", "YResolution", Kind::Resolution, nullptr, nullptr, "ResolutionUnit"},
    {"{TIFF}", "YCbCrPositioning", Kind::Named, &positioningNames},
    {"{TIFF}", "DateTime", Kind::DateTime},
    {"{TIFF}", "Compression", Kind::Named, &compressionNames},
    {"{TIFF}", "PhotometricInterpretation", Kind::Named, &photometricNames},
    {"{TIFF}", "PlanarConfiguration", Kind::Named, &planarNames},
    {"{TIFF}", "NewSubfileType", Kind::Named, &newSubfileNames},
    {"{TIFF}", "SubfileType", Kind::Named, &oldSubfileNames},
    {"{TIFF}", "FillOrder", Kind::Named, &fillOrderNames},
    {"{TIFF}", "Predictor", Kind::Named, &predictorNames},
    {"{TIFF}", "ExtraSamples", Kind::Components, &extraSampleNames},
    {"{TIFF}", "SampleFormat", Kind::Components, &sampleFormatNames},
    {"{TIFF}", "Thresholding", Kind::Named, &thresholdingNames},
    {"{TIFF}", "CalibrationIlluminant1", Kind::Named, &lightNames},
    {"{TIFF}", "CalibrationIlluminant2", Kind::Named, &lightNames},
    {"{TIFF}", "DNGVersion", Kind::Dotted},
    {"{TIFF}", "DNGBackwardVersion", Kind::Dotted},
    {"{TIFF}", "LensInfo", Kind::Lens},
    {"{Exif}", "ExifVersion", Kind::Version},
    {"{Exif}", "FlashpixVersion", Kind::Version},
    {"{Exif}", "ExposureTime", Kind::Exposure},
    {"{Exif}", "ShutterSpeedValue", Kind::Shutter},
    {"{Exif}", "FNumber", Kind::FNumber},
    {"{Exif}", "ApertureValue", Kind::Aperture},
    {"{Exif}", "MaxApertureValue", Kind::Aperture},
    {"{Exif}", "BrightnessValue", Kind::Apex},
    {"{Exif}", "ExposureProgram", Kind::Named, &programNames},
    {"{Exif}", "ExposureBiasValue", Kind::Bias},
    {"{Exif}", "MeteringMode", Kind::Named, &meteringNames},
    {"{Exif}", "LightSource", Kind::Named, &lightNames},
    {"{Exif}", "Flash", Kind::Named, &flashNames},
    {"{Exif}", "FocalLength", Kind::Millimetres},
    {"{Exif}", "FocalLengthIn35mmFilm", Kind::WholeMillimetres},
    {"{Exif}", "SubjectDistance", Kind::Distance},
    {"{Exif}", "ColorSpace", Kind::Named, &colorSpaceNames},
    {"{Exif}", "ComponentsConfiguration", Kind::Components, &componentNames},
    {"{Exif}", "FocalPlaneResolutionUnit", Kind::Named, &resolutionUnitNames},
    {"{Exif}", "FocalPlaneXResolution", Kind::Resolution, nullptr, nullptr,
     "FocalPlaneResolutionUnit"},
    {"{Exif}", "FocalPlaneYResolution", Kind::Resolution, nullptr, nullptr,
     "FocalPlaneResolutionUnit"},
    {"{Exif}", "SensingMethod", Kind::Named, &sensingNames},
    {"{Exif}", "FileSource", Kind::Named, &fileSourceNames},
    {"{Exif}", "SceneType", Kind::Named, &sceneTypeNames},
    {"{Exif}", "CFAPattern", Kind::Pattern, &cfaColourNames},
    {"{Exif}", "CustomRendered", Kind::Named, &renderedNames},
    {"{Exif}", "ExposureMode", Kind::Named, &exposureModeNames},
    {"{Exif}", "WhiteBalance", Kind::Named, &whiteBalanceNames},
    {"{Exif}", "SceneCaptureType", Kind::Named, &sceneCaptureNames},
    {"{Exif}", "GainControl", Kind::Named, &gainNames},
    {"{Exif}", "Contrast", Kind::Named, &lowHighNames},
    {"{Exif}", "Saturation", Kind::Named, &lowHighNames},
    {"{Exif}", "Sharpness", Kind::Named, &sharpnessNames},
    {"{Exif}", "SubjectDistanceRange", Kind::Named, &distanceRangeNames},
    {"{Exif}", "SensitivityType", Kind::Named, &sensitivityNames},
    {"{Exif}", "CompositeImage", Kind::Named, &compositeNames},
    {"{Exif}", "0xa460", Kind::Named, &compositeNames}, // named so by older libraries
    {"{Exif}", "LensSpecification", Kind::Lens},
    {"{Exif}", "SubjectArea", Kind::Area},
    {"{Exif}", "DateTimeOriginal", Kind::DateTime},
    {"{Exif}", "DateTimeDigitized", Kind::DateTime},
    {"{Exif}", "Temperature", Kind::Unit, nullptr, nullptr, " °C"},
    {"{Exif}", "Humidity", Kind::Unit, nullptr, nullptr, " %"},
    {"{Exif}", "Pressure", Kind::Unit, nullptr, nullptr, " hPa"},
    {"{Exif}", "WaterDepth", Kind::Unit, nullptr, nullptr, " m"},
    {"{Exif}", "Acceleration", Kind::Unit, nullptr, nullptr, " mGal"},
    {"{Exif}", "CameraElevationAngle", Kind::Unit, nullptr, nullptr, "°"},
    {"{GPS}", "Latitude", Kind::Latitude, nullptr, nullptr, "LatitudeRef"},
    {"{GPS}", "Longitude", Kind::Longitude, nullptr, nullptr, "LongitudeRef"},
    {"{GPS}", "LatitudeRef", Kind::Lettered, nullptr, &compassLetters},
    {"{GPS}", "LongitudeRef", Kind::Lettered, nullptr, &compassLetters},
    {"{GPS}", "Altitude", Kind::Metres},
    {"{GPS}", "AltitudeRef", Kind::Named, &altitudeRefNames},
    {"{GPS}", "TimeStamp", Kind::Time},
    {"{GPS}", "DateStamp", Kind::Date},
    {"{GPS}", "Status", Kind::Lettered, nullptr, &statusLetters},
    {"{GPS}", "MeasureMode", Kind::Lettered, nullptr, &measureLetters},
    {"{GPS}", "SpeedRef", Kind::Lettered, nullptr, &speedLetters},
    {"{GPS}", "Speed", Kind::Speed, nullptr, &speedLetters, "SpeedRef"},
    {"{GPS}", "TrackRef", Kind::Lettered, nullptr, &northLetters},
    {"{GPS}", "Track", Kind::Direction},
    {"{GPS}", "ImgDirectionRef", Kind::Lettered, nullptr, &northLetters},
    {"{GPS}", "ImgDirection", Kind::Direction},
    {"{GPS}", "DestLatitudeRef", Kind::Lettered, nullptr, &compassLetters},
    {"{GPS}", "DestLatitude", Kind::Latitude, nullptr, nullptr, "DestLatitudeRef"},
    {"{GPS}", "DestLongitudeRef", Kind::Lettered, nullptr, &compassLetters},
    {"{GPS}", "DestLongitude", Kind::Longitude, nullptr, nullptr, "DestLongitudeRef"},
    {"{GPS}", "DestBearingRef", Kind::Lettered, nullptr, &northLetters},
    {"{GPS}", "DestBearing", Kind::Direction},
    {"{GPS}", "DestDistanceRef", Kind::Lettered, nullptr, &distanceLetters},
    {"{GPS}", "DestDistance", Kind::GpsDistance, nullptr, nullptr, "DestDistanceRef"},
    {"{GPS}", "Differential", Kind::Named, &differentialNames},
    {"{GPS}", "HPositioningError", Kind::Metres},
};

const Conversion* conversionOf(const QString& set, const QString& key) {
    for (const Conversion& c : table) {
        if (key == QLatin1String(c.key) && set == QLatin1String(c.set))
            return &c;
    }
    if (set == QLatin1String("{TIFF}"))
        return conversionOf(QStringLiteral("{Exif}"), key);
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
