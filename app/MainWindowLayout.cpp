#include "app/MainWindowLayout.h"

#include "app/DropTargets.h"
#include "app/EditViewLayout.h"
#include "app/MapWidget.h"
#include "app/PRButton.h"
#include "app/PWindowView.h"
#include "app/PhotoCellDelegate.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

QList<QLineEdit*> MainWindowOutlets::summaryFields() const {
    return {photoNamelab,      photoCreateDatelab, photoFileSizelab,
            photoImageSizelab, photoDPIlab,        photoModDatelab};
}

QList<QLineEdit*> MainWindowOutlets::formFields() const {
    return {artistlab,     imageDescrilab, copyrightlab, cameraMakelab, cameraModelab,
            cameraDatelab, commentslab,    keywordslab,  gpsDatelab,    gpsTimelab,
            gpsAitlab,     gpsLatilab,     gpsLongtlab};
}

namespace {

QLineEdit* field(const QString& name, bool editable) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(!editable);
    return edit;
}

QPushButton* button(const QString& title, const QString& name) {
    auto* b = new QPushButton(title);
    b->setObjectName(name);
    return b;
}

PRButton* imageButton(const QString& title, const QString& name) {
    auto* b = new PRButton(title);
    b->setObjectName(name);
    return b;
}

} // namespace

