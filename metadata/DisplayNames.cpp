#include "metadata/DisplayNames.h"

#include <QHash>

namespace {

// "GainControl" reads "Gain Control", "XResolution" "X Resolution". Keys that
// are not plain words ("dc:creator", "By-line") stay as they are.
QString spacedWords(const QString& key) {
    for (const QChar c : key) {
        if (!c.isLetterOrNumber())
            return key;
    }
    QString spaced;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key[i];
        if (i > 0 && c.isUpper()) {
            const QChar before = key[i - 1];
            const bool nextLower = i + 1 < key.size() && key[i + 1].isLower();
            if (before.isLower() || before.isDigit() || (before.isUpper() && nextLower))
                spaced += QLatin1Char(' ');
        }
        spaced += c;
    }
    return spaced;
}

} // namespace

QString displayNameForKey(const QString& key) {
    static const QHash<QString, QString> names = {
        {QStringLiteral("{Exif}"), QStringLiteral("Exif")},
        {QStringLiteral("{TIFF}"), QStringLiteral("TIFF")},
        {QStringLiteral("{GPS}"), QStringLiteral("GPS")},
        {QStringLiteral("{IPTC}"), QStringLiteral("IPTC")},
        {QStringLiteral("{XMP}"), QStringLiteral("XMP")},
        {QStringLiteral("PixelWidth"), QStringLiteral("Pixel Width")},
        {QStringLiteral("PixelHeight"), QStringLiteral("Pixel Height")},
        {QStringLiteral("DPIWidth"), QStringLiteral("DPI Width")},
        {QStringLiteral("DPIHeight"), QStringLiteral("DPI Height")},
        {QStringLiteral("Orientation"), QStringLiteral("Orientation")},
        {QStringLiteral("ImageDescription"), QStringLiteral("Image Description")},
        {QStringLiteral("DateTime"), QStringLiteral("Date Time")},
        {QStringLiteral("XResolution"), QStringLiteral("X Resolution")},
        {QStringLiteral("YResolution"), QStringLiteral("Y Resolution")},
        {QStringLiteral("ResolutionUnit"), QStringLiteral("Resolution Unit")},
        {QStringLiteral("YCbCrPositioning"), QStringLiteral("YCbCr Positioning")},
        {QStringLiteral("DateTimeOriginal"), QStringLiteral("Date Time Original")},
        {QStringLiteral("DateTimeDigitized"), QStringLiteral("Date Time Digitized")},
        {QStringLiteral("ExposureTime"), QStringLiteral("Exposure Time")},
        {QStringLiteral("FNumber"), QStringLiteral("F Number")},
        {QStringLiteral("ExposureProgram"), QStringLiteral("Exposure Program")},
        {QStringLiteral("ISOSpeedRatings"), QStringLiteral("ISO Speed Ratings")},
        {QStringLiteral("ExifVersion"), QStringLiteral("Exif Version")},
        {QStringLiteral("FlashpixVersion"), QStringLiteral("Flashpix Version")},
        {QStringLiteral("ComponentsConfiguration"), QStringLiteral("Components Configuration")},
        {QStringLiteral("CompressedBitsPerPixel"), QStringLiteral("Compressed Bits Per Pixel")},
        {QStringLiteral("ShutterSpeedValue"), QStringLiteral("Shutter Speed")},
        {QStringLiteral("ApertureValue"), QStringLiteral("Aperture")},
        {QStringLiteral("BrightnessValue"), QStringLiteral("Brightness")},
        {QStringLiteral("ExposureBiasValue"), QStringLiteral("Exposure Bias")},
        {QStringLiteral("MaxApertureValue"), QStringLiteral("Max Aperture Value")},
        {QStringLiteral("SubjectDistance"), QStringLiteral("Subject Distance")},
        {QStringLiteral("MeteringMode"), QStringLiteral("Metering Mode")},
        {QStringLiteral("LightSource"), QStringLiteral("Light Source")},
        {QStringLiteral("Flash"), QStringLiteral("Flash")},
        {QStringLiteral("FocalLength"), QStringLiteral("Focal Length")},
        {QStringLiteral("UserComment"), QStringLiteral("User Comment")},
        {QStringLiteral("ColorSpace"), QStringLiteral("Color Space")},
        {QStringLiteral("PixelXDimension"), QStringLiteral("Pixel X Dimension")},
        {QStringLiteral("PixelYDimension"), QStringLiteral("Pixel Y Dimension")},
        {QStringLiteral("SensingMethod"), QStringLiteral("Sensing Method")},
        {QStringLiteral("FileSource"), QStringLiteral("File Source")},
        {QStringLiteral("SceneType"), QStringLiteral("Scene Type")},
        {QStringLiteral("CustomRendered"), QStringLiteral("Custom Rendered")},
        {QStringLiteral("ExposureMode"), QStringLiteral("Exposure Mode")},
        {QStringLiteral("WhiteBalance"), QStringLiteral("White Balance")},
        {QStringLiteral("DigitalZoomRatio"), QStringLiteral("Digital Zoom Ratio")},
        {QStringLiteral("FocalLengthIn35mmFilm"), QStringLiteral("Focal Length In 35mm Film")},
        {QStringLiteral("SceneCaptureType"), QStringLiteral("Scene Capture Type")},
        {QStringLiteral("LensMake"), QStringLiteral("Lens Make")},
        {QStringLiteral("LensModel"), QStringLiteral("Lens Model")},
        {QStringLiteral("LatitudeRef"), QStringLiteral("Latitude Ref")},
        {QStringLiteral("LongitudeRef"), QStringLiteral("Longitude Ref")},
        {QStringLiteral("AltitudeRef"), QStringLiteral("Altitude Ref")},
        {QStringLiteral("TimeStamp"), QStringLiteral("Time Stamp")},
        {QStringLiteral("DateStamp"), QStringLiteral("Date Stamp")},
        {QStringLiteral("GPSVersion"), QStringLiteral("Version")},
        {QStringLiteral("MapDatum"), QStringLiteral("Map Datum")},
        {QStringLiteral("SpeedRef"), QStringLiteral("Speed Ref")},
        {QStringLiteral("TrackRef"), QStringLiteral("Track Ref")},
        {QStringLiteral("ImgDirection"), QStringLiteral("Image Direction")},
        {QStringLiteral("ImgDirectionRef"), QStringLiteral("Image Direction Ref")},
        {QStringLiteral("ObjectName"), QStringLiteral("Object Name")},
        {QStringLiteral("Caption/Abstract"), QStringLiteral("Caption/Abstract")},
        {QStringLiteral("By-line"), QStringLiteral("Byline")},
        {QStringLiteral("Province/State"), QStringLiteral("Province/State")},
        {QStringLiteral("Country/PrimaryLocationName"),
         QStringLiteral("Country/Primary Location Name")},
        {QStringLiteral("CopyrightNotice"), QStringLiteral("Copyright Notice")},
    };
    if (const auto it = names.constFind(key); it != names.constEnd())
        return it.value();
    // A set the table does not know yet shows its name without the braces.
    if (key.size() > 2 && key.startsWith(QLatin1Char('{')) && key.endsWith(QLatin1Char('}')))
        return key.mid(1, key.size() - 2);
    return spacedWords(key);
}
