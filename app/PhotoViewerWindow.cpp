#include "app/PhotoViewerWindow.h"

#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/WindowGeometry.h"

#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

PhotoViewerWindow::PhotoViewerWindow(MetadataService& metadata, QSettings& settings,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings) {
    setObjectName(QStringLiteral("photoViewerWindow"));
    resize(960, 680);
    m_view = new LargePhotoView;
    m_view->setObjectName(QStringLiteral("photoViewerView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_decoder = new LatestPhotoDecoder(metadata, this);
    connect(m_decoder, &LatestPhotoDecoder::decoded, this,
            [this](const QString& path, const QImage& photo) {
                if (path != m_path)
                    return;
                if (photo.isNull())
                    m_view->setMessage(tr("Not a photo Tessaview can read"));
                else
                    m_view->setPhoto(photo, path);
                Q_EMIT photoShown(path);
            });
    connect(m_view, &LargePhotoView::needsLargerPhoto, this, &PhotoViewerWindow::decode);
    WindowGeometry::closeWithEscapeAndCtrlW(this);
}

void PhotoViewerWindow::showPhoto(const QString& path, const QString& name) {
    m_path = path;
    setWindowTitle(tr("%1 — Tessaview").arg(name));
    if (!m_placed) {
        WindowGeometry::restoreWindow(this, m_settings, QStringLiteral("photoViewer"),
                                      parentWidget());
        m_placed = true;
    }
    m_view->clear();
    m_view->setPlaceholderText(tr("Opening %1…").arg(name));
    show();
    raise();
    activateWindow();
    decode();
}

void PhotoViewerWindow::decode() {
    if (m_path.isEmpty())
        return;
    // The whole screen's worth of pixels, so that maximising needs no new decode.
    const QScreen* shown = screen();
    const QSize screenPixels =
        shown ? shown->size() * shown->devicePixelRatio() : m_view->pixelSize();
    m_decoder->request(m_path, screenPixels.expandedTo(m_view->pixelSize()));
}

void PhotoViewerWindow::closeEvent(QCloseEvent* event) {
    WindowGeometry::saveWindow(this, m_settings, QStringLiteral("photoViewer"));
    m_decoder->cancel();
    QWidget::closeEvent(event);
}
