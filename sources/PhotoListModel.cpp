#include "sources/PhotoListModel.h"

#include "sources/ThumbnailLoader.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>

#include <algorithm>

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
    case TitleRole:
        return nameIsShared(index.row())
                   ? QFileInfo(item.filePath).dir().dirName() + QLatin1Char('/') + item.fileName
                   : item.fileName;
    case Qt::ToolTipRole: {
        // The whole name, which the cell may shorten, where a local photo is,
        // and what was read of it.
        if (!isLocal(item))
            return item.fileName;
        QString tip = item.fileName + QLatin1Char('\n') + QFileInfo(item.filePath).absolutePath();
        const PhotoFacts facts = m_facts.value(item.filePath);
        if (facts.known && !facts.readable)
            tip += QLatin1Char('\n') + tr("Its metadata could not be read");
        if (!facts.camera.isEmpty())
            tip += QLatin1Char('\n') + facts.camera;
        if (facts.taken.isValid())
            tip += QLatin1Char('\n') + facts.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return tip;
    }
    case PositionRole:
        return m_facts.value(item.filePath).hasPosition;
    case UnreadableRole: {
        const auto facts = m_facts.constFind(item.filePath);
        return facts != m_facts.cend() && facts->known && !facts->readable;
    }
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

const PhotoFacts* PhotoListModel::factsAt(int row) const {
    const auto facts = m_facts.constFind(m_items.at(row).filePath);
    return facts == m_facts.cend() ? nullptr : &*facts;
}

bool PhotoListModel::nameIsShared(int row) const {
    const IKImageItem& item = m_items.at(row);
    return isLocal(item) && m_pathsOfName.value(item.fileName) > 1;
}

void PhotoListModel::setFacts(const QList<std::pair<QString, PhotoFacts>>& facts) {
    int first = int(m_items.size()), last = -1;
    for (const auto& [path, fact] : facts) {
        const QList<int> rows = m_rowsOfPath.values(path);
        if (rows.isEmpty())
            continue; // taken out of the list while it was read
        m_facts.insert(path, fact);
        for (int row : rows) {
            first = std::min(first, row);
            last = std::max(last, row);
        }
    }
    if (last >= 0)
        Q_EMIT dataChanged(index(first), index(last),
                           {PositionRole, UnreadableRole, Qt::ToolTipRole});
}

void PhotoListModel::removeRowsAt(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int row) { return row < 0 || row >= m_items.size(); }),
               rows.end());
    if (rows.isEmpty())
        return;
    // Each run of neighbouring rows goes at once, the last run first, so that
    // the rows still to go keep their numbers.
    for (qsizetype at = 0; at < rows.size();) {
        qsizetype end = at + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] - 1)
            ++end;
        const int low = rows[end - 1], high = rows[at];
        beginRemoveRows(QModelIndex(), low, high);
        m_items.remove(low, high - low + 1);
        endRemoveRows();
        at = end;
    }
    rebuildIndex();
    if (!m_items.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_items.size()) - 1), {TitleRole});
}

// The look-ups by path and by name, made anew from the list; what is known
// of a path no longer listed is forgotten.
void PhotoListModel::rebuildIndex() {
    m_rowsOfPath.clear();
    m_pathsOfName.clear();
    for (int row = 0; row < m_items.size(); ++row) {
        const IKImageItem& item = m_items.at(row);
        if (!m_rowsOfPath.contains(item.filePath) && isLocal(item))
            ++m_pathsOfName[item.fileName];
        m_rowsOfPath.insert(item.filePath, row);
    }
    m_facts.removeIf([this](QHash<QString, PhotoFacts>::iterator facts) {
        return !m_rowsOfPath.contains(facts.key());
    });
    m_withWorkingCopy.removeIf(
        [this](const QString& path) { return !m_rowsOfPath.contains(path); });
}

void PhotoListModel::append(const QList<IKImageItem>& items) {
    if (items.isEmpty())
        return;
    const int first = int(m_items.size());
    beginInsertRows(QModelIndex(), first, first + int(items.size()) - 1);
    m_items.reserve(m_items.size() + items.size());
    m_rowsOfPath.reserve(m_rowsOfPath.size() + items.size());
    bool shared = false;
    for (const IKImageItem& item : items) {
        if (!m_rowsOfPath.contains(item.filePath) && isLocal(item))
            shared |= ++m_pathsOfName[item.fileName] == 2;
        m_rowsOfPath.insert(item.filePath, int(m_items.size()));
        m_items.append(item);
    }
    endInsertRows();
    // A name now shared changes the titles of the photos listed before.
    if (shared && first > 0)
        Q_EMIT dataChanged(index(0), index(first - 1), {TitleRole});
}

void PhotoListModel::clear() {
    beginResetModel();
    m_items.clear();
    m_rowsOfPath.clear();
    m_withWorkingCopy.clear();
    m_facts.clear();
    m_pathsOfName.clear();
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
