#include "app/CameraWindow.h"

#include "app/PRButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

CameraWindow::CameraWindow(QListView* browser, QWidget* parent)
    : QWidget(parent, Qt::Window), imageBrowserView(browser) {
    setObjectName(QStringLiteral("cameraWindow"));
    setWindowTitle(tr("Camera"));
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    deviceNamelab = new QLabel;
    deviceNamelab->setObjectName(QStringLiteral("deviceNamelab"));
    layout->addWidget(deviceNamelab);
    openHint = new QLabel(tr("Connect a camera or phone, then choose Open"));
    openHint->setObjectName(QStringLiteral("openHint"));
    openHint->setAlignment(Qt::AlignCenter);
    openHint->setWordWrap(true);
    openHint->setMargin(16);
    openHint->setFrameShape(QFrame::StyledPanel);
    imageBrowserView->setResizeMode(QListView::Adjust);
    imageBrowserView->setMovement(QListView::Static);
    imageBrowserView->setUniformItemSizes(true);
    m_pages = new QStackedWidget;
    m_pages->addWidget(openHint);
    m_pages->addWidget(imageBrowserView);
    imageBrowserView->show();
    layout->addWidget(m_pages, 1);
    camerataskProgressor = new QProgressBar;
    camerataskProgressor->setObjectName(QStringLiteral("camerataskProgressor"));
    camerataskProgressor->setFormat(tr("%v of %m"));
    camerataskProgressor->hide();
    layout->addWidget(camerataskProgressor);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name) {
        auto* b = new PRButton(text);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    opendeviceBtn = button(tr("Open"), "opendeviceBtn");
    downloadPhotoBtn = button(tr("Download"), "downloadPhotoBtn");
    importEditPhotoBtn = button(tr("Import to Edit"), "importEditPhotoBtn");
    viewExifBtn = button(tr("Dates and GPS"), "viewExifBtn");
    removeExifBtn = button(tr("Remove"), "removeExifBtn");
    deletePhotoBtn = button(tr("Delete"), "deletePhotoBtn");
    // The two that open a menu say so, as the main window's do.
    viewExifBtn->setMenuArrow(true);
    removeExifBtn->setMenuArrow(true);
    layout->addLayout(buttons);
}

void CameraWindow::showOpenHint(bool hint) {
    m_pages->setCurrentWidget(hint ? static_cast<QWidget*>(openHint) : imageBrowserView);
}

bool CameraWindow::showsOpenHint() const {
    return m_pages->currentWidget() == openHint;
}
