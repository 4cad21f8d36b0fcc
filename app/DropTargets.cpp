#include "app/DropTargets.h"

#include "metadata/PhotoFormat.h"

#include <QDragMoveEvent>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

bool acceptsPhotoDrag(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return false;
    const QString path = urls.first().toLocalFile();
    if (!QFileInfo::exists(path))
        return false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && sniffPhotoFormat(file.read(64)) != PhotoFormat::Unknown)
        return true;
    return QImageReader(path).canRead();
}

namespace {
template <typename Event> void judgeDrag(Event* event) {
    if (event->mimeData()->hasUrls() && acceptsPhotoDrag(event->mimeData()->urls())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
} // namespace

NSDragImageBrowserView::NSDragImageBrowserView(QWidget* parent) : QListView(parent) {
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void NSDragImageBrowserView::setCellSize(QSize cell) {
    m_cell = cell;
    spreadColumns();
}

bool NSDragImageBrowserView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize)
        spreadColumns();
    return QListView::viewportEvent(event);
}

void NSDragImageBrowserView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    spreadColumns();
}

// The columns share the width the list lays its cells out in, so no strip
// wider than a scroll bar stays empty on the right; a cell is never narrower
// than asked. The list keeps a scroll bar's room whether one shows or not,
// so that a scroll bar coming does not move the columns.
void NSDragImageBrowserView::spreadColumns() {
    if (m_cell.isEmpty())
        return;
    int reserved = 0;
    if (verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded) {
        reserved = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
        if (style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, this))
            reserved += 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    }
    const int width = maximumViewportSize().width() - reserved;
    const int columns = std::max(1, (width - 1) / m_cell.width());
    // A pixel to spare: the list wraps a row that would end exactly at its edge.
    const QSize grid(std::max(m_cell.width(), (width - 1) / columns), m_cell.height());
    if (grid != gridSize())
        setGridSize(grid);
}

void NSDragImageBrowserView::dragEnterEvent(QDragEnterEvent* event) {
    judgeDrag(event);
}
void NSDragImageBrowserView::dragMoveEvent(QDragMoveEvent* event) {
    judgeDrag(event);
}

void NSDragImageBrowserView::dropEvent(QDropEvent* event) {
    if (performDragOperation(event->mimeData()))
        event->acceptProposedAction();
}

bool NSDragImageBrowserView::performDragOperation(const QMimeData* data) {
    if (!data->hasUrls())
        return false;
    m_urlArray = data->urls();
    Q_EMIT NSDragOperationImageNote();
    return true;
}

PRDragImageView::PRDragImageView(QWidget* parent) : QLabel(parent) {
    setAcceptDrops(true);
}

void PRDragImageView::dragEnterEvent(QDragEnterEvent* event) {
    judgeDrag(event);
}
void PRDragImageView::dragMoveEvent(QDragMoveEvent* event) {
    judgeDrag(event);
}

void PRDragImageView::dropEvent(QDropEvent* event) {
    if (performDragOperation(event->mimeData()))
        event->acceptProposedAction();
}

bool PRDragImageView::performDragOperation(const QMimeData* data) {
    if (!data->hasUrls())
        return false;
    m_urlArray = data->urls();
    Q_EMIT NSDragOperationImageViewNote();
    return true;
}
