#pragma once

#include <QWidget>

// The banner across the top of the window's content: the picture
// "windowtopbanner.png" scaled into the whole view.
class PWindowView : public QWidget {
    Q_OBJECT
public:
    explicit PWindowView(QWidget* parent = nullptr);
    static QString pictureName() { return QStringLiteral("windowtopbanner.png"); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
