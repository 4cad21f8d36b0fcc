#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws a browser cell: the thumbnail centred in a square box with a shadow,
// and the file name below it in the palette's colours. The box's side is the
// thumbnail size the user chose. Marks on the picture's corners: a dot for
// a working copy (top right), a pin for a position (bottom left), and the
// style's warning for a photo that could not be read (bottom right).
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

    // The name shortened in its middle to fit, keeping its start and its end,
    // where cameras put their numbers: "Kodak_CX7530.jpg" may read
    // "Kodak…7530.jpg".
    // A title of a folder and a name shortens the folder first.
    static QString elidedName(const QFontMetrics& metrics, const QString& name, int width);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return cellSize();
    }

private:
    int m_side = firstSide;
};
