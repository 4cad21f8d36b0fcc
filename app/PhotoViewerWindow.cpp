#include "app/PhotoViewerWindow.h"

#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/WindowGeometry.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
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
    connect(m_view, &LargePhotoView::stepRequested, this, &PhotoViewerWindow::stepRequested);
    addCommands();
}

// The window's keys, each a command of its context menu where it is shown
// with its keys. Home and End step past either end of the list.
void PhotoViewerWindow::addCommands() {
    const struct {
        const char* title;
        const char* name;
        QList<QKeySequence> keys;
        int step;
    } steps[] = {
        {QT_TR_NOOP("&Next Photo"),
         "nextPhotoItem",
         {QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Down), QKeySequence(Qt::Key_PageDown),
          QKeySequence(Qt::Key_Space)},
         1},
        {QT_TR_NOOP("&Previous Photo"),
         "previousPhotoItem",
         {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_Up), QKeySequence(Qt::Key_PageUp),
          QKeySequence(Qt::Key_Backspace)},
         -1},
        {QT_TR_NOOP("&First Photo"), "firstPhotoItem", {QKeySequence(Qt::Key_Home)}, -1000000},
        {QT_TR_NOOP("&Last Photo"), "lastPhotoItem", {QKeySequence(Qt::Key_End)}, 1000000},
    };
    for (const auto& s : steps) {
        auto* action = new QAction(tr(s.title), this);
        action->setObjectName(QString::fromLatin1(s.name));
        action->setShortcuts(s.keys);
        const int step = s.step;
        connect(action, &QAction::triggered, this, [this, step] { Q_EMIT stepRequested(step); });
        addAction(action);
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    m_fullScreen = new QAction(tr("F&ull Screen"), this);
    m_fullScreen->setObjectName(QStringLiteral("viewerFullScreenItem"));
    m_fullScreen->setCheckable(true);
    m_fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(m_fullScreen, &QAction::triggered, this, [this](bool on) {
        setWindowState(on ? windowState() | Qt::WindowFullScreen
                          : windowState() & ~Qt::WindowFullScreen);
    });
    addAction(m_fullScreen);
    // Escape leaves full screen first, then closes; Ctrl+W always closes.
    auto* close = new QAction(tr("&Close"), this);
    close->setObjectName(QStringLiteral("viewerCloseItem"));
    QList<QKeySequence> keys{QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!keys.contains(key))
            keys << key;
    }
    close->setShortcuts(keys);
    connect(close, &QAction::triggered, this, [this] {
        if (isFullScreen() && QGuiApplication::keyboardModifiers() == Qt::NoModifier)
            setWindowState(windowState() & ~Qt::WindowFullScreen);
        else
            this->close();
    });
    addAction(close);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PhotoViewerWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        m_fullScreen->setChecked(isFullScreen());
    QWidget::changeEvent(event);
}

void PhotoViewerWindow::showPhoto(const QString& path, const QString& name, const QString& ahead) {
    m_path = path;
    m_ahead = ahead;
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
    const QSize pixels = screenPixels.expandedTo(m_view->pixelSize());
    m_decoder->request(m_path, pixels);
    m_decoder->prefetch(m_ahead, pixels);
}

void PhotoViewerWindow::closeEvent(QCloseEvent* event) {
    WindowGeometry::saveWindow(this, m_settings, QStringLiteral("photoViewer"));
    m_decoder->cancel();
    QWidget::closeEvent(event);
}
