#include "app/ChangePreviewModel.h"

#include "metadata/DisplayNames.h"
#include "metadata/PrintConversion.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"

#include <QFileInfo>

namespace {
// A key row carries its photo's row + 1; a photo row carries 0.
constexpr quintptr photoRowId = 0;

// "{GPS}.Latitude" is the set "{GPS}" and the key "Latitude"; a key of the
// top level ("FileModificationDate") has no set.
std::pair<QString, QString> setAndKey(const QString& path) {
    if (!path.startsWith(QLatin1Char('{')))
        return {QString(), path};
    const qsizetype dot = path.indexOf(QStringLiteral("}."));
    if (dot < 0)
        return {QString(), path};
    return {path.left(dot + 1), path.mid(dot + 2)};
}

// The values of one set on one side of a photo's changes, so that a value
// reads with its neighbour (a latitude with its "N").
QVariantMap sideOf(const PhotoChangePreview& photo, const QString& set, bool isNew) {
    QVariantMap values;
    for (const KeyChange& change : photo.changes) {
        const auto [changeSet, key] = setAndKey(change.key);
        if (changeSet == set)
            values.insert(key, isNew ? change.to : change.from);
    }
    return values;
}
} // namespace

QString ChangePreviewModel::keyText(const QString& path) {
    const auto [set, key] = setAndKey(path);
    if (set == PropertyKeys::XmpSet)
        return tr("XMP %1").arg(key);
    if (set == PropertyKeys::IptcSet)
        return tr("IPTC %1").arg(displayNameForKey(key));
    return displayNameForKey(key);
}

QString ChangePreviewModel::readableValue(const PhotoChangePreview& photo, const KeyChange& change,
                                          bool isNew) {
    const QVariant& value = isNew ? change.to : change.from;
    if (PropertyKeys::isRemoval(value) || !value.isValid())
        return valueText(value, isNew);
    const auto [set, key] = setAndKey(change.key);
    const QString readable = PrintConversion::readable(set, key, value, sideOf(photo, set, isNew));
    // A text as it is stored is quoted, so that its blanks and its end show.
    if (value.typeId() == QMetaType::QString && readable == value.toString())
        return QStringLiteral("\u201c%1\u201d").arg(readable);
    return readable;
}

ChangePreviewModel::ChangePreviewModel(std::vector<PhotoChangePreview> previews, QObject* parent)
    : QAbstractItemModel(parent), m_previews(std::move(previews)) {}

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
        case NewColumn:
            // Where it goes, when that is not under its own name.
            if (!photo.outputPath.isEmpty() &&
                QFileInfo(photo.outputPath).fileName() != QFileInfo(photo.inputPath).fileName())
                return role == Qt::ToolTipRole
                           ? photo.outputPath
                           : tr("as %1").arg(QFileInfo(photo.outputPath).fileName());
            return {};
        case OldColumn:
            if (!photo.skipReason.isEmpty())
                return tr("skipped: %1").arg(photo.skipReason);
            return photo.changes.isEmpty() ? tr("no change")
                                           : tr("%n changes", nullptr, int(photo.changes.size()));
        default:
            return {};
        }
    }
    const PhotoChangePreview& photo = m_previews[size_t(index.internalId() - 1)];
    const KeyChange& change = photo.changes[qsizetype(index.row())];
    // The stored key and value are in the tooltip.
    switch (index.column()) {
    case KeyColumn:
        return role == Qt::ToolTipRole ? change.key : keyText(change.key);
    case OldColumn:
        return role == Qt::ToolTipRole ? valueText(change.from, false)
                                       : readableValue(photo, change, false);
    case NewColumn:
        return role == Qt::ToolTipRole ? valueText(change.to, true)
                                       : readableValue(photo, change, true);
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
