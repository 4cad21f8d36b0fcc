#include "metadata/XmpMirrorTable.h"

#include "metadata/PropertyKeys.h"
#include "metadata/XmpNames.h"

#include <algorithm>

namespace XmpMirrorTable {

using namespace PropertyKeys;

namespace {

const QString OffsetTime = QStringLiteral("OffsetTime");
const QString OffsetTimeOriginal = QStringLiteral("OffsetTimeOriginal");
const QString OffsetTimeDigitized = QStringLiteral("OffsetTimeDigitized");

} // namespace

const Plain plainMirrors[7] = {
    {TiffSet, "ImageDescription", "dc:description", "Caption/Abstract"},
    {TiffSet, "Copyright", "dc:rights", "CopyrightNotice"},
    {TiffSet, "Make", "tiff:Make", nullptr},
    {TiffSet, "Model", "tiff:Model", nullptr},
    {ExifSet, "UserComment", "exif:UserComment", nullptr},
    {ExifSet, "LensMake", "exifEX:LensMake", nullptr},
    {ExifSet, "LensModel", "exifEX:LensModel", nullptr},
};

const IptcMirror iptcMirrors[22] = {
    {"Keywords", "dc:subject", true},
    {"By-line", "dc:creator", true},
    {"Caption/Abstract", "dc:description", false},
    {"CopyrightNotice", "dc:rights", false},
    {"ObjectName", "dc:title", false},
    {"Headline", "photoshop:Headline", false},
    {"City", "photoshop:City", false},
    {"Province/State", "photoshop:State", false},
    {"Country/PrimaryLocationName", "photoshop:Country", false},
    {"Country/PrimaryLocationCode", "Iptc4xmpCore:CountryCode", false},
    {"Sub-location", "Iptc4xmpCore:Location", false},
    {"Credit", "photoshop:Credit", false},
    {"Source", "photoshop:Source", false},
    {"SpecialInstructions", "photoshop:Instructions", false},
    {"OriginalTransmissionReference", "photoshop:TransmissionReference", false},
    {"Urgency", "photoshop:Urgency", false},
    {"Category", "photoshop:Category", false},
    {"SupplementalCategory", "photoshop:SupplementalCategories", true},
    {"Writer/Editor", "photoshop:CaptionWriter", false},
    {"By-lineTitle", "photoshop:AuthorsPosition", false},
    {"SubjectReference", "Iptc4xmpCore:SubjectCode", true},
    {"ObjectAttributeReference", "Iptc4xmpCore:IntellectualGenre", false},
};

const DateMirror dateMirrors[3] = {
    {ExifSet,
     DateTimeOriginal,
     OffsetTimeOriginal,
     {QStringLiteral("exif:DateTimeOriginal"), QStringLiteral("photoshop:DateCreated")},
     "DateCreated",
     "TimeCreated",
     {}},
    {ExifSet,
     DateTimeDigitized,
     OffsetTimeDigitized,
     {QStringLiteral("xmp:CreateDate")},
     "DigitalCreationDate",
     "DigitalCreationTime",
     {QStringLiteral("exif:DateTimeDigitized")}},
    {TiffSet,
     DateTime,
     OffsetTime,
     {QStringLiteral("xmp:ModifyDate")},
     nullptr,
     nullptr,
     {QStringLiteral("tiff:DateTime"), QStringLiteral("exif:DateTime")}},
};

const WindowsCopy windowsCopies[4] = {
    {"XPAuthor", TiffSet, "Artist", nullptr},
    {"XPComment", ExifSet, "UserComment", nullptr},
    {"XPKeywords", IptcSet, "Keywords", "dc:subject"},
    {"XPTitle", IptcSet, "ObjectName", "dc:title"},
};

bool mirrorsRemovedSet(const QString& set, const QString& key) {
    const QString prefix = XmpNames::prefixOfKey(key);
    const QString top = XmpNames::topLevelOf(key);
    if (set == GpsSet)
        return top.startsWith(QLatin1String("exif:GPS"));
    if (set == ExifSet)
        return (prefix == QLatin1String("exif") && !top.startsWith(QLatin1String("exif:GPS"))) ||
               prefix == QLatin1String("exifEX") || prefix == QLatin1String("aux") ||
               prefix == QLatin1String("tiff");
    if (set == TiffSet)
        return prefix == QLatin1String("tiff");
    if (set == IptcSet) {
        if (prefix == QLatin1String("Iptc4xmpCore") || prefix == QLatin1String("Iptc4xmpExt"))
            return true;
        static const QStringList mirrored = {QStringLiteral("photoshop:DateCreated"),
                                             QStringLiteral("dc:creator"),
                                             QStringLiteral("dc:rights"),
                                             QStringLiteral("dc:description"),
                                             QStringLiteral("dc:subject"),
                                             QStringLiteral("dc:title")};
        if (mirrored.contains(top))
            return true;
        return std::any_of(std::cbegin(iptcMirrors), std::cend(iptcMirrors),
                           [&](const IptcMirror& m) { return top == QLatin1String(m.xmp); });
    }
    return false;
}

} // namespace XmpMirrorTable
