#include "editing/PhotoSelection.h"

#include "editing/OutputNaming.h"

std::vector<SelectedPhoto> selectPhotos(SourceMode mode, const QList<ListedPhoto>& list,
                                        const QSet<int>& selection, const QString& storage) {
    std::vector<SelectedPhoto> photos;
    for (int position = 0; position < list.size(); ++position) {
        if (!selection.contains(position))
            continue;
        const ListedPhoto& item = list[position];
        SelectedPhoto photo;
        photo.position = position;
        photo.fileName = item.fileName;
        photo.itemPath = item.filePath;
        if (mode == SourceMode::Computer)
            photo.inputPath = item.filePath;
        else if (isSafeFileName(item.fileName))
            photo.inputPath = storage + QLatin1Char('/') + item.fileName;
        photos.push_back(photo);
    }
    return photos;
}
