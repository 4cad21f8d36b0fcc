#include "app/AppDelegate.h"

#include "app/BrowserController.h"

#include "app/Alerts.h"
#include "app/ChromeController.h"
#include "app/CommandRunner.h"
#include "app/DatesController.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/EditFormState.h"
#include "app/GeotagController.h"
#include "app/GpsController.h"
#include "app/KeywordCompleter.h"
#include "app/MapWidget.h"
#include "app/PreferencesController.h"
#include "app/RemovalController.h"
#include "app/SourcePane.h"
#include "app/SourceSelection.h"
#include "app/StampController.h"
#include "app/TemplatesController.h"
#include "app/WindowGeometry.h"
#include "app/ZoneController.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QMainWindow>

AppDelegate::AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent,
                         std::shared_ptr<CameraService> cameras)
    : QObject(parent), m_outlets(buildMainWindow()), m_window(m_outlets.window) {
    const MainWindowOutlets& o = m_outlets;
    QWidget* window = o.window;
    m_thumbnails = std::make_unique<ThumbnailLoader>(metadata, QSize(85, 85));
    m_localPhotos = std::make_unique<PhotoListModel>(m_thumbnails.get());
    m_devicePhotos = std::make_unique<PhotoListModel>(m_thumbnails.get());
    m_selection = std::make_unique<SourceSelection>(o.localImageBrowserView, o.imageBrowserView,
                                                    *m_localPhotos, *m_devicePhotos, m_storage);
    m_pane = std::make_unique<SourcePane>(o);
    m_formState = std::make_unique<EditFormState>(o.formFields());
    m_alerts = std::make_unique<Alerts>(window);
    SourceSelection& selection = *m_selection;
    Alerts& alerts = *m_alerts;

    m_device = std::make_unique<DeviceController>(
        DeviceController::Outlets{window, o.imageBrowserView, o.changtoiOSmodemenu}, *m_pane,
        selection, *m_localPhotos, *m_devicePhotos, alerts, fileViewer, m_storage,
        cameras ? std::move(cameras) : makeGPhotoCameraService());
    m_runner = std::make_unique<CommandRunner>(window, fileViewer, alerts, m_storage);
    CommandRunner& runner = *m_runner;
    m_display = std::make_unique<DisplayController>(o, *m_pane, selection, *m_localPhotos,
                                                    *m_devicePhotos, *m_formState, metadata,
                                                    *m_thumbnails, m_storage, m_settings);
    m_browser = std::make_unique<BrowserController>(o, *m_localPhotos, metadata, *m_thumbnails,
                                                    m_storage, m_settings);
    m_preferences =
        std::make_unique<PreferencesController>(window, m_settings, m_storage, m_stampFont);
    m_removal = std::make_unique<RemovalController>(selection, runner, alerts, metadata, m_storage);
    m_dates = std::make_unique<DatesController>(window, selection, runner, alerts, metadata,
                                                m_storage, m_settings);
    m_zone = std::make_unique<ZoneController>(window, selection, runner, alerts, metadata,
                                              m_storage, m_settings, m_places);
    m_templates = std::make_unique<TemplatesController>(
        o.form(), window, *m_formState, selection, runner, alerts, metadata, fileViewer, m_storage);
    m_stamp = std::make_unique<StampController>(m_preferences->preferenceWindow(), m_stampFont,
                                                selection, runner, metadata, m_storage);
    m_gps = std::make_unique<GpsController>(window, selection, runner, alerts, metadata, m_storage,
                                            m_settings);
    m_geotag = std::make_unique<GeotagController>(window, selection, runner, alerts, metadata,
                                                  m_storage, m_settings, m_places);
    m_editForm =
        std::make_unique<EditFormController>(o.form(), window, *m_formState, selection, runner,
                                             alerts, metadata, m_storage, m_settings, m_places);
    m_editForm->keywordCompleter()->follow(*m_localPhotos);
    m_chrome = std::make_unique<ChromeController>(o.window, fileViewer, m_storage);

    forwardSignals();
    wireDevice();
    wireTemplateMenu();
    wireDisplay();
    wireEditing();
    wireGps();
    wireGeotag();
    wireEditForm();

    wireChrome();
    wireButtons();
    wireMenuBar();
}

AppDelegate::~AppDelegate() {
    saveWindowGeometry();
}

void AppDelegate::applicationDidFinishLaunching() {
    const MainWindowOutlets& o = m_outlets;
    m_browser->startFollowing();
    o.imageBrowserView->setModel(m_devicePhotos.get());
    m_device->startBrowsing();
    m_display->restoreView();
    wireBrowsers();

    // The drop hint until photos arrive.
    m_pane->showPhotosOrDropHint(false);
    o.currentlocalMapView->hide();

    WindowGeometry::restoreMainWindow(o, m_settings);
    m_preferences->loadPreferences();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_windowShown = true;
}

void AppDelegate::saveWindowGeometry() {
    if (m_windowShown)
        WindowGeometry::saveMainWindow(m_outlets, m_settings);
}

PreferencesWindow* AppDelegate::preferenceWindow() const {
    return m_preferences->preferenceWindow();
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
CameraWindow* AppDelegate::cameraWindow() const {
    return m_device->cameraWindow();
}
DeviceBrowser* AppDelegate::deviceBrowser() const {
    return m_device->deviceBrowser();
}
QList<CameraDevice*> AppDelegate::cameras() const {
    return m_device->cameras();
}
CameraDevice* AppDelegate::currentDevice() const {
    return m_device->currentDevice();
}
const OperationReport& AppDelegate::lastReport() const {
    return m_runner->lastReport();
}

const CurrentPhoto& AppDelegate::currentPhoto() const {
    return m_selection->current();
}

QModelIndex AppDelegate::shownIndexOfRow(int row) const {
    return m_browser->browserModel()->mapFromSource(m_localPhotos->index(row));
}

void AppDelegate::openPanelDidEnd1(int returnCode, const QStringList& paths) {
    m_display->openPanelDidEnd1(returnCode, paths);
}

// The photos named on the command line are listed and the first is shown.
void AppDelegate::openFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    m_display->openPanelDidEnd1(1, paths);
    m_outlets.localImageBrowserView->setCurrentIndex(m_browser->browserModel()->index(0, 0));
}

void AppDelegate::forwardSignals() {
    connect(m_display.get(), &DisplayController::photoShown, this, &AppDelegate::photoShown);
    connect(m_dates.get(), &DatesController::dateWindowFilled, this,
            &AppDelegate::dateWindowFilled);
    connect(m_runner.get(), &CommandRunner::commandFinished, this, &AppDelegate::commandFinished);
    connect(m_device.get(), &DeviceController::deviceListChanged, this,
            &AppDelegate::deviceListChanged);
    connect(m_device.get(), &DeviceController::deviceDownloadsFinished, this,
            &AppDelegate::deviceDownloadsFinished);
    connect(m_device.get(), &DeviceController::deleteConfirmationShown, this,
            &AppDelegate::deleteConfirmationShown);
    connect(m_templates.get(), &TemplatesController::exportFinished, this,
            &AppDelegate::exportFinished);
    connect(m_alerts.get(), &Alerts::alertShown, this, &AppDelegate::alertShown);
}
