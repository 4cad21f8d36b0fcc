#include "app/PhotoCellDelegate.h"

#include "sources/PhotoListModel.h"

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace {
constexpr int margin = 6;
} // namespace

PhotoCellDelegate::PhotoCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void PhotoCellDelegate::setThumbnailSide(int side) {
    m_side = std::clamp(side, smallestSide, largestSide);
}

QSize PhotoCellDelegate::cellSize() const {
    const QFontMetrics metrics(QApplication::font());
    // Small thumbnails still leave room for a camera's file name.
    const int name = metrics.horizontalAdvance(QStringLiteral("DSCN0000.jpeg")) + 8;
    const int width = std::max(m_side, name) + 2 * margin;
    return {width, margin + m_side + 4 + metrics.height() + margin};
}

QString PhotoCellDelegate::elidedName(const QFontMetrics& metrics, const QString& name, int width) {
    if (metrics.horizontalAdvance(name) <= width)
        return name;
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString file = name.mid(slash);
        const int room = width - metrics.horizontalAdvance(file);
        const QString folder = metrics.elidedText(name.left(slash), Qt::ElideRight, room);
        if (room > 0 && folder != QStringLiteral("…") && !folder.isEmpty())
            return folder + file;
    }
    return metrics.elidedText(name, Qt::ElideMiddle, width);
}

namespace {

// A map pin: a round head over a point, in the highlight's colour.
void drawPin(QPainter* painter, const QRect& at, const QPalette& palette) {
    QPainterPath pin;
    const qreal w = at.width();
    const QPointF head(at.left() + w / 2, at.top() + w * 0.4);
    pin.moveTo(at.left() + w / 2, at.bottom());
    pin.arcTo(QRectF(at.left() + w * 0.1, at.top(), w * 0.8, w * 0.8), 225, -270);
    pin.closeSubpath();
    painter->setPen(QPen(palette.color(QPalette::Base), 1.2));
    painter->setBrush(palette.color(QPalette::Highlight));
    painter->drawPath(pin);
    painter->setBrush(palette.color(QPalette::Base));
    painter->setPen(Qt::NoPen);
    painter->drawEllipse(head, w * 0.14, w * 0.14);
}

} // namespace

void PhotoCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const QRect cell = option.rect;
    const QPalette& palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const QRect box(cell.left() + (cell.width() - m_side) / 2, cell.top() + margin, m_side, m_side);
    // The name may take the whole width of the grid's column, which is
    // wider than the cell where the columns are spread over the pane.
    int across = cell.width();
    if (const auto* view = qobject_cast<const QListView*>(option.widget))
        across = std::max(across, view->gridSize().width());
    const QRect title(cell.center().x() - across / 2 + 4, box.bottom() + 4, across - 8,
                      cell.bottom() - box.bottom() - 4);
    const QString text = elidedName(
        option.fontMetrics, index.data(PhotoListModel::TitleRole).toString(), title.width());
    if (selected) {
        // The highlight reaches under a name wider than the cell.
        const int wide = option.fontMetrics.horizontalAdvance(text) + 8;
        const QRect under(cell.center().x() - wide / 2, title.top(), wide, title.height());
        painter->fillRect(cell.adjusted(2, 2, -2, -2).united(under.adjusted(0, 0, 0, -2)),
                          palette.highlight());
    }
    const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
    QRect picture = box;
    if (thumbnail.isNull()) {
        painter->fillRect(box, palette.color(QPalette::Mid));
    } else {
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize size = thumbnail.size().scaled(box.size(), Qt::KeepAspectRatio);
        picture =
            QRect(box.left() + (box.width() - size.width()) / 2,
                  box.top() + (box.height() - size.height()) / 2, size.width(), size.height());
        painter->fillRect(picture.translated(2, 2), QColor(0, 0, 0, 90));
        painter->drawImage(picture, thumbnail);
    }
    if (index.data(PhotoListModel::WorkingCopyRole).toBool()) {
        // A dot on the picture's corner: the photo has been edited, and the
        // next edit builds on its copy in the storage folder.
        const int dot = std::max(8, m_side / 10);
        const QRect mark(picture.right() - dot - 2, picture.top() + 2, dot, dot);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(palette.color(QPalette::Base), 1.5));
        painter->setBrush(palette.color(QPalette::Highlight));
        painter->drawEllipse(mark);
    }
    const int badge = std::max(12, m_side / 7);
    if (index.data(PhotoListModel::PositionRole).toBool())
        drawPin(painter,
                QRect(picture.left() + 2, picture.bottom() - badge - 1, badge * 3 / 4, badge),
                palette);
    if (index.data(PhotoListModel::UnreadableRole).toBool()) {
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        const QIcon warning = style->standardIcon(QStyle::SP_MessageBoxWarning);
        warning.paint(painter, QRect(picture.right() - badge - 1, picture.bottom() - badge - 1,
                                     badge, badge));
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(title, Qt::AlignHCenter | Qt::AlignTop, text);
    painter->restore();
}
