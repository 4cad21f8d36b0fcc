#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>

// A device chooses its own file names, and any byte may be in them. Before a
// name becomes part of a path it is reduced to one plain file name that a
// person still recognises: path separators, leading dots, control and
// formatting characters and bytes that are not UTF-8 do not survive.
QString safeDeviceFileName(const QByteArray& deviceName);

// "IMG_0001.JPG", 2 -> "IMG_0001 (2).JPG"; a name without extension gets the
// number at its end.
QString numberedFileName(const QString& name, int number);

// folder + "/" + name, refused unless the result is a direct child of the
// folder (links in the folder's own path resolved).
Result<QString> pathInsideFolder(const QString& folder, const QString& name);
