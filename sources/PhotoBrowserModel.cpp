#include "sources/PhotoBrowserModel.h"

#include "sources/PhotoListModel.h"

#include <QAbstractProxyModel>
#include <QFileInfo>

#include <limits>

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
    // Thumbnails and marks that come in (roles other than the display's)
    // leave the order and the filter alone; new facts are taken in batches.
    setSourceModel(&list);
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&list, changed, this, [this] { m_keysValid = false; });
    connect(&list, &QAbstractItemModel::modelReset, this, [this] { m_keysValid = false; });
}

// The sort keys of every listed photo, made once for many comparisons, so
// that a long list sorts in a blink: names and folders case-folded ("b"
// between "A" and "C", as file managers list them), dates as numbers.
void PhotoBrowserModel::makeKeys() const {
    const int rows = m_list.rowCount();
    m_nameKeys.clear();
    m_folderKeys.clear();
    m_taken.assign(size_t(rows), std::numeric_limits<qint64>::max());
    m_nameKeys.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        const IKImageItem& item = m_list.itemAt(row);
        m_nameKeys.push_back(item.fileName.toCaseFolded());
        if (m_order == PhotoOrder::Folder)
            m_folderKeys.push_back(folderOf(item.filePath).toString().toCaseFolded());
        const PhotoFacts* facts = m_list.factsAt(row);
        if (facts && facts->taken.isValid())
            m_taken[size_t(row)] = facts->taken.toMSecsSinceEpoch();
    }
    m_keysOrder = m_order;
    m_keysValid = true;
}

void PhotoBrowserModel::setFilter(const PhotoFilter& filter) {
    if (filter == m_filter)
        return;
    m_filter = filter;
    m_words = filter.words();
    // One change of layout for the whole list: rows taken out one run at a
    // time would each cost the view a pass, thousands of them for a filter
    // that keeps every fifth photo.
    invalidate();
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
    m_keysValid = false;
    if (m_order == PhotoOrder::DateTaken)
        invalidate();
    else if (m_filter.position != PhotoFilter::Position::Any || !m_filter.from.isNull() ||
             !m_filter.to.isNull() || !m_filter.text.trimmed().isEmpty())
        invalidate();
}

bool PhotoBrowserModel::filterAcceptsRow(int row, const QModelIndex&) const {
    if (m_filter.isEmpty())
        return true;
    return m_filter.accepts(m_list.itemAt(row), m_list.factsAt(row), m_words);
}

bool PhotoBrowserModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    if (!m_keysValid || m_keysOrder != m_order || m_nameKeys.size() != size_t(m_list.rowCount()))
        makeKeys();
    const size_t a = size_t(left.row()), b = size_t(right.row());
    int order = 0;
    // Photos without a date come after the dated ones (their key is the largest).
    if (m_order == PhotoOrder::DateTaken && m_taken[a] != m_taken[b])
        return m_taken[a] < m_taken[b];
    if (m_order == PhotoOrder::Folder)
        order = QString::compare(m_folderKeys[a], m_folderKeys[b]);
    if (order == 0)
        order = QString::compare(m_nameKeys[a], m_nameKeys[b]);
    return order != 0 ? order < 0 : a < b;
}

int listRowOf(const QModelIndex& index) {
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        return proxy->mapToSource(index).row();
    return index.row();
}
