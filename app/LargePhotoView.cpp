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
    const QSize shown = m_photo.size()
                            .scaled(size(), Qt::KeepAspectRatio)
                            .boundedTo(m_photo.size() / m_photo.devicePixelRatio());
    const qreal ratio = devicePixelRatioF();
    if (m_scaled.isNull() || m_scaled.size() != shown * ratio) {
        m_scaled = QPixmap::fromImage(
            m_photo.scaled(shown * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    const QSize logical = m_scaled.size() / ratio;
    painter.drawPixmap(QPoint((width() - logical.width()) / 2, (height() - logical.height()) / 2),
                       m_scaled);
}

void LargePhotoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_photo.isNull() &&
        (m_photo.width() < pixelSize().width() && m_photo.height() < pixelSize().height()))
        Q_EMIT needsLargerPhoto();
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
