#include "app/LargePhotoView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

LargePhotoView::LargePhotoView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LargePhotoView::setPhoto(const QImage& photo, const QString& path) {
    m_photo = photo;
    m_path = path;
    m_message.clear();
    m_scaled = QPixmap();
    update();
}

void LargePhotoView::clear() {
    m_photo = QImage();
    m_path.clear();
    m_message.clear();
    m_scaled = QPixmap();
    update();
}

void LargePhotoView::setMessage(const QString& message) {
    clear();
    m_message = message;
}

void LargePhotoView::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    update();
}

QSize LargePhotoView::pixelSize() const {
    return size() * devicePixelRatioF();
}

void LargePhotoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A neutral ground from the desktop's palette, a little darker than the window.
    painter.fillRect(rect(), palette().color(QPalette::Window).darker(115));
    if (m_photo.isNull()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const QString text = m_message.isEmpty() ? m_placeholder : m_message;
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    // Fitted in device pixels, never past the photo's own size at its
    // density: a photo decoded for the view is drawn pixel for pixel, unscaled.
    const qreal ratio = devicePixelRatioF();
    const QSize device =
        m_photo.size()
            .scaled(pixelSize(), Qt::KeepAspectRatio)
            .boundedTo((QSizeF(m_photo.size()) * ratio / m_photo.devicePixelRatio()).toSize());
    if (m_scaled.isNull() || m_scaled.size() != device) {
        m_scaled = QPixmap::fromImage(
            device == m_photo.size()
                ? m_photo
                : m_photo.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    m_scaled.setDevicePixelRatio(ratio);
    // On whole device pixels, so that nothing is resampled as it is drawn.
    const QSize margin = (pixelSize() - device) / 2;
    painter.drawPixmap(QPointF(margin.width() / ratio, margin.height() / ratio), m_scaled);
}

void LargePhotoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_photo.isNull() &&
        (m_photo.width() < pixelSize().width() && m_photo.height() < pixelSize().height()))
        Q_EMIT needsLargerPhoto();
    Q_EMIT pixelSizeChanged();
}

void LargePhotoView::wheelEvent(QWheelEvent* event) {
    // A notch of a wheel is 120; a touchpad sends its turn in small parts.
    m_wheel += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    while (std::abs(m_wheel) >= 120) {
        const int step = m_wheel > 0 ? -1 : 1;
        m_wheel += step * 120;
        Q_EMIT stepRequested(step);
    }
    event->accept();
}

void LargePhotoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
}
