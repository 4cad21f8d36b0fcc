#include "app/PRClosedButton.h"

#include "app/Pictures.h"

#include <QMouseEvent>

PRClosedButton::PRClosedButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setIconSize(QSize(16, 16));
}

void PRClosedButton::setPicture(const QString& name) {
    m_picture = name;
    Pictures::apply(this, name);
}

void PRClosedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT mouseDown(this);
}

void PRClosedButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
