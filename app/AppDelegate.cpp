#include "app/AppDelegate.h"

#include "app/ChromeController.h"
#include "app/CommandRunner.h"
#include "app/DatesController.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/GeotagController.h"
#include "app/GpsController.h"
#include "app/MapWidget.h"
#include "app/RemovalController.h"
#include "app/StampController.h"
#include "app/TemplatesController.h"
#include "app/WindowGeometry.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/PhotoListModel.h"

#include <QMainWindow>
#include <QSettings>

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
    m_gps = std::make_unique<GpsController>(context);
    m_geotag = std::make_unique<GeotagController>(context);
    m_editForm = std::make_unique<EditFormController>(context);

    m_chrome = std::make_unique<ChromeController>(context);

    forwardSignals();
    wireDevice();
    wireTemplateMenu();
    wireDisplay();
    wireEditing();
    wireGps();
    wireGeotag();
    wireEditForm();

    wireChrome();
    wireMenuBar();
}

AppDelegate::~AppDelegate() {
    saveWindowGeometry();
    // A running command's photo in hand is finished before the cameras stop,
    // and the cameras stop before the window goes.
    delete m_context->runner;
    m_context->runner = nullptr;
    m_device.reset();
    m_chrome.reset();
}

void AppDelegate::applicationDidFinishLaunching() {
    ControllerContext& context = *m_context;
    const MainWindowOutlets& o = context.outlets;
    context.createListsAndSettings();
    o.localImageBrowserView->setModel(context.localPhotos);
    o.imageBrowserView->setModel(context.devicePhotos);
    m_device->startBrowsing();
    m_display->startFollowing();

    // The drop hint until photos arrive.
    o.localImageBrowserView->hide();
    o.leftTipCameraImageView->hide();
    o.leftTipView->show();
    o.currentlocalMapView->hide();

    QMainWindow* window = o.window;
    WindowGeometry::restoreMainWindow(o, *context.settings);
    m_display->loadPreferences();
    window->show();
    window->raise();
    window->activateWindow();
    m_windowShown = true;
}

void AppDelegate::saveWindowGeometry() {
    if (m_context->settings && m_windowShown)
        WindowGeometry::saveMainWindow(m_context->outlets, *m_context->settings);
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

// The photos named on the command line are listed and the first is shown.
void AppDelegate::openFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    m_display->openPanelDidEnd1(1, paths);
    const QModelIndex first = m_context->localPhotos->index(0);
    m_context->outlets.localImageBrowserView->setCurrentIndex(first);
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
