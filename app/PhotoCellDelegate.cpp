#include "app/PhotoCellDelegate.h"

#include <QImage>
#include <QPainter>

void PhotoCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    painter->save();
    const QRect cell = option.rect;
    if (option.state & QStyle::State_Selected)
        painter->fillRect(cell.adjusted(2, 2, -2, -2), QColor(90, 120, 160));
    const QRect box(cell.left() + (cell.width() - 85) / 2, cell.top() + 6, 85, 85);
    const QImage thumbnail = index.data(Qt::DecorationRole).value<QImage>();
    if (thumbnail.isNull()) {
        painter->fillRect(box, QColor(80, 75, 74));
    } else {
        const QSize size = thumbnail.size().scaled(box.size(), Qt::KeepAspectRatio);
        const QRect picture(box.left() + (box.width() - size.width()) / 2,
                            box.top() + (box.height() - size.height()) / 2, size.width(),
                            size.height());
        painter->fillRect(picture.translated(3, 3), QColor(0, 0, 0, 110));
        painter->drawImage(picture, thumbnail);
    }
    const QRect title(cell.left() + 4, box.bottom() + 4, cell.width() - 8,
                      cell.bottom() - box.bottom() - 6);
    painter->setPen(Qt::white);
    const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                       Qt::ElideMiddle, title.width());
    painter->drawText(title, Qt::AlignHCenter | Qt::AlignTop, text);
    painter->restore();
}