MainWindowOutlets buildMainWindow() {
    MainWindowOutlets o;
    o.window = new QMainWindow;
    o.window->setWindowTitle(QStringLiteral("Tessaview"));
    o.window->setFixedSize(900, 752);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("mainView"));
    o.window->setCentralWidget(central);
    auto* page = new QVBoxLayout(central);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    o.theView = new PWindowView;
    o.theView->setObjectName(QStringLiteral("theView"));
    page->addWidget(o.theView);
    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(8, 8, 8, 8);
    page->addLayout(columns, 1);

    // Left pane.
    auto* left = new QWidget;
    left->setFixedWidth(300);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* commands = new QGridLayout;
    o.importPhotobtn = imageButton(QObject::tr("Import"), QStringLiteral("importPhotobtn"));
    o.importPhotoMenu = new QMenu(o.importPhotobtn);
    o.importPhotoMenu->setObjectName(QStringLiteral("importPhotoMenu"));
    o.importItem = o.importPhotoMenu->addAction(QObject::tr("Import Photos…"));
    o.clearAndImportItem = o.importPhotoMenu->addAction(QObject::tr("Clear and Import…"));
    o.openFolderItem = o.importPhotoMenu->addAction(QObject::tr("Open Folder…"));
    o.importPhotoMenu->addSeparator();
    o.clearItem = o.importPhotoMenu->addAction(QObject::tr("Clear List"));
    o.localphotoBtn = imageButton(QObject::tr("Computer"), QStringLiteral("localphotoBtn"));
    o.cameraphotoBtn = imageButton(QObject::tr("Camera"), QStringLiteral("cameraphotoBtn"));
    o.preferencesButton = button(QObject::tr("Preferences…"), QStringLiteral("preferencesButton"));
    commands->addWidget(o.importPhotobtn, 0, 0);
    commands->addWidget(o.localphotoBtn, 0, 1);
    commands->addWidget(o.cameraphotoBtn, 0, 2);

    o.remoMetaDataLocalBtn =
        imageButton(QObject::tr("Remove"), QStringLiteral("remoMetaDataLocalBtn"));
    o.removeExifMenu = new QMenu(o.remoMetaDataLocalBtn);
    o.removeExifMenu->setObjectName(QStringLiteral("removeExifMenu"));
    o.removeExifItem = o.removeExifMenu->addAction(QObject::tr("Remove EXIF"));
    o.removeGpsItem = o.removeExifMenu->addAction(QObject::tr("Remove GPS"));
    o.removeIptcItem = o.removeExifMenu->addAction(QObject::tr("Remove IPTC"));
    o.removeExifAndGpsItem = o.removeExifMenu->addAction(QObject::tr("Remove EXIF and GPS"));
    o.removeAllItem = o.removeExifMenu->addAction(QObject::tr("Remove All Metadata"));
    o.editMetaDataLocalBtn =
        imageButton(QObject::tr("Edit"), QStringLiteral("editMetaDataLocalBtn"));
    o.editExifMenu = new QMenu(o.editMetaDataLocalBtn);
    o.editExifMenu->setObjectName(QStringLiteral("editExifMenu"));
    o.changeDateItem = o.editExifMenu->addAction(QObject::tr("Change Dates…"));
    o.fileDatesItem = o.editExifMenu->addAction(QObject::tr("File Dates from EXIF Date"));
    o.dateStampItem = o.editExifMenu->addAction(QObject::tr("Add Date on Photo"));
    o.editExifMenu->addSeparator();
    o.changeGpsItem = o.editExifMenu->addAction(QObject::tr("Change GPS Position…"));
    o.addGpsItem = o.editExifMenu->addAction(QObject::tr("Add GPS Position…"));
    o.showMapItem = o.editExifMenu->addAction(QObject::tr("Show on Map"));
    o.fixedPositionItem = o.editExifMenu->addAction(QObject::tr("Write the Fixed Test Position"));
    // A short title: the column is narrow; the menu says the rest.
    o.importandExportBtn = imageButton(QObject::tr("Export"), QStringLiteral("importandExportBtn"));
    o.importandExportBtn->setToolTip(QObject::tr("Import and export metadata as property lists"));
    o.importandExportMenu = new QMenu(QObject::tr("Import and Export"), o.importandExportBtn);
    o.importandExportMenu->setObjectName(QStringLiteral("importandExportMenu"));
    commands->addWidget(o.remoMetaDataLocalBtn, 1, 0);
    commands->addWidget(o.editMetaDataLocalBtn, 1, 1);
    commands->addWidget(o.importandExportBtn, 1, 2);
    o.localeditexifBtn =
        imageButton(QObject::tr("Edit Fields…"), QStringLiteral("localeditexifBtn"));
    commands->addWidget(o.localeditexifBtn, 2, 0);
    commands->addWidget(o.preferencesButton, 2, 2);
    // The menu bar carries them; the device's is offered once a camera is there.
    o.changtoComputermodemenu = new QAction(QObject::tr("Computer"), o.window);
    o.changtoComputermodemenu->setObjectName(QStringLiteral("changtoComputermodemenu"));
    o.changtoiOSmodemenu = new QAction(QObject::tr("Camera or Phone"), o.window);
    o.changtoiOSmodemenu->setObjectName(QStringLiteral("changtoiOSmodemenu"));
    o.changtoiOSmodemenu->setEnabled(false);
    leftLayout->addLayout(commands);

    o.localImageBrowserView = new NSDragImageBrowserView;
    o.localImageBrowserView->setObjectName(QStringLiteral("localImageBrowserView"));
    o.localImageBrowserView->setViewMode(QListView::IconMode);
    o.localImageBrowserView->setResizeMode(QListView::Adjust);
    o.localImageBrowserView->setMovement(QListView::Static);
    o.localImageBrowserView->setUniformItemSizes(true);
    o.localImageBrowserView->setGridSize(PhotoCellDelegate::cellSize());
    o.localImageBrowserView->setIconSize(QSize(85, 85));
    o.localImageBrowserView->setItemDelegate(new PhotoCellDelegate(o.localImageBrowserView));
    o.localImageBrowserView->setSpacing(0);
    o.localImageBrowserView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.localImageBrowserView->setTextElideMode(Qt::ElideMiddle);
    o.localImageBrowserView->setStyleSheet(
        QStringLiteral("QListView { background: rgb(63, 58, 57); color: white; }"
                       "QListView::item:selected { background: rgb(90, 120, 160); }"));
    leftLayout->addWidget(o.localImageBrowserView, 1);

    o.leftTipView = new QWidget;
    o.leftTipView->setObjectName(QStringLiteral("leftTipView"));
    o.leftTipView->setStyleSheet(QStringLiteral("background: rgb(63, 58, 57); color: white;"));
    auto* tipLayout = new QVBoxLayout(o.leftTipView);
    o.leftTipImageView = new PRDragImageView;
    o.leftTipImageView->setObjectName(QStringLiteral("leftTipImageView"));
    o.leftTipImageView->setAlignment(Qt::AlignCenter);
    o.leftTipImageView->setWordWrap(true);
    o.leftTipImageView->setText(QObject::tr("Drop photos here\nor use Import…"));
    o.leftTipImageView->setStyleSheet(
        QStringLiteral("border: 2px dashed rgb(150, 150, 150); font-size: 16px;"));
    tipLayout->addWidget(o.leftTipImageView);
    leftLayout->addWidget(o.leftTipView, 1);

    o.leftTipCameraImageView = new QLabel(QObject::tr("Connect a camera or phone"));
    o.leftTipCameraImageView->setObjectName(QStringLiteral("leftTipCameraImageView"));
    o.leftTipCameraImageView->setAlignment(Qt::AlignCenter);
    leftLayout->addWidget(o.leftTipCameraImageView, 1);

    o.imageBrowserView = new QListView;
    o.imageBrowserView->setObjectName(QStringLiteral("imageBrowserView"));
    o.imageBrowserView->setViewMode(QListView::IconMode);
    o.imageBrowserView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.imageBrowserView->setGridSize(PhotoCellDelegate::cellSize());
    o.imageBrowserView->setItemDelegate(new PhotoCellDelegate(o.imageBrowserView));
    o.imageBrowserView->hide();
    leftLayout->addWidget(o.imageBrowserView, 1);
    columns->addWidget(left);

    // Right: the computer photo view.
    o.localphotoView = new QWidget;
    o.localphotoView->setObjectName(QStringLiteral("localphotoView"));
    auto* right = new QVBoxLayout(o.localphotoView);
    right->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    auto* summaryBox = new QGroupBox(QObject::tr("Photo"));
    auto* summary = new QFormLayout(summaryBox);
    summary->setVerticalSpacing(4);
    o.photoNamelab = field(QStringLiteral("photoNamelab"), false);
    o.photoFileSizelab = field(QStringLiteral("photoFileSizelab"), false);
    o.photoImageSizelab = field(QStringLiteral("photoImageSizelab"), false);
    o.photoDPIlab = field(QStringLiteral("photoDPIlab"), false);
    o.photoCreateDatelab = field(QStringLiteral("photoCreateDatelab"), false);
    o.photoModDatelab = field(QStringLiteral("photoModDatelab"), false);
    summary->addRow(QObject::tr("Name"), o.photoNamelab);
    summary->addRow(QObject::tr("File size"), o.photoFileSizelab);
    summary->addRow(QObject::tr("Pixels"), o.photoImageSizelab);
    summary->addRow(QObject::tr("Camera"), o.photoDPIlab);
    summary->addRow(QObject::tr("Created"), o.photoCreateDatelab);
    summary->addRow(QObject::tr("Digitized"), o.photoModDatelab);
    top->addWidget(summaryBox, 1);
    o.localPhotoImageView = new QLabel(QObject::tr("Double-click a photo to view it"));
    o.localPhotoImageView->setObjectName(QStringLiteral("localPhotoImageView"));
    o.localPhotoImageView->setFixedSize(270, 200);
    o.localPhotoImageView->setAlignment(Qt::AlignCenter);
    o.localPhotoImageView->setStyleSheet(
        QStringLiteral("background: rgb(40, 40, 40); color: rgb(160, 160, 160);"));
    top->addWidget(o.localPhotoImageView, 0, Qt::AlignTop);
    right->addLayout(top);

    auto* middle = new QHBoxLayout;
    o.propertyOutline = new QTreeView;
    o.propertyOutline->setObjectName(QStringLiteral("propertyOutline"));
    o.propertyOutline->setStyleSheet(
        QStringLiteral("QTreeView { background: rgb(63, 58, 57); color: white; }"));
    o.propertyOutline->setUniformRowHeights(true);
    middle->addWidget(o.propertyOutline, 1);
    auto* mapColumn = new QVBoxLayout;
    o.currentlocalMapView = new MapWidget;
    o.currentlocalMapView->setObjectName(QStringLiteral("currentlocalMapView"));
    o.currentlocalMapView->setFixedSize(270, 200);
    mapColumn->addWidget(o.currentlocalMapView);
    o.starteditBtn = imageButton(QObject::tr("Edit Metadata…"), QStringLiteral("starteditBtn"));
    mapColumn->addWidget(o.starteditBtn);
    mapColumn->addStretch(1);
    middle->addLayout(mapColumn);
    right->addLayout(middle, 1);
    buildEditView(o);
    columns->addWidget(o.localphotoView, 1);
    return o;
}
