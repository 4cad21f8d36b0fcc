#include "app/DeviceWindow.h"

#include "app/PRButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QVBoxLayout>

DeviceWindow::DeviceWindow(QListView* browser, QWidget* parent)
    : QWidget(parent, Qt::Window), imageBrowserView(browser) {
    setObjectName(QStringLiteral("cameraWindow"));
    setWindowTitle(tr("Camera"));
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    deviceNamelab = new QLabel;
    deviceNamelab->setObjectName(QStringLiteral("deviceNamelab"));
    layout->addWidget(deviceNamelab);
    imageBrowserView->setParent(this);
    imageBrowserView->setResizeMode(QListView::Adjust);
    imageBrowserView->setMovement(QListView::Static);
    imageBrowserView->setUniformItemSizes(true);
    imageBrowserView->show();
    layout->addWidget(imageBrowserView, 1);
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
    viewExifBtn = button(tr("Dates"), "viewExifBtn");
    removeExifBtn = button(tr("Remove"), "removeExifBtn");
    deletePhotoBtn = button(tr("Delete"), "deletePhotoBtn");
    layout->addLayout(buttons);
}
