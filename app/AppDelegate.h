#pragma once

#include "app/MainWindowLayout.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"
#include "editing/RemovalOperation.h"
#include "editing/TemplateOperations.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

#include "sources/CameraDevice.h"

class CameraService;
class ChangeDateWindow;
class DeviceBrowser;
class DeviceWindow;
class ChangeMutiDateWindow;
class CommandRunner;
class FileViewer;
class MetadataService;
class QListView;
class QMessageBox;
class PhotoListModel;
class PreferencesWindow;
class QFontDialog;
class QSettings;
class QStandardItemModel;
class ThumbnailLoader;
struct PhotoDisplay;

// The application's controller: owns the main window, the photo lists, the
// settings and the current photo, and runs every command. Commands gather
// their inputs from the controls, call the core and show the result; work on
// files runs off the GUI thread.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Without a camera service of its own it uses the USB cameras and phones.
    AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent = nullptr,
                std::shared_ptr<CameraService> cameras = nullptr);
    ~AppDelegate() override;

    // Lists, window geometry, settings and the storage folder.
    void applicationDidFinishLaunching();

    const MainWindowOutlets& outlets() const { return m_outlets; }
    PreferencesWindow* preferenceWindow() const { return m_preferences; }
    PhotoListModel* localPhotoItemArray() const { return m_localPhotos; }
    PhotoListModel* cameItemArray() const { return m_devicePhotos; }
    QStandardItemModel* outlineModel() const { return m_outline; }
    ChangeDateWindow* changeDateWindow() const { return m_changeDateWindow; }
    ChangeMutiDateWindow* changeMutiDateWindow() const { return m_changeMutiDateWindow; }
    CommandRunner* commandRunner() const { return m_runner; }
    DeviceWindow* cameraWindow() const { return m_cameraWindow; }
    DeviceBrowser* deviceBrowser() const { return mDeviceBrowser; }
    const QList<CameraDevice*>& cameras() const { return mCameras; }
    CameraDevice* currentDevice() const { return m_currentDevice; }
    // What the last editing command did.
    const OperationReport& lastReport() const { return m_lastReport; }

    QString storagelocation;
    QString currentFontname;
    int currentFontSize = 14;
    QColor currentFontColor = Qt::white;
    QString currentFileName;
    QString currentChooseFilePath;
    QVariantMap currentExifDictionary;
    bool blocalMode = true;
    QPointF currentCoords;           // (latitude, longitude)
    QPointer<QFontDialog> fontPanel; // made by the first ShowFontPanelAction
    bool bMapPreview = false;

public Q_SLOTS:
    void ClickImportPhotosAction();
    void ClickClearandImportPhotosAction();
    void OpenComputerFoldertoImportAction();
    void ClearLeftPhotos();
    void ChangeToImportComputerPhoto();
    void PRDragOperationImageNoteHandle();
    void NSDragOperationImageViewNoteHandle();
    void imageBrowserSelectionDidChange();
    void cellWasDoubleClickedAtIndex(int index);

    void ShowPreferenceSetting();
    void ChangeStoreLocation();
    void ResetPreferenceSetting();
    void CancelPreferenceSetting();

    // Removal, from the remove menu.
    void RemoveExifDataFromPhoto();
    void RemoveGPSDataFromPhoto();
    void RemoveIPTCDataFromPhoto();
    void DeleteExifAndGPSData();

    // Dates: the date window, the batch date window and the file dates.
    void ChangeDateExifFromPhoto();
    void ClickDateChangedSaveAction();
    void ClickDateChangedCancelAction();
    void ChoosePhotosAction();
    void ClickAddTimeAction();
    void ClickRemoveTimeAction();
    void ClickMutiDateChangedSaveAction();
    void ClickMutiDateChangedCancelAction();
    void ClickCopyExifDateToCreateDateAction();

    // The device source.
    void ChangeToImportiOSDevicePhoto();
    void OpenDeviceAction();
    void DownloadPhotoAction();
    void DownloadImportEditePhotoAction();
    void DeletePhotoAction();
    void ViewExifData();
    // The date stamp and its font panel.
    void AddDateOnPhotoAction();
    void ShowFontPanelAction();
    void changeFont(const QFont& font);

    // Metadata exported to property lists and imported from them.
    void ExportTIFFtoPlistAction();
    void ExportExiftoPlistAction();
    void ExportExifAndIiFFDataToPlist();
    void ExportExifAndGPSDataToPlist();
    void WriteExifDataToPlist();
    void WriteSelectedItemsExifDataToPlist();
    void ExportTemplateDataToPlist();
    void ImportTIFFtoPlistAction();
    void ImportExiFtoPlistAction();
    void ImportExiFAndTiffPlistAction();
    void ImportExiFAndGPSPlistAction();
    void ImportTemplateDataPlistAction();
    void ImportMetaDataPlistAction();
    void openPanelDidEnd10(int returnCode, const QStringList& paths);
    void openPanelDidEnd11(int returnCode, const QStringList& paths);
    void openPanelDidEnd12(int returnCode, const QStringList& paths);
    void openPanelDidEnd16(int returnCode, const QStringList& paths);
    void openPanelDidEnd13(int returnCode, const QStringList& paths);
    void openPanelDidEnd14(int returnCode, const QStringList& paths);

    // Completions of the open panels (return code 1 is OK).
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    void openPanelDidEnd(int returnCode, const QStringList& paths);
    void openPanelDidEnd5(int returnCode, const QString& folder);
    void openPanelDidEnd3(int returnCode, const QStringList& paths);
    // Completion of the alert sheets on the main window.
    void savePanelDidEnd3(QMessageBox* alert, int returnCode);

