#include "metadata/XmpNames.h"

#include <QHash>

namespace XmpNames {

namespace {

struct Namespace {
    const char* prefix;
    const char* uri;
};

constexpr Namespace namespaces[] = {
    {"dc", "http://purl.org/dc/elements/1.1/"},
    {"xmp", "http://ns.adobe.com/xap/1.0/"},
    {"xmpRights", "http://ns.adobe.com/xap/1.0/rights/"},
    {"xmpMM", "http://ns.adobe.com/xap/1.0/mm/"},
    {"xmpBJ", "http://ns.adobe.com/xap/1.0/bj/"},
    {"xmpTPg", "http://ns.adobe.com/xap/1.0/t/pg/"},
    {"xmpDM", "http://ns.adobe.com/xmp/1.0/DynamicMedia/"},
    {"xmpG", "http://ns.adobe.com/xap/1.0/g/"},
    {"xmpGImg", "http://ns.adobe.com/xap/1.0/g/img/"},
    {"xmpNote", "http://ns.adobe.com/xmp/note/"},
    {"stEvt", "http://ns.adobe.com/xap/1.0/sType/ResourceEvent#"},
    {"stRef", "http://ns.adobe.com/xap/1.0/sType/ResourceRef#"},
    {"stDim", "http://ns.adobe.com/xap/1.0/sType/Dimensions#"},
    {"stVer", "http://ns.adobe.com/xap/1.0/sType/Version#"},
    {"stJob", "http://ns.adobe.com/xap/1.0/sType/Job#"},
    {"stArea", "http://ns.adobe.com/xmp/sType/Area#"},
    {"pdf", "http://ns.adobe.com/pdf/1.3/"},
    {"photoshop", "http://ns.adobe.com/photoshop/1.0/"},
    {"crs", "http://ns.adobe.com/camera-raw-settings/1.0/"},
    {"lr", "http://ns.adobe.com/lightroom/1.0/"},
    {"tiff", "http://ns.adobe.com/tiff/1.0/"},
    {"exif", "http://ns.adobe.com/exif/1.0/"},
    {"exifEX", "http://cipa.jp/exif/1.0/"},
    {"aux", "http://ns.adobe.com/exif/1.0/aux/"},
    {"Iptc4xmpCore", "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/"},
    {"Iptc4xmpExt", "http://iptc.org/std/Iptc4xmpExt/2008-02-29/"},
    {"plus", "http://ns.useplus.org/ldf/xmp/1.0/"},
    {"mwg-rs", "http://www.metadataworkinggroup.com/schemas/regions/"},
    {"mwg-kw", "http://www.metadataworkinggroup.com/schemas/keywords/"},
    {"mwg-coll", "http://www.metadataworkinggroup.com/schemas/collections/"},
    {"GPano", "http://ns.google.com/photos/1.0/panorama/"},
    {"MicrosoftPhoto", "http://ns.microsoft.com/photo/1.0/"},
    {"digiKam", "http://www.digikam.org/ns/1.0/"},
};

struct KnownForm {
    const char* key;
    Form form;
};

constexpr KnownForm forms[] = {
    {"dc:contributor", Form::Bag},
    {"dc:creator", Form::Seq},
    {"dc:date", Form::Seq},
    {"dc:description", Form::LanguageAlternative},
    {"dc:language", Form::Bag},
    {"dc:publisher", Form::Bag},
    {"dc:relation", Form::Bag},
    {"dc:rights", Form::LanguageAlternative},
    {"dc:subject", Form::Bag},
    {"dc:title", Form::LanguageAlternative},
    {"dc:type", Form::Bag},
    {"xmp:Identifier", Form::Bag},
    {"xmpRights:Owner", Form::Bag},
    {"xmpRights:UsageTerms", Form::LanguageAlternative},
    {"photoshop:SupplementalCategories", Form::Bag},
    {"lr:hierarchicalSubject", Form::Bag},
    {"Iptc4xmpCore:Scene", Form::Bag},
    {"Iptc4xmpCore:SubjectCode", Form::Bag},
    {"Iptc4xmpExt:PersonInImage", Form::Bag},
    {"exif:UserComment", Form::LanguageAlternative},
    {"exif:ISOSpeedRatings", Form::Seq},
    {"exif:SubjectArea", Form::Seq},
    {"exif:ComponentsConfiguration", Form::Seq},
    {"tiff:BitsPerSample", Form::Seq},
    {"tiff:YCbCrSubSampling", Form::Seq},
    {"tiff:ImageDescription", Form::LanguageAlternative},
    {"tiff:Copyright", Form::LanguageAlternative},
    {"tiff:Artist", Form::Text},
};

} // namespace

QString prefixOf(const QString& namespaceUri) {
    static const QHash<QString, QString> prefixes = [] {
        QHash<QString, QString> table;
        for (const Namespace& ns : namespaces)
            table.insert(QString::fromLatin1(ns.uri), QString::fromLatin1(ns.prefix));
        return table;
    }();
    const auto found = prefixes.constFind(namespaceUri);
    if (found != prefixes.cend())
        return *found;
    // Writers differ on the closing slash of some namespaces.
    if (namespaceUri.endsWith(QLatin1Char('/')))
        return QString();
    return prefixes.value(namespaceUri + QLatin1Char('/'));
}

QString namespaceOf(const QString& prefix) {
    for (const Namespace& ns : namespaces) {
        if (prefix == QLatin1String(ns.prefix))
            return QString::fromLatin1(ns.uri);
    }
    return QString();
}

Form formOf(const QString& key) {
    for (const KnownForm& known : forms) {
        if (key == QLatin1String(known.key))
            return known.form;
    }
    return Form::Text;
}

QString prefixOfKey(const QString& key) {
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : key.left(colon);
}

QString topLevelOf(const QString& key) {
    qsizetype end = key.size();
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('[')}) {
        const qsizetype at = key.indexOf(separator);
        if (at >= 0)
            end = std::min(end, at);
    }
    return key.left(end);
}

} // namespace XmpNames
