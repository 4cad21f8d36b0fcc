#pragma once

#include "sources/IKImageItem.h"
#include "sources/PhotoFacts.h"

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
    // The name a cell shows: the file name, after its folder's name where
    // another listed photo of another folder has the same name.
    static constexpr int TitleRole = Qt::UserRole + 2;
    // True for a photo with a GPS position, and for one that could not be read.
    static constexpr int PositionRole = Qt::UserRole + 3;
    static constexpr int UnreadableRole = Qt::UserRole + 4;

    const QList<IKImageItem>& items() const { return m_items; }
    const IKImageItem& itemAt(int row) const { return m_items.at(row); }
    void append(const QList<IKImageItem>& items);
    void clear();
    // Takes the rows out of the list (the files stay where they are).
    void removeRowsAt(QList<int> rows);
    // What is known of the photos at these paths (a path may be listed twice).
    void setFacts(const QList<std::pair<QString, PhotoFacts>>& facts);
    const PhotoFacts* factsAt(int row) const;
    // Whether another listed photo of another folder has this photo's name.
    bool nameIsShared(int row) const;
    // Which listed photos (by path) have a working copy.
    void markWorkingCopies(const QSet<QString>& paths, bool have);

private:
    void onThumbnailReady(const QString& path);
    void rebuildIndex();

    static bool isLocal(const IKImageItem& item) {
        return item.filePath.endsWith(QLatin1Char('/') + item.fileName);
    }

    ThumbnailLoader* m_thumbnails;
    QList<IKImageItem> m_items;
    QMultiHash<QString, int> m_rowsOfPath;
    QSet<QString> m_withWorkingCopy;
    QHash<QString, PhotoFacts> m_facts;
    QHash<QString, int> m_pathsOfName; // distinct listed paths of each local file name
};
