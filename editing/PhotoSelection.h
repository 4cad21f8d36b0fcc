#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

// Which list the editing commands work on.
enum class SourceMode { Computer, Device };

// What the selection needs of a listed photo.
struct ListedPhoto {
    QString filePath; // computer photos: where the photo is
    QString fileName; // its name; device photos are read from their copy in the storage folder
};

struct SelectedPhoto {
    SelectedPhoto() = default;
    SelectedPhoto(int at, QString input, QString name, QString item = QString())
        : position(at), inputPath(std::move(input)), fileName(std::move(name)),
          itemPath(std::move(item)) {}

    int position = 0;
    QString inputPath; // empty when the photo has no safe input (a device name that would escape)
    QString fileName;
    QString itemPath; // the listed item's own path (a device photo's thumbnail file)
};

// The photos a multi-photo command visits: the selected positions of the
// mode's list, ascending, below the list's length.
std::vector<SelectedPhoto> selectPhotos(SourceMode mode, const QList<ListedPhoto>& list,
                                        const QSet<int>& selection, const QString& storage);
