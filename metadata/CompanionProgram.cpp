#include "metadata/CompanionProgram.h"

#include <QDir>
#include <QFileInfo>

QString companionProgram(const QString& name, const QString& installedRelative) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString folder = QFileInfo(self).absolutePath();
    const QString beside = folder + QLatin1Char('/') + name;
    const QString installed = QDir::cleanPath(folder + QLatin1Char('/') + installedRelative);
    if (!QFileInfo(beside).isExecutable() && QFileInfo(installed).isExecutable())
        return installed;
    return beside;
}
