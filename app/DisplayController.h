#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <memory>

class EditFormState;
class QImage;
class QModelIndex;
class LatestPhotoDecoder;
class MetadataService;
class PhotoListModel;
class PhotoViewerWindow;
class QSettings;
class QStandardItem;
class QStandardItemModel;
class QTimer;
class SourcePane;
class SourceSelection;
class ThumbnailLoader;
struct CurrentPhoto;
struct MainWindowOutlets;
struct PhotoDisplay;
struct StorageLocation;

// The computer photo list and the display of its selection: import, drag and
// drop, selection and double click, the browser's thumbnail size and count,
// and the commands the selection makes available. It is the main window's
// own display and works with most of its outlets.
class DisplayController : public QObject {
    Q_OBJECT
public:
    DisplayController(const MainWindowOutlets& outlets, SourcePane& pane,
                      SourceSelection& selection, PhotoListModel& localPhotos,
                      const PhotoListModel& devicePhotos, EditFormState& formState,
                      MetadataService& metadata, ThumbnailLoader& thumbnails,
                      const StorageLocation& storage, QSettings& settings,
                      QObject* parent = nullptr);
    ~DisplayController() override;

    // The selection's property outline.
    QStandardItemModel* outlineModel() const { return m_outline; }
    // The view as the settings keep it, once the lists exist.
    void restoreView();
    PhotoViewerWindow* photoViewer() const { return m_viewer; }
    LatestPhotoDecoder* largeViewDecoder() const { return m_largeView; }

    // The file types the open panels offer first.
    static QStringList photoNameFilters();

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

    // Completions of the open panels (return code 1 is OK).
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    void openPanelDidEnd(int returnCode, const QStringList& paths);

    // The selected photo at full size, and a step from it to the next or
    // the previous photo.
    void showFullSize();
    void stepPhoto(int step);
    // The tree shows stored values rather than readable ones.
    void showStoredValues(bool stored);
    // The sets of the tree the user closed stay closed from photo to photo.
    void rememberClosedSet(const QModelIndex& index);
    void forgetClosedSet(const QModelIndex& index);
    // The browser's thumbnails, in logical pixels a side, and a step up or down.
    void setThumbnailSide(int side);
    void largerThumbnails();
    void smallerThumbnails();
    // The large view follows the current photo, decoded for its size; the
    // photo a step on is decoded ahead.
    void requestLargeView();
    void showLargeView(const QString& path, const QImage& photo);
    void prefetchAhead();
    // "N photos, M selected", and the commands that need a selection.
    void refreshSelectionState();
    // After a write or a revert: the browser's marks, and the current
    // photo's values read again from its working copy.
    void followWorkingCopies();

protected:
    // Enter in the browser opens the photo as a double click does.
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The selection's photo has been read and shown (or found unreadable).
    void photoShown(const QString& path);
    // The large view shows the selected photo (or says it cannot).
    void largeViewShown(const QString& path);
    // The form has been compared across the selected photos.
    void formCompared();

private:
    struct SelectionRead;
    void addPaths(const QStringList& paths);
    void markWorkingCopies(const QStringList& paths);
    void selectFirstPhoto();
    void openImportPanel(bool clearFirst, bool openCommand);
    void selectPhotoPath(const QString& path);
    void readInBackground(const QString& path, const QString& fileName);
    void showSelectionRead(const SelectionRead& read);
    void showUnreadable(const SelectionRead& read);
    void showSummary(const SelectionRead& read);
    void showOutline(const QVariantMap& dictionary);
    void appendNodes(QStandardItem* parent, const QVariantMap& values, const QString& set,
                     const QString& path);
    void showPosition(double latitude, double longitude);
    void applyDisplay(const PhotoDisplay& display);
    void remakeThumbnails();
    // The photo after the selected one in the way the selection last moved.
    QString photoAhead();
    void compareSelectedPhotos();
    int firstSelectedRow() const;

    const MainWindowOutlets& m_outlets;
    SourcePane& m_pane;
    SourceSelection& m_selection;
    PhotoListModel& m_localPhotos;
    const PhotoListModel& m_devicePhotos;
    const CurrentPhoto& m_current; // the selection's
    EditFormState& m_formState;
    MetadataService& m_metadata;
    ThumbnailLoader& m_thumbnails;
    const StorageLocation& m_storage;
    QSettings& m_settings;
    QStandardItemModel* m_outline = nullptr;
    quint64 m_readGeneration = 0;
    // The comparison of the selected photos in flight, told to stop when a
    // newer selection comes.
    std::shared_ptr<std::atomic<bool>> m_comparisonStop;
    LatestPhotoDecoder* m_largeView = nullptr;
    PhotoViewerWindow* m_viewer = nullptr;
    int m_shownRow = -1;
    int m_stepDirection = 1;
    QTimer* m_thumbnailResize = nullptr;
    bool m_storedValues = false;
    // The XMP values of the current photo that came from its sidecar.
    QString m_sidecarPath;
    QSet<QString> m_sidecarKeys;
    QSet<QString> m_collapsedSets; // sets the user closed stay closed
};
