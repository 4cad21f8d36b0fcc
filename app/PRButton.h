#pragma once

#include <QPushButton>

// An image button that acts only through the controller: entering, leaving
// and pressing it are reported as signals, and a press is not handed to the
// push button underneath, so the button neither highlights nor clicks by
// itself. The controller swaps its pictures and runs its command.
class PRButton : public QPushButton {
    Q_OBJECT
public:
    explicit PRButton(const QString& text = QString(), QWidget* parent = nullptr);

    // Shows the named picture; a missing one leaves the button's text alone.
    // The name is remembered either way.
    void setPicture(const QString& name);
    QString picture() const { return m_picture; }
    // A button that opens a menu shows the style's arrow, as a menu button does.
    void setMenuArrow(bool arrow);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void mouseEntered(PRButton* button);
    void mouseExited(PRButton* button);
    void mouseDown(PRButton* button);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The keyboard reaches the same command as the mouse.
    void keyPressEvent(QKeyEvent* event) override;
    void initStyleOption(QStyleOptionButton* option) const override;

private:
    QString m_picture;
    bool m_menuArrow = false;
};
