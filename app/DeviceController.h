#pragma once

#include "sources/CameraDevice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class Alerts;
class CameraService;
class DeviceBrowser;
class CameraWindow;
class FileViewer;
class PhotoListModel;
class QAction;
class QListView;
class QMessageBox;
class QWidget;
class SourcePane;
class SourceSelection;
struct StorageLocation;

// The device source: the cameras and phones that come and go, the device
// window with their photo list, and the downloads, deletions and reads of
// their files.
class DeviceController : public QObject {
    Q_OBJECT
public:
    // What it shows in: the main window, the device list's view (which the
    // device window takes in) and the Source menu's device item.
    struct Outlets {
        QWidget* window = nullptr;
        QListView* imageBrowserView = nullptr;
        QAction* changtoiOSmodemenu = nullptr;
    };
    // Makes the device window; the device commands wait for an open device.
    // Downloads for editing join the computer list.
    DeviceController(const Outlets& outlets, SourcePane& pane, SourceSelection& selection,
                     PhotoListModel& localPhotos, PhotoListModel& devicePhotos, Alerts& alerts,
                     FileViewer& fileViewer, const StorageLocation& storage,
                     std::shared_ptr<CameraService> cameras, QObject* parent = nullptr);
    // Stops the cameras' threads.
    ~DeviceController() override;

    // Starts looking for cameras and follows the device list's current photo.
    void startBrowsing();

    CameraWindow* cameraWindow() const { return m_cameraWindow; }
    DeviceBrowser* deviceBrowser() const { return mDeviceBrowser.get(); }
    QList<CameraDevice*> cameras() const;
    CameraDevice* currentDevice() const { return m_currentDevice; } // one of cameras(), or none

public Q_SLOTS:
    void ChangeToImportiOSDevicePhoto();
    void OpenDeviceAction();
    void DownloadPhotoAction();
    void DownloadImportEditePhotoAction();
    void DeletePhotoAction();
    void ViewExifData();

Q_SIGNALS:
    // The device list has changed: a camera came or went, files were listed or deleted.
    void deviceListChanged();
    // A download command has finished, with what became of each file.
    void deviceDownloadsFinished(const QList<DownloadOutcome>& outcomes);
    // The delete confirmation is up.
    void deleteConfirmationShown(QMessageBox* box);

private:
    enum class DownloadPurpose { Download, Import, View };
    struct DeviceEntry {
        QString port;
        DeviceFile file;
    };
    static QString itemTypeOf(const QString& name);
    void deviceDidAdd(const DeviceInfo& device);
    void deviceDidRemove(const DeviceInfo& device);
    void thumbnailDidArrive(CameraDevice* camera, const DeviceFile& file, const QString& path);
    void downloadDidProgress(CameraDevice* camera, const DownloadOutcome& outcome, int done,
                             int total);
    void downloadsDidFinish(const QList<DownloadOutcome>& outcomes, int tag);
    void filesDidDelete(CameraDevice* camera, const QList<DeviceFile>& deleted,
                        const QStringList& failures);
    void requestDownloads(DownloadPurpose purpose);
    void startProgreess(int total);
    void endProgress();
    void rebuildDeviceList(const std::function<bool(const DeviceEntry&)>& keep);

    Outlets m_outlets;
    SourcePane& m_pane;
    SourceSelection& m_selection;
    PhotoListModel& m_localPhotos;
    PhotoListModel& m_devicePhotos;
    Alerts& m_alerts;
    FileViewer& m_fileViewer;
    const StorageLocation& m_storage;
    std::shared_ptr<CameraService> m_cameraService;
    std::unique_ptr<DeviceBrowser> mDeviceBrowser;
    std::vector<std::unique_ptr<CameraDevice>> mCameras;
    CameraDevice* m_currentDevice = nullptr;
    CameraWindow* m_cameraWindow = nullptr;
    QList<DeviceEntry> m_deviceEntries; // beside the device photo list, row for row
    bool bDownloadandimportToEdit = false;
    int m_nextDownloadTag = 0;
    QHash<int, DownloadPurpose> m_downloadPurposes;
};
