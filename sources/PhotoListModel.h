#pragma once

#include "sources/IKImageItem.h"

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QSet>

class ThumbnailLoader;

// A photo list shown by a browser: titles, thumbnails as they become ready,
// and the items themselves. The same file may be listed more than once.
class PhotoListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PhotoListModel(ThumbnailLoader* thumbnails, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // True for a photo whose storage-folder copy the next edit builds on.
    static constexpr int WorkingCopyRole = Qt::UserRole + 1;

    const QList<IKImageItem>& items() const { return m_items; }
    const IKImageItem& itemAt(int row) const { return m_items.at(row); }
    void append(const QList<IKImageItem>& items);
    void clear();
    // Which listed photos (by path) have a working copy.
    void markWorkingCopies(const QSet<QString>& paths, bool have);

private:
    void onThumbnailReady(const QString& path);

    ThumbnailLoader* m_thumbnails;
    QList<IKImageItem> m_items;
    QMultiHash<QString, int> m_rowsOfPath;
    QSet<QString> m_withWorkingCopy;
};
