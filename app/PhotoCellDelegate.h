#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws a browser cell: the thumbnail centred in a square box with a shadow,
// and the file name below it in the palette's colours. The box's side is the
// thumbnail size the user chose.
class PhotoCellDelegate : public QStyledItemDelegate {
public:
    static constexpr int smallestSide = 48;
    static constexpr int largestSide = 256;
    static constexpr int sideStep = 16;
    static constexpr int firstSide = 85;

    explicit PhotoCellDelegate(QObject* parent = nullptr);

    void setThumbnailSide(int side);
    int thumbnailSide() const { return m_side; }
    QSize thumbnailBox() const { return {m_side, m_side}; }
    QSize cellSize() const;

    // The name shortened at its end to fit, keeping its extension:
    // "DSCN0010.jpg" may read "DSCN00….jpg", never "DSCN0….jpg" twice over.
    static QString elidedName(const QFontMetrics& metrics, const QString& name, int width);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return cellSize();
    }

private:
    int m_side = firstSide;
};
