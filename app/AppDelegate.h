#pragma once

#include "app/CurrentPhoto.h"
#include "app/DateStampFont.h"
#include "app/MainWindowLayout.h"
#include "app/PlacesSource.h"
#include "app/StorageLocation.h"
#include "editing/OperationReport.h"
#include "sources/CameraDevice.h"

#include <QList>
#include <QMessageBox>
#include <QModelIndex>
#include <QObject>
#include <QSettings>
#include <QStringList>

#include <memory>

class Alerts;
class ZoneController;
class CameraService;
class ChangeDateWindow;
class ChangeMutiDateWindow;
class ChromeController;
class CommandRunner;
class DatesController;
class DeviceBrowser;
class DeviceController;
class CameraWindow;
class BrowserController;
class DisplayController;
class EditFormController;
class EditFormState;
class FileViewer;
class GeotagController;
class GpsController;
class MetadataService;
class PhotoListModel;
class PreferencesController;
class PreferencesWindow;
class QMainWindow;
class QStandardItemModel;
class RemovalController;
class SourcePane;
class SourceSelection;
class StampController;
class TemplatesController;
class ThumbnailLoader;

// The application's controller: builds the main window, the few things the
// command groups share (the settings, the photo lists, the selection with
// the current photo, the storage folder, the alerts and the command runner), one
// controller per command group given only what it uses, and connects the
// window's controls to their commands. Commands gather their inputs from the
// controls, call the core and show the result; work on files runs off the
// GUI thread.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Without a camera service of its own it uses the USB cameras and phones.
    AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent = nullptr,
                std::shared_ptr<CameraService> cameras = nullptr);
    ~AppDelegate() override;

    // Lists, window geometry, settings and the storage folder.
    void applicationDidFinishLaunching();

    StorageLocation& storage() { return m_storage; }
    const CurrentPhoto& currentPhoto() const;
    DateStampFont& stampFont() { return m_stampFont; }
    SourceSelection* selection() const { return m_selection.get(); }
    EditFormState* formState() const { return m_formState.get(); }
    DisplayController* display() const { return m_display.get(); }
    BrowserController* browser() const { return m_browser.get(); }
    const ThumbnailLoader* thumbnails() const { return m_thumbnails.get(); }
    PreferencesController* preferences() const { return m_preferences.get(); }
    RemovalController* removal() const { return m_removal.get(); }
    DatesController* dates() const { return m_dates.get(); }
    ZoneController* zone() const { return m_zone.get(); }
    TemplatesController* templates() const { return m_templates.get(); }
    StampController* stamp() const { return m_stamp.get(); }
    DeviceController* device() const { return m_device.get(); }
    GpsController* gps() const { return m_gps.get(); }
    GeotagController* geotag() const { return m_geotag.get(); }
    EditFormController* editForm() const { return m_editForm.get(); }
    ChromeController* chrome() const { return m_chrome.get(); }

    const MainWindowOutlets& outlets() const { return m_outlets; }
    PreferencesWindow* preferenceWindow() const;
    PhotoListModel* localPhotoItemArray() const { return m_localPhotos.get(); }
    PhotoListModel* cameItemArray() const { return m_devicePhotos.get(); }
    // Where the browser shows the computer list's row (invalid while filtered out).
    QModelIndex shownIndexOfRow(int row) const;
    QStandardItemModel* outlineModel() const;
    ChangeDateWindow* changeDateWindow() const;
    ChangeMutiDateWindow* changeMutiDateWindow() const;
    CommandRunner* commandRunner() const { return m_runner.get(); }
    CameraWindow* cameraWindow() const;
    DeviceBrowser* deviceBrowser() const;
    QList<CameraDevice*> cameras() const;
    CameraDevice* currentDevice() const;
    // What the last editing command did.
    const OperationReport& lastReport() const;

    // The import panel's completion (return code 1 is OK), as the benchmark drives it.
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    // Adds the photos named at start-up to the computer list.
    void openFiles(const QStringList& paths);
    // The window's geometry and panes into the settings, for the next run.
    void saveWindowGeometry();

Q_SIGNALS:
    // The groups' signals, for whoever watches the whole window.
    void photoShown(const QString& path);
    void dateWindowFilled();
    void commandFinished();
    void deviceListChanged();
    void deviceDownloadsFinished(const QList<DownloadOutcome>& outcomes);
    void deleteConfirmationShown(QMessageBox* box);
    void exportFinished(const QString& path);
    void alertShown(const QString& text, const QString& informative);

private:
    void forwardSignals();
    // The controls' connections to the groups' commands, one function a group.
    void wireDisplay();
    void wireEditing();
    void wireTemplateMenu();
    void wireDevice();
    void wireGps();
    void wireGeotag();
    void wireEditForm();
    // The browsers' selections, the lists, the large view, the tree and the
    // View menu to the display, once the browsers have their models.
    void wireBrowsers();

    void wireChrome();
    // The image buttons' commands, after the chrome has taken the buttons.
    void wireButtons();
    void wireMenuBar();

    // Declared in the order they are made; each is destroyed before what it
    // uses. The settings come first, for every group reads them from the
    // start; the window outlives every group that shows in it.
    QSettings m_settings;
    MainWindowOutlets m_outlets;
    std::unique_ptr<QMainWindow> m_window;
    StorageLocation m_storage;
    DateStampFont m_stampFont;
    PlacesSource m_places;
    std::unique_ptr<ThumbnailLoader> m_thumbnails;
    std::unique_ptr<PhotoListModel> m_localPhotos;
    std::unique_ptr<PhotoListModel> m_devicePhotos;
    std::unique_ptr<SourceSelection> m_selection;
    std::unique_ptr<SourcePane> m_pane;
    std::unique_ptr<EditFormState> m_formState;
    std::unique_ptr<Alerts> m_alerts;
    // The cameras stop only after a running command's photo in hand is done.
    std::unique_ptr<DeviceController> m_device;
    std::unique_ptr<CommandRunner> m_runner;
    std::unique_ptr<DisplayController> m_display;
    std::unique_ptr<BrowserController> m_browser;
    std::unique_ptr<PreferencesController> m_preferences;
    std::unique_ptr<RemovalController> m_removal;
    std::unique_ptr<DatesController> m_dates;
    std::unique_ptr<ZoneController> m_zone;
    std::unique_ptr<TemplatesController> m_templates;
    std::unique_ptr<StampController> m_stamp;
    std::unique_ptr<GpsController> m_gps;
    std::unique_ptr<GeotagController> m_geotag;
    std::unique_ptr<EditFormController> m_editForm;
    std::unique_ptr<ChromeController> m_chrome;
    bool m_windowShown = false;
};