Q_SIGNALS:
    // The selection's photo has been read and shown (or found unreadable).
    void photoShown(const QString& path);
    // A date window has been filled and shown, or the preview photo taken.
    void dateWindowFilled();
    // An editing command has finished: lastReport() says what it did.
    void commandFinished();
    // The device list has changed: a camera came or went, files were listed or deleted.
    void deviceListChanged();
    // A device download command has finished, with what became of each file.
    void deviceDownloadsFinished(const QList<DownloadOutcome>& outcomes);
    // The delete confirmation is up.
    void deleteConfirmationShown(QMessageBox* box);
    // An export has been written (its path) or has failed (an empty path).
    void exportFinished(const QString& path);
    // An alert is up, with its text and informative text.
    void alertShown(const QString& text, const QString& informative);

private:
    struct SelectionRead;
    void addPaths(const QStringList& paths);
    void showBrowser();
    void selectFirstPhoto();
    void openImportPanel(bool clearFirst, bool openCommand);
    void selectPhotoPath(const QString& path);
    void readInBackground(const QString& path, bool doubleClick, const QString& fileName);
    void showSelectionRead(const SelectionRead& read);
    void showOutline(const QVariantMap& dictionary);
    void showPosition(double latitude, double longitude);
    void applyDisplay(const PhotoDisplay& display);
    void createStorageFolder() const;

    // Editing commands.
    SourceMode mode() const { return blocalMode ? SourceMode::Computer : SourceMode::Device; }
    QListView* browserOf(SourceMode mode) const;
    PhotoListModel* listOf(SourceMode mode) const;
    int selectionCount(SourceMode mode) const;
    std::vector<SelectedPhoto> selectedPhotos(SourceMode mode) const;
    void runRemovalCommand(RemovalKind kind);
    void setUpTemplateMenu();
    void exportCurrentPhoto(ExportKind kind);
    void writeExport(const QString& name, const QVariantMap& content);
    void openImportPanel(void (AppDelegate::*completion)(int, const QStringList&));
    void importFile(ImportKind kind, int returnCode, const QStringList& paths);
    struct Presentation {
        bool revealWritten = false;
        bool openStorage = false;
    };
    // The notes are lines the command adds to its end message, filled while it runs.
    void runEditing(const QString& label, const std::vector<SelectedPhoto>& photos,
                    std::function<OperationReport(const BatchOptions&)> work,
                    Presentation presentation, std::function<void()> afterwards = {},
                    std::shared_ptr<const QStringList> notes = {});
    void presentReport(const OperationReport& report, Presentation presentation,
                       const QStringList& notes = {});
    QMessageBox* alert(const QString& text, const QString& informative, QWidget* on);
    void showEmptySelectionAlert();
    void showInvalidDateAlert(QWidget* on);
    void fillDateWindow(const QString& path, int count);
    void closeMutiDateWindow();

    // The device source.
    enum class DownloadPurpose { Download, Import, View };
    struct DeviceEntry {
        QString port;
        DeviceFile file;
    };
    void setUpDeviceWindow();
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

    MetadataService& m_metadata;
    FileViewer& m_fileViewer;
    MainWindowOutlets m_outlets;
    PreferencesWindow* m_preferences = nullptr;
    ThumbnailLoader* m_thumbnails = nullptr;
    PhotoListModel* m_localPhotos = nullptr;
    PhotoListModel* m_devicePhotos = nullptr; // filled by the device source
    QStandardItemModel* m_outline = nullptr;
    QSettings* m_settings = nullptr;
    quint64 m_readGeneration = 0;
    ChangeDateWindow* m_changeDateWindow = nullptr;
    ChangeMutiDateWindow* m_changeMutiDateWindow = nullptr;
    CommandRunner* m_runner = nullptr;
    OperationReport m_lastReport;

    std::shared_ptr<CameraService> m_cameraService;
    DeviceBrowser* mDeviceBrowser = nullptr;
    QList<CameraDevice*> mCameras;
    CameraDevice* m_currentDevice = nullptr; // one of mCameras, or none
    DeviceWindow* m_cameraWindow = nullptr;
    QList<DeviceEntry> m_deviceEntries; // beside the device photo list, row for row
    bool bDownloadandimportToEdit = false;
    int m_nextDownloadTag = 0;
    QHash<int, DownloadPurpose> m_downloadPurposes;
};
