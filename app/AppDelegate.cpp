#include "app/AppDelegate.h"

#include "app/AppSettings.h"
#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DeviceWindow.h"
#include "app/DropTargets.h"
#include "app/MapWidget.h"
#include "app/PreferencesWindow.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/DeviceBrowser.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardItemModel>
#include <QTreeView>

AppDelegate::AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent,
                         std::shared_ptr<CameraService> cameras)
    : QObject(parent), m_metadata(metadata), m_fileViewer(fileViewer),
      m_cameraService(cameras ? std::move(cameras) : makeGPhotoCameraService()) {
    m_outlets = buildMainWindow();
    m_preferences = new PreferencesWindow(m_outlets.window);
    m_changeDateWindow = new ChangeDateWindow(m_outlets.window);
    m_changeMutiDateWindow = new ChangeMutiDateWindow(m_outlets.window);
    m_runner = new CommandRunner(m_outlets.window, this);
    m_thumbnails = new ThumbnailLoader(m_metadata, QSize(85, 85), this);
    setUpDeviceWindow();
    setUpTemplateMenu();
    m_outline = new QStandardItemModel(this);
    m_outline->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    m_outlets.propertyOutline->setModel(m_outline);

    const MainWindowOutlets& o = m_outlets;
    connect(o.importButton, &QPushButton::clicked, this, &AppDelegate::ClickImportPhotosAction);
    connect(o.clearAndImportButton, &QPushButton::clicked, this,
            &AppDelegate::ClickClearandImportPhotosAction);
    connect(o.openButton, &QPushButton::clicked, this,
            &AppDelegate::OpenComputerFoldertoImportAction);
    connect(o.clearButton, &QPushButton::clicked, this, &AppDelegate::ClearLeftPhotos);
    connect(o.computerSourceButton, &QPushButton::clicked, this,
            &AppDelegate::ChangeToImportComputerPhoto);
    connect(o.preferencesButton, &QPushButton::clicked, this, &AppDelegate::ShowPreferenceSetting);
    connect(o.localImageBrowserView, &NSDragImageBrowserView::NSDragOperationImageNote, this,
            &AppDelegate::PRDragOperationImageNoteHandle);
    connect(o.leftTipImageView, &PRDragImageView::NSDragOperationImageViewNote, this,
            &AppDelegate::NSDragOperationImageViewNoteHandle);
    connect(o.localImageBrowserView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { cellWasDoubleClickedAtIndex(index.row()); });

    connect(o.removeExifItem, &QAction::triggered, this, &AppDelegate::RemoveExifDataFromPhoto);
    connect(o.removeGpsItem, &QAction::triggered, this, &AppDelegate::RemoveGPSDataFromPhoto);
    connect(o.removeIptcItem, &QAction::triggered, this, &AppDelegate::RemoveIPTCDataFromPhoto);
    connect(o.removeExifAndGpsItem, &QAction::triggered, this, &AppDelegate::DeleteExifAndGPSData);
    connect(o.changeDateItem, &QAction::triggered, this, &AppDelegate::ChangeDateExifFromPhoto);
    connect(o.fileDatesItem, &QAction::triggered, this,
            &AppDelegate::ClickCopyExifDateToCreateDateAction);
    connect(o.dateStampItem, &QAction::triggered, this, &AppDelegate::AddDateOnPhotoAction);

    ChangeDateWindow* dates = m_changeDateWindow;
    connect(dates->saveButton, &QPushButton::clicked, this,
            &AppDelegate::ClickDateChangedSaveAction);
    connect(dates->cancelButton, &QPushButton::clicked, this,
            &AppDelegate::ClickDateChangedCancelAction);
    ChangeMutiDateWindow* batch = m_changeMutiDateWindow;
    connect(batch->dateChoosePhotoBtn, &QPushButton::clicked, this,
            &AppDelegate::ChoosePhotosAction);
    connect(batch->AddTimeBtn, &QPushButton::clicked, this, &AppDelegate::ClickAddTimeAction);
    connect(batch->RemoveTimeBtn, &QPushButton::clicked, this, &AppDelegate::ClickRemoveTimeAction);
    connect(batch->saveButton, &QPushButton::clicked, this,
            &AppDelegate::ClickMutiDateChangedSaveAction);
    connect(batch->cancelButton, &QPushButton::clicked, this,
            &AppDelegate::ClickMutiDateChangedCancelAction);
    // Escape or the title bar's close button cancel as the button does.
    connect(batch, &QDialog::rejected, this, &AppDelegate::ClickMutiDateChangedCancelAction);

    connect(m_preferences->changeLocationButton, &QPushButton::clicked, this,
            &AppDelegate::ChangeStoreLocation);
    connect(m_preferences->confirmButton, &QPushButton::clicked, this,
            &AppDelegate::ResetPreferenceSetting);
    connect(m_preferences->cancelButton, &QPushButton::clicked, this,
            &AppDelegate::CancelPreferenceSetting);
    connect(m_preferences->fontButton, &QPushButton::clicked, this,
            &AppDelegate::ShowFontPanelAction);
}

