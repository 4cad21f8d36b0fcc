#pragma once

#include <QDate>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <vector>

class PhotoListModel;
struct IKImageItem;
struct PhotoFacts;

// What the browser is narrowed to. A photo not read yet passes a text that
// its name or folder holds, and no position or date condition; nor does an
// unreadable one, whose position and date are not known.
struct PhotoFilter {
    enum class Position { Any, With, Without };
    // Each of its words in the file name, its folder's name or the camera's:
    // "canon 40" finds the photos of a "Canon EOS 40D".
    QString text;
    Position position = Position::Any;
    QDate from, to; // taken on or after, on or before; a null date leaves that end open

    bool isEmpty() const {
        return text.trimmed().isEmpty() && position == Position::Any && from.isNull() &&
               to.isNull();
    }
    QStringList words() const { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }
    bool accepts(const IKImageItem& item, const PhotoFacts* facts, const QStringList& words) const;
    friend bool operator==(const PhotoFilter&, const PhotoFilter&) = default;
};

// The browser's order: as listed, or by name, date taken or folder (each
// then by name, and by place in the list, so that equal photos keep theirs).
enum class PhotoOrder { Listed, Name, DateTaken, Folder };

// The computer photo list as the browser shows it: filtered and sorted,
// while the list itself keeps its order, which the commands follow. Rows of
// the browser are mapped to the list's with listRowOf.
class PhotoBrowserModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit PhotoBrowserModel(PhotoListModel& list, QObject* parent = nullptr);

    void setFilter(const PhotoFilter& filter);
    const PhotoFilter& filter() const { return m_filter; }
    void setOrder(PhotoOrder order);
    PhotoOrder order() const { return m_order; }
    // Sorts and filters again after facts came in, once for many of them.
    void factsChanged();

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    void makeKeys() const;

    PhotoListModel& m_list;
    PhotoFilter m_filter;
    QStringList m_words;
    PhotoOrder m_order = PhotoOrder::Listed;
    // By the list's rows: the names and folders case-folded, and the dates
    // taken (the largest number for none).
    mutable std::vector<QString> m_nameKeys, m_folderKeys;
    mutable std::vector<qint64> m_taken;
    mutable PhotoOrder m_keysOrder = PhotoOrder::Listed;
    mutable bool m_keysValid = false;
};

// The row of the list a browser's index stands for, whichever model it is of.
int listRowOf(const QModelIndex& index);
