#pragma once

#include "editing/ChangePreview.h"

#include <QAbstractItemModel>

#include <vector>

// The changes a command would make, as a tree: one row per photo (its name,
// or why it would be skipped), under it one row per key with the old and the
// new value. Rows are made as the view asks for them, so a preview of
// thousands of photos opens at once.
class ChangePreviewModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { KeyColumn, OldColumn, NewColumn, ColumnCount };

    explicit ChangePreviewModel(std::vector<PhotoChangePreview> previews,
                                QObject* parent = nullptr);

    const std::vector<PhotoChangePreview>& previews() const { return m_previews; }
    int skippedPhotos() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // A stored value as text; a missing one says so.
    static QString valueText(const QVariant& value, bool isNew);
    // A key as people name it: "Artist", "Latitude", "XMP dc:creator".
    static QString keyText(const QString& path);
    // A value as people read it ("43° 28′ 2.81″ N", "531.1 m"), a text quoted.
    static QString readableValue(const PhotoChangePreview& photo, const KeyChange& change,
                                 bool isNew);

private:
    std::vector<PhotoChangePreview> m_previews;
};
