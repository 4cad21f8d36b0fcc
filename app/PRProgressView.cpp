#include "app/PRProgressView.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

PRProgressView::PRProgressView(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    // A dialog's count takes over again from a fraction set by hand.
    connect(this, &QProgressBar::valueChanged, this, [this] { m_value.reset(); });
}

float PRProgressView::progressValue() const {
    if (m_value)
        return *m_value;
    const qint64 span = qint64(maximum()) - minimum();
    // A reset bar holds a value below its range: nothing done yet.
    if (span <= 0 || value() < minimum())
        return 0;
    return float(qint64(value()) - minimum()) / float(span);
}

void PRProgressView::setProgressValue(float value) {
    m_value = value;
    update();
}

std::optional<QRectF> PRProgressView::barRect(const QSizeF& size, float value) {
    // A value that is no number would give a bar of no defined width.
    if (std::isnan(value) || value > 1 || value == 0)
        return std::nullopt;
    qreal width = qreal(value) * size.width() - 4;
    if (width <= 0)
        width = 2;
    return QRectF(2, 1, width, size.height() - 3.5);
}

QSize PRProgressView::sizeHint() const {
    return QSize(std::max(QProgressBar::sizeHint().width(), 200), 20);
}

QSize PRProgressView::minimumSizeHint() const {
    return QSize(40, 20);
}

void PRProgressView::drawBezel(QPainter& painter) const {
    const qreal w = width();
    const qreal h = height();
    painter.save();
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0.5, 0, w - 1, h - 1), 8, 8);
    painter.setClipRect(QRectF(0, h / 2, w, h / 2));
    painter.strokePath(outline, QPen(QColor(255, 255, 255, 51), 1));
    painter.restore();
    QPainterPath body;
    body.addRoundedRect(QRectF(1, -0.5, w, h - 1), 8, 8);
    painter.fillPath(body, QColor(168, 168, 168));
}

void PRProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The geometry is laid out with y growing upwards from the bottom edge.
    painter.translate(0, height());
    painter.scale(1, -1);
    drawBezel(painter);
    const std::optional<QRectF> bar = barRect(QSizeF(size()), progressValue());
    if (!bar)
        return;
    // From the lower edge (the smallest y here) up.
    QLinearGradient gradient(bar->topLeft(), bar->bottomLeft());
    gradient.setColorAt(0, QColor(230, 231, 232));
    gradient.setColorAt(1, QColor(233, 234, 234));
    QPainterPath path;
    path.addRoundedRect(*bar, 4, 4);
    painter.fillPath(path, gradient);
}
