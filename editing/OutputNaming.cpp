#include "editing/OutputNaming.h"

QString outputPrefix(OutputForm form) {
    switch (form) {
    case OutputForm::NoExif:
        return QStringLiteral("NoExif_");
    case OutputForm::NoGPS:
        return QStringLiteral("NoGPS_");
    case OutputForm::NoIPTC:
        return QStringLiteral("NoIPTC_");
    case OutputForm::NoExifAndGPS:
        return QStringLiteral("NoExifAndGPS_");
    case OutputForm::NoMetadata:
        return QStringLiteral("NoMetadata_");
    case OutputForm::NoExifLowercase:
        return QStringLiteral("noExif_");
    case OutputForm::PlainName:
        break;
    }
    return QString();
}

bool isSafeFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

Result<QString> outputPath(const QString& storage, OutputForm form, const QString& fileName) {
    if (!isSafeFileName(fileName))
        return Result<QString>::fail(
            QStringLiteral("unsafe file name \"%1\": it would leave the storage folder")
                .arg(fileName));
    return Result<QString>::ok(storage + QLatin1Char('/') + outputPrefix(form) + fileName);
}
