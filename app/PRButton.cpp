#include "app/PRButton.h"

#include "app/Pictures.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionButton>

PRButton::PRButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setIconSize(QSize(22, 22));
}

void PRButton::setMenuArrow(bool arrow) {
    m_menuArrow = arrow;
    updateGeometry();
    update();
}

void PRButton::initStyleOption(QStyleOptionButton* option) const {
    QPushButton::initStyleOption(option);
    if (m_menuArrow)
        option->features |= QStyleOptionButton::HasMenu;
}

// The arrow takes room of its own, as it does beside a real menu's button.
QSize PRButton::sizeHint() const {
    QSize size = QPushButton::sizeHint();
    if (m_menuArrow) {
        QStyleOptionButton option;
        initStyleOption(&option);
        size.rwidth() += style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, this);
    }
    return size;
}

QSize PRButton::minimumSizeHint() const {
    return sizeHint();
}

void PRButton::setPicture(const QString& name) {
    m_picture = name;
    Pictures::apply(this, name);
}

void PRButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    Q_EMIT mouseEntered(this);
}

void PRButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    Q_EMIT mouseExited(this);
}

void PRButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT mouseDown(this);
}

void PRButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void PRButton::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
         event->key() == Qt::Key_Enter)) {
        event->accept();
        Q_EMIT mouseDown(this);
        return;
    }
    QPushButton::keyPressEvent(event);
}
