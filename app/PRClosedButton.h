#pragma once

#include <QPushButton>

// The window's own close button: a press is reported to the controller,
// which asks before quitting; the button does nothing by itself.
class PRClosedButton : public QPushButton {
    Q_OBJECT
public:
    explicit PRClosedButton(QWidget* parent = nullptr);

    void setPicture(const QString& name);
    QString picture() const { return m_picture; }

Q_SIGNALS:
    void mouseDown(PRClosedButton* button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_picture;
};