AppDelegate::~AppDelegate() {
    delete m_runner; // waits for the photo in hand of a running command
    m_runner = nullptr;
    delete mDeviceBrowser;
    mDeviceBrowser = nullptr;
    qDeleteAll(mCameras);
    mCameras.clear();
    CameraDevice::waitForStoppedDevices();
    delete m_outlets.window;
}

void AppDelegate::applicationDidFinishLaunching() {
    m_localPhotos = new PhotoListModel(m_thumbnails, this);
    m_devicePhotos = new PhotoListModel(m_thumbnails, this);
    m_outlets.localImageBrowserView->setModel(m_localPhotos);
    m_outlets.imageBrowserView->setModel(m_devicePhotos);
    connect(m_outlets.imageBrowserView->selectionModel(), &QItemSelectionModel::currentChanged,
            this, [this](const QModelIndex& current) {
                if (current.isValid())
                    currentFileName = m_devicePhotos->itemAt(current.row()).fileName;
            });
    mDeviceBrowser = new DeviceBrowser(m_cameraService, 3000);
    connect(mDeviceBrowser, &DeviceBrowser::didAddDevice, this, &AppDelegate::deviceDidAdd);
    connect(mDeviceBrowser, &DeviceBrowser::didRemoveDevice, this, &AppDelegate::deviceDidRemove);
    mDeviceBrowser->start();
    connect(m_outlets.localImageBrowserView->selectionModel(),
            &QItemSelectionModel::selectionChanged, this,
            &AppDelegate::imageBrowserSelectionDidChange);

    // The drop hint until photos arrive.
    m_outlets.localImageBrowserView->hide();
    m_outlets.leftTipCameraImageView->hide();
    m_outlets.leftTipView->show();
    m_outlets.currentlocalMapView->hide();

    QMainWindow* window = m_outlets.window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }

    m_settings = new QSettings(this);
    const AppSettings settings = AppSettings::loadAtLaunch(*m_settings);
    storagelocation = settings.storagePath;
    m_preferences->storePathlab->setText(storagelocation);
    createStorageFolder();
    currentFontname = AppSettings::availableFontFamily(settings.fontName);
    currentFontSize = settings.fontSize;
    m_preferences->showFontlab->setText(
        QStringLiteral("%1 %2").arg(settings.fontName).arg(settings.fontSize));
    currentFontColor = Qt::white;
    m_preferences->setColor(Qt::white);
    m_preferences->postionBtn->setCurrentText(settings.position);
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::createStorageFolder() const {
    QDir().mkpath(storagelocation);
}

void AppDelegate::addPaths(const QStringList& paths) {
    QList<IKImageItem> items;
    for (const QString& path : paths)
        items << IKImageItem::forLocalFile(path);
    m_localPhotos->append(items);
}

