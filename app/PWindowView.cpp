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

// The whole picture at its own proportions, scaled to the banner's height;
// a banner wider than that continues the picture's last column, its plain
// ground, rather than stretching the name and the mark in it.
void PWindowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize natural = Pictures::naturalSize(pictureName());
    if (natural.isEmpty() || height() <= 0)
        return;
    const qreal ratio = devicePixelRatioF();
    const int drawnWidth = std::min(width(), natural.width() * height() / natural.height());
    QImage picture(QSize(drawnWidth, height()) * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter inside(&picture);
        inside.setRenderHint(QPainter::SmoothPixmapTransform);
        Pictures::paint(inside, pictureName(),
                        QRectF(0, 0, natural.width() * height() / qreal(natural.height()) * ratio,
                               height() * ratio));
    }
    picture.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(0, 0), picture);
    if (drawnWidth < width()) {
        const QRectF lastColumn(picture.width() - 1, 0, 1, picture.height());
        painter.drawImage(QRectF(drawnWidth, 0, width() - drawnWidth, height()), picture,
                          lastColumn);
    }
}
