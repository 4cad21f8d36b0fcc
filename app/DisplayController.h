#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <atomic>
#include <memory>

class ControllerContext;
class LatestPhotoDecoder;
class PhotoViewerWindow;
class QStandardItem;
class QStandardItemModel;
class QTimer;
struct PhotoDisplay;

// The computer photo list and the display of its selection: import, drag and
// drop, selection and double click, the browser's thumbnail size and count,
// and the preferences window.
class DisplayController : public QObject {
    Q_OBJECT
public:
    explicit DisplayController(ControllerContext& context, QObject* parent = nullptr);
    ~DisplayController() override;

    // The selection's property outline.
    QStandardItemModel* outlineModel() const { return m_outline; }
    // The storage folder and the stamp's style from the settings.
    void loadPreferences();
    // Follows both browsers' selections and the window's settings.
    void startFollowing();
    PhotoViewerWindow* photoViewer() const { return m_viewer; }
    // The browser's thumbnails, in logical pixels a side.
    void setThumbnailSide(int side);

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

    void ShowPreferenceSetting();
    void ChangeStoreLocation();
    void ResetPreferenceSetting();
    void CancelPreferenceSetting();

    // Completions of the open panels (return code 1 is OK).
    void openPanelDidEnd1(int returnCode, const QStringList& paths);
    void openPanelDidEnd(int returnCode, const QStringList& paths);
    void openPanelDidEnd5(int returnCode, const QString& folder);

    // The tree shows stored values rather than readable ones.
    void showStoredValues(bool stored);
    // "N photos, M selected", and the commands that need a selection.
    void refreshSelectionState();

protected:
    // Enter in the browser opens the photo as a double click does.
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The large view shows the selected photo (or says it cannot).
    void largeViewShown(const QString& path);
    // The form has been compared across the selected photos.
    void formCompared();

private:
    struct SelectionRead;
    void addPaths(const QStringList& paths);
    void showBrowser();
    void selectFirstPhoto();
    void openImportPanel(bool clearFirst, bool openCommand);
    void selectPhotoPath(const QString& path);
    void readInBackground(const QString& path, bool doubleClick, const QString& fileName);
    void showSelectionRead(const SelectionRead& read);
    void showUnreadable(const SelectionRead& read);
    void showSummary(const SelectionRead& read);
    void showOutline(const QVariantMap& dictionary);
    void appendNodes(QStandardItem* parent, const QVariantMap& values, const QString& set,
                     const QString& path);
    void showPosition(double latitude, double longitude);
    void applyDisplay(const PhotoDisplay& display);
    void requestLargeView();
    void compareSelectedPhotos();
    void showFullSize();
    int firstSelectedRow() const;

    ControllerContext& m_ctx;
    QStandardItemModel* m_outline = nullptr;
    quint64 m_readGeneration = 0;
    // The comparison of the selected photos in flight, told to stop when a
    // newer selection comes.
    std::shared_ptr<std::atomic<bool>> m_comparisonStop;
    LatestPhotoDecoder* m_largeView = nullptr;
    PhotoViewerWindow* m_viewer = nullptr;
    QTimer* m_thumbnailResize = nullptr;
    bool m_storedValues = false;
    QSet<QString> m_collapsedSets; // sets the user closed stay closed
};
