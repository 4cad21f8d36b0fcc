#include "app/AppDelegate.h"

#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DatesController.h"
#include "app/DeviceController.h"
#include "app/DeviceWindow.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/MapWidget.h"
#include "app/PreferencesWindow.h"
#include "app/RemovalController.h"
#include "app/StampController.h"
#include "app/TemplatesController.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/PhotoListModel.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

AppDelegate::AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent,
                         std::shared_ptr<CameraService> cameras)
    : QObject(parent), m_context(std::make_unique<ControllerContext>(metadata, fileViewer)) {
    ControllerContext& context = *m_context;
    m_display = std::make_unique<DisplayController>(context);
    m_removal = std::make_unique<RemovalController>(context);
    m_dates = std::make_unique<DatesController>(context);
    m_templates = std::make_unique<TemplatesController>(context);
    m_stamp = std::make_unique<StampController>(context);
    m_device = std::make_unique<DeviceController>(context, cameras ? std::move(cameras)
                                                                   : makeGPhotoCameraService());

    forwardSignals();
    wireDevice();
    wireTemplateMenu();
    wireDisplay();
    wireEditing();
}

AppDelegate::~AppDelegate() {
    // A running command's photo in hand is finished before the cameras stop,
    // and the cameras stop before the window goes.
    delete m_context->runner;
    m_context->runner = nullptr;
    m_device.reset();
}

void AppDelegate::applicationDidFinishLaunching() {
    ControllerContext& context = *m_context;
    const MainWindowOutlets& o = context.outlets;
    context.createListsAndSettings();
    o.localImageBrowserView->setModel(context.localPhotos);
    o.imageBrowserView->setModel(context.devicePhotos);
    m_device->startBrowsing();
    connect(o.localImageBrowserView->selectionModel(), &QItemSelectionModel::selectionChanged,
            m_display.get(), &DisplayController::imageBrowserSelectionDidChange);

    // The drop hint until photos arrive.
    o.localImageBrowserView->hide();
    o.leftTipCameraImageView->hide();
    o.leftTipView->show();
    o.currentlocalMapView->hide();

    QMainWindow* window = o.window;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    m_display->loadPreferences();
    window->show();
    window->raise();
    window->activateWindow();
}

QStandardItemModel* AppDelegate::outlineModel() const {
    return m_display->outlineModel();
}
ChangeDateWindow* AppDelegate::changeDateWindow() const {
    return m_dates->changeDateWindow();
}
ChangeMutiDateWindow* AppDelegate::changeMutiDateWindow() const {
    return m_dates->changeMutiDateWindow();
}
DeviceWindow* AppDelegate::cameraWindow() const {
    return m_device->cameraWindow();
}
DeviceBrowser* AppDelegate::deviceBrowser() const {
    return m_device->deviceBrowser();
}
const QList<CameraDevice*>& AppDelegate::cameras() const {
    return m_device->cameras();
}
CameraDevice* AppDelegate::currentDevice() const {
    return m_device->currentDevice();
}

void AppDelegate::openPanelDidEnd1(int returnCode, const QStringList& paths) {
    m_display->openPanelDidEnd1(returnCode, paths);
}

void AppDelegate::forwardSignals() {
    ControllerContext* c = m_context.get();
    connect(c, &ControllerContext::photoShown, this, &AppDelegate::photoShown);
    connect(c, &ControllerContext::dateWindowFilled, this, &AppDelegate::dateWindowFilled);
    connect(c, &ControllerContext::commandFinished, this, &AppDelegate::commandFinished);
    connect(c, &ControllerContext::deviceListChanged, this, &AppDelegate::deviceListChanged);
    connect(c, &ControllerContext::deviceDownloadsFinished, this,
            &AppDelegate::deviceDownloadsFinished);
    connect(c, &ControllerContext::deleteConfirmationShown, this,
            &AppDelegate::deleteConfirmationShown);
    connect(c, &ControllerContext::exportFinished, this, &AppDelegate::exportFinished);
    connect(c, &ControllerContext::alertShown, this, &AppDelegate::alertShown);
}

// Every control of the window and its windows meets its command here.

void AppDelegate::wireDisplay() {
    const MainWindowOutlets& o = m_context->outlets;
    DisplayController* d = m_display.get();
    connect(o.importButton, &QPushButton::clicked, d, &DisplayController::ClickImportPhotosAction);
    connect(o.clearAndImportButton, &QPushButton::clicked, d,
            &DisplayController::ClickClearandImportPhotosAction);
    connect(o.openButton, &QPushButton::clicked, d,
            &DisplayController::OpenComputerFoldertoImportAction);
    connect(o.clearButton, &QPushButton::clicked, d, &DisplayController::ClearLeftPhotos);
    connect(o.computerSourceButton, &QPushButton::clicked, d,
            &DisplayController::ChangeToImportComputerPhoto);
    connect(o.preferencesButton, &QPushButton::clicked, d,
            &DisplayController::ShowPreferenceSetting);
    connect(o.localImageBrowserView, &NSDragImageBrowserView::NSDragOperationImageNote, d,
            &DisplayController::PRDragOperationImageNoteHandle);
    connect(o.leftTipImageView, &PRDragImageView::NSDragOperationImageViewNote, d,
            &DisplayController::NSDragOperationImageViewNoteHandle);
    connect(o.localImageBrowserView, &QAbstractItemView::doubleClicked, d,
            [d](const QModelIndex& index) { d->cellWasDoubleClickedAtIndex(index.row()); });

    PreferencesWindow* preferences = m_context->preferences;
    connect(preferences->changeLocationButton, &QPushButton::clicked, d,
            &DisplayController::ChangeStoreLocation);
    connect(preferences->confirmButton, &QPushButton::clicked, d,
            &DisplayController::ResetPreferenceSetting);
    connect(preferences->cancelButton, &QPushButton::clicked, d,
            &DisplayController::CancelPreferenceSetting);
    connect(preferences->fontButton, &QPushButton::clicked, m_stamp.get(),
            &StampController::ShowFontPanelAction);
}

