#include "editing/TemplateOperations.h"

#include "editing/EditFormOperation.h"
#include "editing/FormField.h"
#include "editing/GpsFields.h"
#include "editing/OutputNaming.h"
#include "editing/WorkingCopies.h"
#include "metadata/AtomicFile.h"
#include "metadata/PropertyKeys.h"
#include "templates/PropertyListCodec.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

using namespace PropertyKeys;

namespace {

const QStringList exportNames = {QStringLiteral("tiff"), QStringLiteral("exif"),
                                 QStringLiteral("exif-tiff"), QStringLiteral("exif-gps"),
                                 QStringLiteral("all")};

// The leading decimal number of a text, or the number itself; nothing when
// there is none.
std::optional<double> numberOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float ||
        value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toDouble();
    return leadingNumber(value.toString());
}

double singlePrecision(double x) {
    return double(float(x));
}

// Keywords come as a list, or as one text of comma-separated words.
QVariantList keywordList(const QVariant& value) {
    QVariantList words;
    const QStringList items =
        value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList
            ? value.toStringList()
            : value.toString().split(QLatin1Char(','));
    for (const QString& item : items) {
        if (!item.trimmed().isEmpty())
            words << item.trimmed();
    }
    return words;
}

// Facts of the pixels, which another photo's dictionary must not carry over.
bool isPixelFact(const QString& key) {
    return !isSetKey(key) && key != Orientation;
}

QVariantMap templateChanges(const QVariantMap& t) {
    QVariantMap changes;
    QVariantMap exif, tiff, iptc, gps;
    for (const QString& key : {LensMake, LensModel, DateTimeDigitized, UserComment}) {
        // An empty date (an empty form's) leaves the photo's dates alone, as
        // the form does; an empty text is a text.
        const bool noDate = key == DateTimeDigitized && t.value(key).toString().trimmed().isEmpty();
        if (t.contains(key) && !noDate)
            exif.insert(key, t.value(key).toString());
    }
    for (const QString& key : {Artist, ImageDescription, Copyright, Make, Model}) {
        if (t.contains(key))
            tiff.insert(key, t.value(key).toString());
    }
    if (t.contains(Keywords)) {
        // No words (an empty form's field) takes the photo's keywords away.
        const QVariantList words = keywordList(t.value(Keywords));
        iptc.insert(Keywords, words.isEmpty() ? removal() : QVariant(words));
    }
    // A position is written only where the template has one: a template
    // without it leaves each photo's GPS set as it is.
    const auto latitudeRead = t.contains(Latitude) ? numberOf(t.value(Latitude)) : std::nullopt;
    const auto longitudeRead = t.contains(Longitude) ? numberOf(t.value(Longitude)) : std::nullopt;
    const bool hasLatitude = latitudeRead.has_value();
    const bool hasLongitude = longitudeRead.has_value();
    const double latitude = latitudeRead.value_or(0.0);
    const double longitude = longitudeRead.value_or(0.0);
    const bool emptyPosition = t.value(Latitude).toString().trimmed().isEmpty() &&
                               t.value(Longitude).toString().trimmed().isEmpty() &&
                               t.value(Latitude).typeId() == QMetaType::QString &&
                               t.value(Longitude).typeId() == QMetaType::QString;
    if ((hasLatitude || hasLongitude) && !emptyPosition) {
        gps.insert(GPSVersion, QStringLiteral("2.2.0.0"));
        // An empty GPS date or time (an empty form's) is no value to write.
        for (const QString& key : {DateStamp, TimeStamp}) {
            if (!t.value(key).toString().trimmed().isEmpty())
                gps.insert(key, t.value(key).toString());
        }
        if (hasLatitude) {
            gps.insert(Latitude, singlePrecision(std::fabs(latitude)));
            gps.insert(LatitudeRef, latitude < 0 ? QStringLiteral("S") : QStringLiteral("N"));
        }
        if (hasLongitude) {
            gps.insert(Longitude, singlePrecision(std::fabs(longitude)));
            gps.insert(LongitudeRef, longitude < 0 ? QStringLiteral("W") : QStringLiteral("E"));
        }
        if (const auto altitude =
                t.contains(Altitude) ? numberOf(t.value(Altitude)) : std::nullopt) {
            gps.insert(Altitude, singlePrecision(std::fabs(*altitude)));
            gps.insert(AltitudeRef, *altitude < 0 ? 1 : 0);
        }
    }
    if (!exif.isEmpty())
        changes.insert(ExifSet, exif);
    if (!tiff.isEmpty())
        changes.insert(TiffSet, tiff);
    if (!iptc.isEmpty())
        changes.insert(IptcSet, iptc);
    if (!gps.isEmpty())
        changes.insert(GpsSet, gps);
    return changes;
}

} // namespace

std::optional<ExportKind> exportKindFromName(const QString& name) {
    const qsizetype at = exportNames.indexOf(name);
    if (at < 0)
        return std::nullopt;
    return ExportKind(at);
}

QString exportFileName(ExportKind kind, const QString& photoFileName) {
    const qsizetype dot = photoFileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? photoFileName.left(dot) : photoFileName;
    switch (kind) {
    case ExportKind::Tiff:
        return base + QStringLiteral("_Tiff.plist");
    case ExportKind::Exif:
        return base + QStringLiteral("_Exif.plist");
    default:
        return base + QStringLiteral(".plist");
    }
}

