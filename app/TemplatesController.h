#pragma once

#include "app/FormOutlets.h"
#include "editing/TemplateOperations.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Alerts;
class CommandRunner;
class EditFormState;
class FileViewer;
class MetadataService;
class QWidget;
class SourceSelection;
struct CurrentPhoto;
struct StorageLocation;

// Metadata saved to property lists in the storage folder, and applied back
// to the selected computer photos.
class TemplatesController : public QObject {
    Q_OBJECT
public:
    TemplatesController(const FormOutlets& form, QWidget* window, const EditFormState& formState,
                        SourceSelection& selection, CommandRunner& runner, Alerts& alerts,
                        MetadataService& metadata, FileViewer& fileViewer,
                        const StorageLocation& storage, QObject* parent = nullptr);

public Q_SLOTS:
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

    // Completions of the import panels (return code 1 is OK).
    void openPanelDidEnd10(int returnCode, const QStringList& paths);
    void openPanelDidEnd11(int returnCode, const QStringList& paths);
    void openPanelDidEnd12(int returnCode, const QStringList& paths);
    void openPanelDidEnd16(int returnCode, const QStringList& paths);
    void openPanelDidEnd13(int returnCode, const QStringList& paths);
    void openPanelDidEnd14(int returnCode, const QStringList& paths);

Q_SIGNALS:
    // An export has been written (its path) or has failed (an empty path).
    void exportFinished(const QString& path);

private:
    void exportCurrentPhoto(ExportKind kind);
    void writeExport(const QString& name, const QVariantMap& content);
    void openImportPanel(void (TemplatesController::*completion)(int, const QStringList&));
    void importFile(ImportKind kind, int returnCode, const QStringList& paths);

    const FormOutlets m_form;
    QWidget* m_window;
    const EditFormState& m_formState;
    SourceSelection& m_selection;
    const CurrentPhoto& m_current; // the selection's
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    FileViewer& m_fileViewer;
    const StorageLocation& m_storage;
};
