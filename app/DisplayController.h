#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class ControllerContext;
class QStandardItemModel;
struct PhotoDisplay;

// The computer photo list and the display of its selection: import, drag and
// drop, selection and double click, and the preferences window.
class DisplayController : public QObject {
    Q_OBJECT
public:
    explicit DisplayController(ControllerContext& context, QObject* parent = nullptr);

    // The selection's property outline.
    QStandardItemModel* outlineModel() const { return m_outline; }
    // The storage folder and the stamp's style from the settings.
    void loadPreferences();

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

    ControllerContext& m_ctx;
    QStandardItemModel* m_outline = nullptr;
    quint64 m_readGeneration = 0;
};
