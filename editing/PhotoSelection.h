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
    int position = 0;
    QString inputPath; // empty when the photo has no safe input (a device name that would escape)
    QString fileName;
};

// The photos a multi-photo command visits: the selected positions of the
// mode's list, ascending, below the list's length.
std::vector<SelectedPhoto> selectPhotos(SourceMode mode, const QList<ListedPhoto>& list,
                                        const QSet<int>& selection, const QString& storage);
