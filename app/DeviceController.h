#pragma once

#include "sources/CameraDevice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CameraService;
class ControllerContext;
class DeviceBrowser;
class DeviceWindow;

// The device source: the cameras and phones that come and go, the device
// window with their photo list, and the downloads, deletions and reads of
// their files.
class DeviceController : public QObject {
    Q_OBJECT
public:
    // Makes the device window; the device commands wait for an open device.
    DeviceController(ControllerContext& context, std::shared_ptr<CameraService> cameras,
                     QObject* parent = nullptr);
    // Stops the cameras' threads.
    ~DeviceController() override;

    // Starts looking for cameras and follows the device list's current photo.
    void startBrowsing();

    DeviceWindow* cameraWindow() const { return m_cameraWindow; }
    DeviceBrowser* deviceBrowser() const { return mDeviceBrowser; }
    const QList<CameraDevice*>& cameras() const { return mCameras; }
    CameraDevice* currentDevice() const { return m_currentDevice; } // one of cameras(), or none

public Q_SLOTS:
    void ChangeToImportiOSDevicePhoto();
    void OpenDeviceAction();
    void DownloadPhotoAction();
    void DownloadImportEditePhotoAction();
    void DeletePhotoAction();
    void ViewExifData();

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

    ControllerContext& m_ctx;
    std::shared_ptr<CameraService> m_cameraService;
    DeviceBrowser* mDeviceBrowser = nullptr;
    QList<CameraDevice*> mCameras;
    CameraDevice* m_currentDevice = nullptr;
    DeviceWindow* m_cameraWindow = nullptr;
    QList<DeviceEntry> m_deviceEntries; // beside the device photo list, row for row
    bool bDownloadandimportToEdit = false;
    int m_nextDownloadTag = 0;
    QHash<int, DownloadPurpose> m_downloadPurposes;
};