void AppDelegate::showBrowser() {
    m_outlets.localImageBrowserView->show();
    m_outlets.leftTipView->hide();
    m_outlets.leftTipCameraImageView->hide();
}

void AppDelegate::selectFirstPhoto() {
    if (m_localPhotos->rowCount() == 0)
        return;
    m_outlets.localImageBrowserView->selectionModel()->select(m_localPhotos->index(0),
                                                              QItemSelectionModel::ClearAndSelect);
    m_outlets.localImageBrowserView->setCurrentIndex(m_localPhotos->index(0));
}

void AppDelegate::openImportPanel(bool clearFirst, bool openCommand) {
    if (clearFirst)
        ClearLeftPhotos();
    auto* panel = new QFileDialog(m_outlets.window, tr("Please select photos to import."));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel, openCommand](int result) {
        const int code = result == QDialog::Accepted ? 1 : 0;
        if (openCommand)
            openPanelDidEnd(code, panel->selectedFiles());
        else
            openPanelDidEnd1(code, panel->selectedFiles());
    });
    panel->open();
}

void AppDelegate::ClickImportPhotosAction() {
    openImportPanel(false, false);
}
void AppDelegate::ClickClearandImportPhotosAction() {
    openImportPanel(true, false);
}
void AppDelegate::OpenComputerFoldertoImportAction() {
    openImportPanel(false, true);
}

void AppDelegate::openPanelDidEnd1(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    showBrowser();
    addPaths(paths);
    blocalMode = true;
}

void AppDelegate::openPanelDidEnd(int returnCode, const QStringList& paths) {
    if (returnCode != 1)
        return;
    if (!paths.isEmpty()) {
        addPaths(paths);
        blocalMode = true;
    }
    createStorageFolder();
}

namespace {
QStringList localPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}
} // namespace

void AppDelegate::PRDragOperationImageNoteHandle() {
    blocalMode = true;
    addPaths(localPaths(m_outlets.localImageBrowserView->geturlArray()));
    selectFirstPhoto();
}

void AppDelegate::NSDragOperationImageViewNoteHandle() {
    showBrowser();
    blocalMode = true;
    addPaths(localPaths(m_outlets.leftTipImageView->geturlArray()));
    selectFirstPhoto();
}

void AppDelegate::ClearLeftPhotos() {
    m_localPhotos->clear();
    for (QLineEdit* field : m_outlets.summaryFields())
        field->setText(QString());
    for (QLineEdit* field : m_outlets.formFields()) {
        if (field != m_outlets.cameraDatelab)
            field->setText(QString());
    }
}

void AppDelegate::ChangeToImportComputerPhoto() {
    m_outlets.leftTipCameraImageView->hide();
    const bool hasPhotos = m_localPhotos->rowCount() > 0;
    m_outlets.localImageBrowserView->setVisible(hasPhotos);
    m_outlets.leftTipView->setVisible(!hasPhotos);
    blocalMode = true;
}

void AppDelegate::ShowPreferenceSetting() {
    m_preferences->show();
}

void AppDelegate::ChangeStoreLocation() {
    auto* panel = new QFileDialog(m_preferences);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd5(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles().value(0));
    });
    panel->open();
}

void AppDelegate::openPanelDidEnd5(int returnCode, const QString& folder) {
    if (returnCode == 1 && !folder.isEmpty())
        m_preferences->storePathlab->setText(folder);
}

void AppDelegate::ResetPreferenceSetting() {
    if (fontPanel)
        fontPanel->hide();
    currentFontColor = m_preferences->color();
    AppSettings settings;
    settings.fontName = currentFontname;
    settings.fontSize = currentFontSize;
    settings.position = m_preferences->postionBtn->currentText();
    settings.storagePath = m_preferences->storePathlab->text();
    settings.storeConfirmed(*m_settings);
    storagelocation = settings.storagePath;
    createStorageFolder();
    m_preferences->hide();
}

void AppDelegate::CancelPreferenceSetting() {
    m_preferences->hide();
}
