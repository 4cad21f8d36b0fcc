#pragma once

#include <QLabel>
#include <QList>
#include <QListView>
#include <QUrl>

class QDragMoveEvent;
class QDropEvent;
class QMimeData;

// Whether a drag may drop here: it carries files, and the first names an
// existing file that reads as an image.
bool acceptsPhotoDrag(const QList<QUrl>& urls);

// The photo browser: a grid of thumbnails that takes dropped files.
class NSDragImageBrowserView : public QListView {
    Q_OBJECT
public:
    explicit NSDragImageBrowserView(QWidget* parent = nullptr);
    // The smallest cell: the grid spreads its columns over the whole width,
    // as many as fit, and takes them anew as the pane is resized.
    void setCellSize(QSize cell);
    QSize cellSize() const { return m_cell; }
    QList<QUrl> geturlArray() const { return m_urlArray; }
    // Takes the files of a drop and announces it.
    bool performDragOperation(const QMimeData* data);

Q_SIGNALS:
    void NSDragOperationImageNote();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void spreadColumns();

    QList<QUrl> m_urlArray;
    QSize m_cell;
};

// The drop hint's image, shown while the list is empty.
class PRDragImageView : public QLabel {
    Q_OBJECT
public:
    explicit PRDragImageView(QWidget* parent = nullptr);
    QList<QUrl> geturlArray() const { return m_urlArray; }
    // Takes the files of a drop and announces it.
    bool performDragOperation(const QMimeData* data);

Q_SIGNALS:
    void NSDragOperationImageViewNote();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QList<QUrl> m_urlArray;
};
