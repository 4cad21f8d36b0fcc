#pragma once

#include "app/MainWindowLayout.h"

#include <QColor>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <QVariantMap>

class FileViewer;
class MetadataService;
class PhotoListModel;
class PreferencesWindow;
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
    AppDelegate(MetadataService& metadata, FileViewer& fileViewer, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Lists, window geometry, settings and the storage folder.
    void applicationDidFinishLaunching();

    const MainWindowOutlets& outlets() const { return m_outlets; }
    PreferencesWindow* preferenceWindow() const { return m_preferences; }
    PhotoListModel* localPhotoItemArray() const { return m_localPhotos; }
    PhotoListModel* cameItemArray() const { return m_devicePhotos; }
    QStandardItemModel* outlineModel() const { return m_outline; }

    QString storagelocation;
    QString currentFontname;
    int currentFontSize = 14;
    QColor currentFontColor = Qt::white;
    QString currentFileName;
    QString currentChooseFilePath;
    QVariantMap currentExifDictionary;
    bool blocalMode = true;
    QPointF currentCoords; // (latitude, longitude)
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

    // Completions of the open panels (return code 1 is OK).
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    void openPanelDidEnd(int returnCode, const QStringList& paths);
    void openPanelDidEnd5(int returnCode, const QString& folder);

Q_SIGNALS:
    // The selection's photo has been read and shown (or found unreadable).
    void photoShown(const QString& path);

private:
    struct SelectionRead;
    void addPaths(const QStringList& paths);
    void showBrowser();
    void selectFirstPhoto();
    void openImportPanel(bool clearFirst, bool openCommand);
    void readInBackground(const QString& path, bool doubleClick, const QString& fileName);
    void showSelectionRead(const SelectionRead& read);
    void showOutline(const QVariantMap& dictionary);
    void showPosition(double latitude, double longitude);
    void applyDisplay(const PhotoDisplay& display);
    void createStorageFolder() const;

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
};
