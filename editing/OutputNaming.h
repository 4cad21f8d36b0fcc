#pragma once

#include "metadata/Result.h"

#include <QString>

// Every photo Tessaview writes goes into the storage folder under one of these names.
enum class OutputForm {
    NoExif,          // "NoExif_" + name
    NoGPS,           // "NoGPS_" + name
    NoIPTC,          // "NoIPTC_" + name
    NoExifAndGPS,    // "NoExifAndGPS_" + name
    NoMetadata,      // "NoMetadata_" + name
    NoExifLowercase, // "noExif_" + name, the device-mode GPS change
    PlainName,       // the photo's own name: replaces that name in the storage folder
};

QString outputPrefix(OutputForm form);

// A file name that stays inside the folder it is joined to. Names reach us
// from devices too, so one holding a separator or naming a parent is refused.
bool isSafeFileName(const QString& name);

// storage + "/" + prefix + name; refused when the name is not safe.
Result<QString> outputPath(const QString& storage, OutputForm form, const QString& fileName);
