#include "metadata/PrintConversionTable.h"

namespace PrintConversion {

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

const Letters speedLetters = {{"K", "km/h"}, {"M", "mph"}, {"N", "knots"}};

namespace {

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

const Letters compassLetters = {{"N", "North"}, {"S", "South"}, {"E", "East"}, {"W", "West"}};
const Letters northLetters = {{"T", "True North"}, {"M", "Magnetic North"}};
const Letters distanceLetters = {{"K", "Kilometers"}, {"M", "Miles"}, {"N", "Nautical Miles"}};
const Letters statusLetters = {{"A", "Measurement Active"}, {"V", "Measurement Void"}};
const Letters measureLetters = {{"2", "2-Dimensional Measurement"},
                                {"3", "3-Dimensional Measurement"}};

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

} // namespace

const Conversion* conversionOf(const QString& set, const QString& key) {
    for (const Conversion& c : table) {
        if (key == QLatin1String(c.key) && set == QLatin1String(c.set))
            return &c;
    }
    if (set == QLatin1String("{TIFF}"))
        return conversionOf(QStringLiteral("{Exif}"), key);
    return nullptr;
}

} // namespace PrintConversion