void AppDelegate::wireEditing() {
    const MainWindowOutlets& o = m_context->outlets;
    RemovalController* r = m_removal.get();
    connect(o.removeExifItem, &QAction::triggered, r, &RemovalController::RemoveExifDataFromPhoto);
    connect(o.removeGpsItem, &QAction::triggered, r, &RemovalController::RemoveGPSDataFromPhoto);
    connect(o.removeIptcItem, &QAction::triggered, r, &RemovalController::RemoveIPTCDataFromPhoto);
    connect(o.removeExifAndGpsItem, &QAction::triggered, r,
            &RemovalController::DeleteExifAndGPSData);

    DatesController* d = m_dates.get();
    connect(o.changeDateItem, &QAction::triggered, d, &DatesController::ChangeDateExifFromPhoto);
    connect(o.fileDatesItem, &QAction::triggered, d,
            &DatesController::ClickCopyExifDateToCreateDateAction);
    connect(o.dateStampItem, &QAction::triggered, m_stamp.get(),
            &StampController::AddDateOnPhotoAction);
    connect(d, &DatesController::deviceCopiesNeeded, m_device.get(),
            &DeviceController::ViewExifData);

    ChangeDateWindow* dates = d->changeDateWindow();
    connect(dates->saveButton, &QPushButton::clicked, d,
            &DatesController::ClickDateChangedSaveAction);
    connect(dates->cancelButton, &QPushButton::clicked, d,
            &DatesController::ClickDateChangedCancelAction);
    ChangeMutiDateWindow* batch = d->changeMutiDateWindow();
    connect(batch->dateChoosePhotoBtn, &QPushButton::clicked, d,
            &DatesController::ChoosePhotosAction);
    connect(batch->AddTimeBtn, &QPushButton::clicked, d, &DatesController::ClickAddTimeAction);
    connect(batch->RemoveTimeBtn, &QPushButton::clicked, d,
            &DatesController::ClickRemoveTimeAction);
    connect(batch->saveButton, &QPushButton::clicked, d,
            &DatesController::ClickMutiDateChangedSaveAction);
    connect(batch->cancelButton, &QPushButton::clicked, d,
            &DatesController::ClickMutiDateChangedCancelAction);
    // Escape or the title bar's close button cancel as the button does.
    connect(batch, &QDialog::rejected, d, &DatesController::ClickMutiDateChangedCancelAction);
}

void AppDelegate::wireTemplateMenu() {
    QMenu* menu = m_context->outlets.window->menuBar()->addMenu(tr("Import and Export"));
    menu->setObjectName(QStringLiteral("importExportMenu"));
    using T = TemplatesController;
    const struct {
        const char* title;
        void (TemplatesController::*command)();
    } items[] = {
        {"Export TIFF Set…", &T::ExportTIFFtoPlistAction},
        {"Export EXIF Set…", &T::ExportExiftoPlistAction},
        {"Export EXIF and TIFF Sets…", &T::ExportExifAndIiFFDataToPlist},
        {"Export EXIF and GPS Sets…", &T::ExportExifAndGPSDataToPlist},
        {"Export All Metadata…", &T::WriteExifDataToPlist},
        {"Export Template from the Form…", &T::ExportTemplateDataToPlist},
        {nullptr, nullptr},
        {"Import TIFF Set…", &T::ImportTIFFtoPlistAction},
        {"Import EXIF Set…", &T::ImportExiFtoPlistAction},
        {"Import EXIF and TIFF Sets…", &T::ImportExiFAndTiffPlistAction},
        {"Import EXIF and GPS Sets…", &T::ImportExiFAndGPSPlistAction},
        {"Import All Metadata…", &T::ImportMetaDataPlistAction},
        {"Import Template…", &T::ImportTemplateDataPlistAction},
    };
    for (const auto& item : items) {
        if (!item.title) {
            menu->addSeparator();
            continue;
        }
        connect(menu->addAction(tr(item.title)), &QAction::triggered, m_templates.get(),
                item.command);
    }
}

void AppDelegate::wireDevice() {
    const MainWindowOutlets& o = m_context->outlets;
    DeviceController* d = m_device.get();
    DeviceWindow* w = d->cameraWindow();
    connect(w->opendeviceBtn, &QPushButton::clicked, d, [d] {
        d->OpenDeviceAction();
        d->offerOpenDeviceCommands();
    });
    connect(w->downloadPhotoBtn, &QPushButton::clicked, d, &DeviceController::DownloadPhotoAction);
    connect(w->importEditPhotoBtn, &QPushButton::clicked, d,
            &DeviceController::DownloadImportEditePhotoAction);
    connect(w->deletePhotoBtn, &QPushButton::clicked, d, &DeviceController::DeletePhotoAction);
    connect(w->viewExifBtn, &QPushButton::clicked, d, &DeviceController::ViewExifData);
    connect(w->removeExifBtn, &QPushButton::clicked, m_removal.get(),
            &RemovalController::RemoveExifDataFromPhoto);
    connect(o.cameraphotoBtn, &QPushButton::clicked, d,
            &DeviceController::ChangeToImportiOSDevicePhoto);
    connect(o.changtoiOSmodemenu, &QAction::triggered, d,
            &DeviceController::ChangeToImportiOSDevicePhoto);
}
