#include "app/PWindowView.h"

#include "app/Pictures.h"

#include <QPainter>

PWindowView::PWindowView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PWindowView::sizeHint() const {
    const QSize picture = Pictures::naturalSize(pictureName());
    return picture.isEmpty() ? QSize(900, 36) : picture;
}

void PWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Pictures::paint(painter, pictureName(), QRectF(rect()));
}
