#include "app/ChangePreviewModel.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"

#include <QFileInfo>

namespace {
// A key row carries its photo's row + 1; a photo row carries 0.
constexpr quintptr photoRowId = 0;
} // namespace

ChangePreviewModel::ChangePreviewModel(std::vector<PhotoChangePreview> previews, QObject* parent)
    : QAbstractItemModel(parent), m_previews(std::move(previews)) {}

int ChangePreviewModel::changedPhotos() const {
    return int(std::count_if(m_previews.begin(), m_previews.end(), [](const auto& preview) {
        return preview.skipReason.isEmpty() && !preview.changes.isEmpty();
    }));
}

int ChangePreviewModel::skippedPhotos() const {
    return int(std::count_if(m_previews.begin(), m_previews.end(),
                             [](const auto& preview) { return !preview.skipReason.isEmpty(); }));
}

QModelIndex ChangePreviewModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < int(m_previews.size()) ? createIndex(row, column, photoRowId) : QModelIndex();
    if (parent.internalId() != photoRowId)
        return {};
    const PhotoChangePreview& photo = m_previews[size_t(parent.row())];
    if (row >= photo.changes.size())
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex ChangePreviewModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == photoRowId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, photoRowId);
}

int ChangePreviewModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_previews.size());
    if (parent.internalId() != photoRowId || parent.column() != 0)
        return 0;
    return int(m_previews[size_t(parent.row())].changes.size());
}

int ChangePreviewModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QString ChangePreviewModel::valueText(const QVariant& value, bool isNew) {
    if (PropertyKeys::isRemoval(value))
        return isNew ? tr("(removed)") : tr("(none)");
    return displayText(value);
}

QVariant ChangePreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    if (index.internalId() == photoRowId) {
        const PhotoChangePreview& photo = m_previews[size_t(index.row())];
        switch (index.column()) {
        case KeyColumn:
            return role == Qt::ToolTipRole ? photo.inputPath
                                           : QFileInfo(photo.inputPath).fileName();
        case OldColumn:
            if (!photo.skipReason.isEmpty())
                return tr("skipped: %1").arg(photo.skipReason);
            return photo.changes.isEmpty() ? tr("no change")
                                           : tr("%n change(s)", nullptr, int(photo.changes.size()));
        default:
            return {};
        }
    }
    const KeyChange& change =
        m_previews[size_t(index.internalId() - 1)].changes[qsizetype(index.row())];
    switch (index.column()) {
    case KeyColumn:
        return change.key;
    case OldColumn:
        return valueText(change.from, false);
    case NewColumn:
        return valueText(change.to, true);
    default:
        return {};
    }
}

QVariant ChangePreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case KeyColumn:
        return tr("Photo and key");
    case OldColumn:
        return tr("Old value");
    case NewColumn:
        return tr("New value");
    default:
        return {};
    }
}
