#pragma once

#include "app/ControllerState.h"
#include "app/MainWindowLayout.h"
#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"
#include "sources/CameraDevice.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class CommandRunner;
class EditFormState;
class FileViewer;
class MetadataService;
class PhotoListModel;
class PreferencesWindow;
class QListView;
class QSettings;
class QWidget;
class ThumbnailLoader;

// What every command group works with besides the state: the services, the
// main window, the photo lists and the runner of editing commands, with the
// alerts and the report every command ends in. The signals are the window's
// observable events; any group emits them here.
class ControllerContext : public QObject {
    Q_OBJECT
public:
    // Builds the main window, the preferences window and the runner.
    ControllerContext(MetadataService& metadata, FileViewer& fileViewer, QObject* parent = nullptr);
    ~ControllerContext() override;

    // The photo lists and the settings, made when the application has launched.
    void createListsAndSettings();

    MetadataService& metadata;
    FileViewer& fileViewer;
    MainWindowOutlets outlets;
    PreferencesWindow* preferences = nullptr; // the stamp's style lives there too
    QSettings* settings = nullptr;
    CommandRunner* runner = nullptr;
    ThumbnailLoader* thumbnails = nullptr;
    PhotoListModel* localPhotos = nullptr;
    PhotoListModel* devicePhotos = nullptr; // filled by the device source
    ControllerState state;
    EditFormState* formState = nullptr; // what the form's fields stand for

    SourceMode mode() const { return state.blocalMode ? SourceMode::Computer : SourceMode::Device; }
    // The source the editing commands work on: the computer's list (true) or the device's.
    void setLocalMode(bool local);
    QListView* browserOf(SourceMode mode) const;
    PhotoListModel* listOf(SourceMode mode) const;
    int selectionCount(SourceMode mode) const;
    std::vector<SelectedPhoto> selectedPhotos(SourceMode mode) const;
    void createStorageFolder() const;

    // What the last editing command did.
    const OperationReport& lastReport() const { return m_lastReport; }

    struct Presentation {
        bool revealWritten = false;
        bool openStorage = false;
    };
    // Runs an editing command off the GUI thread, one at a time, then presents
    // its report. The renamed are lines naming the photos written under
    // another name than their own, filled while it runs.
    void runEditing(const QString& label, const std::vector<SelectedPhoto>& photos,
                    std::function<OperationReport(const BatchOptions&)> work,
                    Presentation presentation, std::function<void()> afterwards = {},
                    std::shared_ptr<const QStringList> renamed = {});
    void presentReport(const OperationReport& report, Presentation presentation,
                       const QStringList& renamed = {});

    // An alert ready to open on the window `on`.
    QMessageBox* alert(const QString& text, const QString& informative, QWidget* on);
    void showEmptySelectionAlert();
    // Names the field that holds no date, where one is given.
    void showInvalidDateAlert(QWidget* on, const QString& field = QString());
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
    // The editing commands' source has changed.
    void modeChanged();

private:
    OperationReport m_lastReport;
};
