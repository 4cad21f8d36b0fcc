#pragma once

#include "app/ControllerContext.h"
#include "app/MainWindowLayout.h"
#include "editing/OperationReport.h"
#include "sources/CameraDevice.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class CameraService;
class ChangeDateWindow;
class ChromeController;
class ChangeMutiDateWindow;
class CommandRunner;
class DatesController;
class DeviceBrowser;
class DeviceController;
class DeviceWindow;
class DisplayController;
class EditFormController;
class FileViewer;
class GeotagController;
class GpsController;
class MetadataService;
class PhotoListModel;
class PreferencesWindow;
class QStandardItemModel;
class RemovalController;
class StampController;
class TemplatesController;

// The application's controller: builds the shared context and one controller
// per command group, and connects the window's controls to their commands.
// Commands gather their inputs from the controls, call the core and show the
// result; work on files runs off the GUI thread.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Without a camera service of its own it uses the USB cameras and phones.
    AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent = nullptr,
                std::shared_ptr<CameraService> cameras = nullptr);
    ~AppDelegate() override;

    // Lists, window geometry, settings and the storage folder.
    void applicationDidFinishLaunching();

    ControllerState& state() { return m_context->state; }
    const ControllerState& state() const { return m_context->state; }
    ControllerContext* context() const { return m_context.get(); }
    DisplayController* display() const { return m_display.get(); }
    RemovalController* removal() const { return m_removal.get(); }
    DatesController* dates() const { return m_dates.get(); }
    TemplatesController* templates() const { return m_templates.get(); }
    StampController* stamp() const { return m_stamp.get(); }
    DeviceController* device() const { return m_device.get(); }
    GpsController* gps() const { return m_gps.get(); }
    GeotagController* geotag() const { return m_geotag.get(); }
    EditFormController* editForm() const { return m_editForm.get(); }

    ChromeController* chrome() const { return m_chrome.get(); }

    const MainWindowOutlets& outlets() const { return m_context->outlets; }
    PreferencesWindow* preferenceWindow() const { return m_context->preferences; }
    PhotoListModel* localPhotoItemArray() const { return m_context->localPhotos; }
    PhotoListModel* cameItemArray() const { return m_context->devicePhotos; }
    QStandardItemModel* outlineModel() const;
    ChangeDateWindow* changeDateWindow() const;
    ChangeMutiDateWindow* changeMutiDateWindow() const;
    CommandRunner* commandRunner() const { return m_context->runner; }
    DeviceWindow* cameraWindow() const;
    DeviceBrowser* deviceBrowser() const;
    const QList<CameraDevice*>& cameras() const;
    CameraDevice* currentDevice() const;
    // What the last editing command did.
    const OperationReport& lastReport() const { return m_context->lastReport(); }

    // The import panel's completion (return code 1 is OK), as the benchmark drives it.
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    // Adds the photos named at start-up to the computer list.
    void openFiles(const QStringList& paths);
    // The window's geometry and panes into the settings, for the next run.
    void saveWindowGeometry();

Q_SIGNALS:
    // The context's signals, for whoever watches the whole window.
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

    void wireChrome();
    void wireMenuBar();

    // Declared first so it outlives the groups, which hold on to it.
    std::unique_ptr<ControllerContext> m_context;
    std::unique_ptr<DisplayController> m_display;
    std::unique_ptr<RemovalController> m_removal;
    std::unique_ptr<DatesController> m_dates;
    std::unique_ptr<TemplatesController> m_templates;
    std::unique_ptr<StampController> m_stamp;
    std::unique_ptr<DeviceController> m_device;
    std::unique_ptr<GpsController> m_gps;
    std::unique_ptr<GeotagController> m_geotag;
    std::unique_ptr<EditFormController> m_editForm;

    std::unique_ptr<ChromeController> m_chrome;
    bool m_windowShown = false;
};
