#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"

#include <QVariantMap>

#include <optional>

// Metadata saved to property-list files and applied back to other photos.

enum class ExportKind { Tiff, Exif, ExifAndTiff, ExifAndGps, All };
// "tiff", "exif", "exif-tiff", "exif-gps", "all".
std::optional<ExportKind> exportKindFromName(const QString& name);

// The file an export writes: the photo's name without its last extension,
// with "_Tiff.plist", "_Exif.plist" or ".plist".
QString exportFileName(ExportKind kind, const QString& photoFileName);
// What the file holds; fails when the photo has none of what it asks for.
Result<QVariantMap> exportDictionary(ExportKind kind, const QVariantMap& photo);

inline const QString TemplateFileName = QStringLiteral("templatefile.plist");
// The edit form's fields as a template carries them: the 17 keys of the
// fields that have template keys (an absent field as an empty text);
// keywords as a list, latitude and longitude as single-precision numbers
// with their sign and reference letter.
struct EditFormFields;
QVariantMap templateDictionary(const EditFormFields& fields);

// Writes a dictionary into the folder as an XML property list, atomically.
Result<QString> writePropertyListFile(const QString& folder, const QString& fileName,
                                      const QVariantMap& dictionary);
// Reads a property list with a dictionary at its root, saying why not.
Result<QVariantMap> readPropertyListFile(const QString& path);

enum class ImportKind { Tiff, Exif, ExifAndTiff, ExifAndGps, All, Template };
// "tiff", "exif", "exif-tiff", "exif-gps", "all", "template".
std::optional<ImportKind> importKindFromName(const QString& name);

// The change dictionary that applies the loaded file to a photo.
QVariantMap importChanges(ImportKind kind, const QVariantMap& file);

// Each selected photo written under its own name into the storage folder
// with the file applied.
struct BatchTarget;
std::vector<RewriteJob> importJobs(ImportKind kind, const QVariantMap& file,
                                   const std::vector<BatchTarget>& targets);
OperationReport runImport(ImportKind kind, const QVariantMap& file,
                          const std::vector<SelectedPhoto>& photos, const QString& storage,
                          MetadataService& service, const BatchOptions& options = {});
