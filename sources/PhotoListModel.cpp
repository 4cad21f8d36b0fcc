#include "sources/PhotoListModel.h"

#include "sources/ThumbnailLoader.h"

#include <QFileInfo>
#include <QPixmap>

PhotoListModel::PhotoListModel(ThumbnailLoader* thumbnails, QObject* parent)
    : QAbstractListModel(parent), m_thumbnails(thumbnails) {
    if (m_thumbnails)
        connect(m_thumbnails, &ThumbnailLoader::thumbnailReady, this,
                &PhotoListModel::onThumbnailReady);
}

int PhotoListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_items.size());
}

Qt::ItemFlags PhotoListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant PhotoListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const IKImageItem& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return item.fileName;
    case Qt::ToolTipRole:
        // The whole name, which the cell may shorten, and where a local photo is.
        return item.filePath.endsWith(QLatin1Char('/') + item.fileName)
                   ? item.fileName + QLatin1Char('\n') + QFileInfo(item.filePath).absolutePath()
                   : item.fileName;
    case Qt::DecorationRole:
        // Asked only for cells being drawn: this is what keeps thumbnails to
        // the ones on screen.
        if (m_thumbnails) {
            const QImage image = m_thumbnails->thumbnail(item.filePath);
            if (!image.isNull())
                return image;
        }
        return {};
    case WorkingCopyRole:
        return m_withWorkingCopy.contains(item.filePath);
    default:
        return {};
    }
}

void PhotoListModel::markWorkingCopies(const QSet<QString>& paths, bool have) {
    for (const QString& path : paths) {
        if (have ? m_withWorkingCopy.contains(path) : !m_withWorkingCopy.contains(path))
            continue;
        if (have)
            m_withWorkingCopy.insert(path);
        else
            m_withWorkingCopy.remove(path);
        for (int row : m_rowsOfPath.values(path)) {
            const QModelIndex changed = index(row);
            Q_EMIT dataChanged(changed, changed, {WorkingCopyRole});
        }
    }
}

void PhotoListModel::append(const QList<IKImageItem>& items) {
    if (items.isEmpty())
        return;
    const int first = int(m_items.size());
    beginInsertRows(QModelIndex(), first, first + int(items.size()) - 1);
    m_items.reserve(m_items.size() + items.size());
    m_rowsOfPath.reserve(m_rowsOfPath.size() + items.size());
    for (const IKImageItem& item : items) {
        m_rowsOfPath.insert(item.filePath, int(m_items.size()));
        m_items.append(item);
    }
    endInsertRows();
}

void PhotoListModel::clear() {
    beginResetModel();
    m_items.clear();
    m_rowsOfPath.clear();
    m_withWorkingCopy.clear();
    endResetModel();
    if (m_thumbnails)
        m_thumbnails->cancelPending();
}

void PhotoListModel::onThumbnailReady(const QString& path) {
    for (int row : m_rowsOfPath.values(path)) {
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed, {Qt::DecorationRole});
    }
}
