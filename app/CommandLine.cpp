#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

QStringList photoArguments(const QStringList& arguments, const QString& workingFolder,
                           QStringList* missing) {
    QStringList paths;
    const QDir here(workingFolder);
    for (const QString& argument : arguments) {
        // Desktops may hand over file URLs as well as paths.
        const QUrl url(argument);
        const QString name = url.isLocalFile() ? url.toLocalFile() : argument;
        const QFileInfo file(here.absoluteFilePath(name));
        if (file.isFile() && file.isReadable())
            paths << QDir::cleanPath(file.absoluteFilePath());
        else if (missing)
            *missing << argument;
    }
    return paths;
}
