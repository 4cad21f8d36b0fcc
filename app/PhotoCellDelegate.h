#pragma once

#include <QStyledItemDelegate>

// Draws a browser cell: the thumbnail centred in an 85 x 85 box with a
// shadow, and the title below it.
class PhotoCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static QSize cellSize() { return {94, 116}; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return cellSize();
    }
};