Result<QVariantMap> exportDictionary(ExportKind kind, const QVariantMap& photo) {
    using R = Result<QVariantMap>;
    auto set = [&](const QString& name) -> R {
        if (!photo.contains(name))
            return R::fail(QStringLiteral("the photo has no %1 set").arg(name));
        return R::ok(photo.value(name).toMap());
    };
    auto pair = [&](const QString& first, const QString& second) -> R {
        QVariantMap out;
        for (const QString& name : {first, second}) {
            if (photo.contains(name))
                out.insert(name, photo.value(name));
        }
        if (out.isEmpty())
            return R::fail(
                QStringLiteral("the photo has neither a %1 nor a %2 set").arg(first, second));
        return R::ok(out);
    };
    switch (kind) {
    case ExportKind::Tiff:
        return set(TiffSet);
    case ExportKind::Exif:
        return set(ExifSet);
    case ExportKind::ExifAndTiff:
        return pair(ExifSet, TiffSet);
    case ExportKind::ExifAndGps:
        return pair(ExifSet, GpsSet);
    case ExportKind::All:
        if (photo.isEmpty())
            return R::fail(QStringLiteral("the photo has no properties"));
        return R::ok(photo);
    }
    return R::fail(QString());
}

QVariantMap templateDictionary(const EditFormFields& f) {
    QVariantMap t;
    for (const FormField& field : formFields()) {
        if (field.templateKeys.isEmpty())
            continue;
        const QString text = (f.*field.edit).value_or(QString());
        if (field.rule == FormFieldRule::Keywords) {
            t.insert(field.templateKeys.first(), keywordList(text));
        } else if (field.rule == FormFieldRule::Latitude ||
                   field.rule == FormFieldRule::Longitude) {
            const double degrees = leadingNumber(text).value_or(0.0);
            const bool latitude = field.rule == FormFieldRule::Latitude;
            t.insert(field.templateKeys.value(0), singlePrecision(degrees));
            const char* ref = latitude ? (degrees < 0 ? "S" : "N") : (degrees < 0 ? "W" : "E");
            t.insert(field.templateKeys.value(1), QString::fromLatin1(ref));
        } else {
            for (const QString& key : field.templateKeys)
                t.insert(key, text);
        }
    }
    return t;
}

Result<QString> writePropertyListFile(const QString& folder, const QString& fileName,
                                      const QVariantMap& dictionary) {
    if (!isSafeFileName(fileName))
        return Result<QString>::fail(QStringLiteral("\"%1\" is not a file name").arg(fileName));
    if (!QDir().mkpath(folder))
        return Result<QString>::fail(QStringLiteral("the folder %1 cannot be created").arg(folder));
    const QString path = QDir(folder).filePath(fileName);
    const Status written = writeFileAtomically(path, toXmlPropertyList(dictionary), SyncMode::Now);
    if (!written)
        return Result<QString>::fail(written.error());
    return Result<QString>::ok(path);
}

Result<QVariantMap> readPropertyListFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile() && info.size() > PropertyListLimits::MaxFileSize)
        return Result<QVariantMap>::fail(QStringLiteral("not a property list: larger than %1 MB")
                                             .arg(PropertyListLimits::MaxFileSize >> 20));
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return Result<QVariantMap>::fail(bytes.error());
    return readPropertyListDictionary(bytes.value());
}

std::optional<ImportKind> importKindFromName(const QString& name) {
    if (name == QLatin1String("template"))
        return ImportKind::Template;
    const qsizetype at = exportNames.indexOf(name);
    if (at < 0)
        return std::nullopt;
    return ImportKind(at);
}

QVariantMap importChanges(ImportKind kind, const QVariantMap& file) {
    QVariantMap changes;
    switch (kind) {
    case ImportKind::Tiff:
        return {{TiffSet, file}};
    case ImportKind::Exif:
        return {{ExifSet, file}};
    case ImportKind::ExifAndTiff:
    case ImportKind::ExifAndGps: {
        const QString second = kind == ImportKind::ExifAndTiff ? TiffSet : GpsSet;
        for (const QString& name : {ExifSet, second}) {
            if (file.value(name).typeId() == QMetaType::QVariantMap)
                changes.insert(name, file.value(name));
        }
        return changes;
    }
    case ImportKind::All:
        for (auto it = file.cbegin(); it != file.cend(); ++it) {
            if (!isPixelFact(it.key()))
                changes.insert(it.key(), it.value());
        }
        if (changes.value(IptcSet).toMap().contains(Keywords)) {
            QVariantMap iptc = changes.value(IptcSet).toMap();
            iptc.insert(Keywords, keywordList(iptc.value(Keywords)));
            changes.insert(IptcSet, iptc);
        }
        return changes;
    case ImportKind::Template:
        return templateChanges(file);
    }
    return changes;
}

std::vector<RewriteJob> importJobs(ImportKind kind, const QVariantMap& file,
                                   const std::vector<BatchTarget>& targets) {
    const QVariantMap changes = importChanges(kind, file);
    std::vector<RewriteJob> jobs;
    for (const BatchTarget& target : targets) {
        RewriteJob job;
        job.inputPath = target.input;
        job.outputPath = target.output;
        job.refusal = target.refusal;
        job.changes = changes;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

OperationReport runImport(ImportKind kind, const QVariantMap& file,
                          const std::vector<SelectedPhoto>& photos, const QString& storage,
                          MetadataService& service, const BatchOptions& options) {
    const auto targets = batchTargets(photos, storage, OutputForm::PlainName);
    return reportOf(runBatch(importJobs(kind, file, targets), service, options, originsOf(targets)),
                    photos, targets);
}
