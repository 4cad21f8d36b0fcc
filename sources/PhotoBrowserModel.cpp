#include "sources/PhotoBrowserModel.h"

#include "sources/PhotoListModel.h"

#include <QAbstractProxyModel>
#include <QFileInfo>

namespace {

QStringView folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringView() : QStringView(path).left(slash);
}

QStringView folderNameOf(const QString& path) {
    const QStringView folder = folderOf(path);
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? folder : folder.mid(slash + 1);
}

} // namespace

bool PhotoFilter::accepts(const IKImageItem& item, const PhotoFacts* facts,
                          const QStringList& words) const {
    for (const QString& word : words) {
        if (!item.fileName.contains(word, Qt::CaseInsensitive) &&
            !folderNameOf(item.filePath).contains(word, Qt::CaseInsensitive) &&
            !(facts && facts->camera.contains(word, Qt::CaseInsensitive)))
            return false;
    }
    // An unreadable photo's position and date are not known either way.
    const bool known = facts && facts->known && facts->readable;
    if (position != Position::Any && (!known || facts->hasPosition != (position == Position::With)))
        return false;
    if (!from.isNull() || !to.isNull()) {
        if (!known || !facts->taken.isValid())
            return false;
        const QDate day = facts->taken.date();
        if ((!from.isNull() && day < from) || (!to.isNull() && day > to))
            return false;
    }
    return true;
}

PhotoBrowserModel::PhotoBrowserModel(PhotoListModel& list, QObject* parent)
    : QSortFilterProxyModel(parent), m_list(list) {
    // Camera names count their numbers: "IMG_9" before "IMG_10".
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Thumbnails and marks that come in (roles other than the display's)
    // leave the order and the filter alone; new facts are taken in batches.
    setSourceModel(&list);
}

void PhotoBrowserModel::setFilter(const PhotoFilter& filter) {
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_words = filter.words();
    invalidateFilter();
}

void PhotoBrowserModel::setOrder(PhotoOrder order) {
    if (order == m_order)
        return;
    m_order = order;
    if (order == PhotoOrder::Listed)
        sort(-1);
    else if (sortColumn() == 0)
        invalidate();
    else
        sort(0);
}

void PhotoBrowserModel::factsChanged() {
    if (m_order == PhotoOrder::DateTaken)
        invalidate();
    else if (m_filter.position != PhotoFilter::Position::Any || !m_filter.from.isNull() ||
             !m_filter.to.isNull() || !m_filter.text.trimmed().isEmpty())
        invalidateFilter();
}

bool PhotoBrowserModel::filterAcceptsRow(int row, const QModelIndex&) const {
    if (m_filter.isEmpty())
        return true;
    return m_filter.accepts(m_list.itemAt(row), m_list.factsAt(row), m_words);
}

bool PhotoBrowserModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int a = left.row(), b = right.row();
    const IKImageItem& first = m_list.itemAt(a);
    const IKImageItem& second = m_list.itemAt(b);
    int order = 0;
    if (m_order == PhotoOrder::DateTaken) {
        // Photos without a date come after the dated ones.
        const PhotoFacts* x = m_list.factsAt(a);
        const PhotoFacts* y = m_list.factsAt(b);
        const QDateTime none;
        const QDateTime& p = x ? x->taken : none;
        const QDateTime& q = y ? y->taken : none;
        if (p.isValid() != q.isValid())
            return p.isValid();
        if (p != q)
            return p < q;
    } else if (m_order == PhotoOrder::Folder) {
        order = m_collator.compare(folderOf(first.filePath), folderOf(second.filePath));
    }
    if (order == 0)
        order = m_collator.compare(first.fileName, second.fileName);
    return order != 0 ? order < 0 : a < b;
}

int listRowOf(const QModelIndex& index) {
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        return proxy->mapToSource(index).row();
    return index.row();
}
