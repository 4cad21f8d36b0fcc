#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

// The large view of the selected photo: the photo fitted into the view at the
// screen's full sharpness, or a message where there is none. It remembers
// which photo it shows, so that a late decode of an earlier selection can be
// told apart.
class LargePhotoView : public QWidget {
    Q_OBJECT
public:
    explicit LargePhotoView(QWidget* parent = nullptr);

    void setPhoto(const QImage& photo, const QString& path);
    // No photo: the placeholder (or a message) in its place.
    void clear();
    void setMessage(const QString& message);
    void setPlaceholderText(const QString& text);

    QString shownPath() const { return m_path; }
    QImage photo() const { return m_photo; }
    QString message() const { return m_message; }
    QString placeholderText() const { return m_placeholder; }
    // The pixels a photo needs to be shown sharp at the view's size.
    QSize pixelSize() const;

    QSize sizeHint() const override { return {320, 240}; }
    QSize minimumSizeHint() const override { return {160, 120}; }

Q_SIGNALS:
    // The view grew past what its photo was decoded for.
    void needsLargerPhoto();
    // Its size changed: what is decoded ahead for it may want another size.
    void pixelSizeChanged();
    void doubleClicked();
    // The wheel asks for the next photo (1) or the one before (-1).
    void stepRequested(int step);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage m_photo;
    QPixmap m_scaled; // the photo at the size last drawn
    QString m_path;
    QString m_message;
    QString m_placeholder;
    int m_wheel = 0; // the wheel's turn not yet a whole step
};
