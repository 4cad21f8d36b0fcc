#include "app/TemplatesController.h"

#include "app/Alerts.h"
#include "app/Background.h"
#include "app/CommandRunner.h"
#include "app/CurrentPhoto.h"
#include "app/EditFormState.h"
#include "app/FileViewer.h"
#include "app/FormFieldText.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/FormField.h"
#include "metadata/DateText.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"

#include <QFileDialog>

using namespace PropertyKeys;

TemplatesController::TemplatesController(const FormOutlets& form, QWidget* window,
                                         const EditFormState& formState, SourceSelection& selection,
                                         CommandRunner& runner, Alerts& alerts,
                                         MetadataService& metadata, FileViewer& fileViewer,
                                         const StorageLocation& storage, QObject* parent)
    : QObject(parent), m_form(form), m_window(window), m_formState(formState),
      m_selection(selection), m_current(selection.current()), m_runner(runner), m_alerts(alerts),
      m_metadata(metadata), m_fileViewer(fileViewer), m_storage(storage) {}

void TemplatesController::exportCurrentPhoto(ExportKind kind) {
    if (m_current.currentFileName.isEmpty() || m_current.currentExifDictionary.isEmpty()) {
        m_alerts
            .alert(tr("No photo to export"),
                   tr("Select a photo in the list first: its metadata is what is exported."),
                   m_window)
            ->open();
        return;
    }
    const auto dictionary = exportDictionary(kind, m_current.currentExifDictionary);
    if (!dictionary) {
        m_alerts.alert(tr("Nothing was exported"), dictionary.error(), m_window)->open();
        return;
    }
    writeExport(exportFileName(kind, m_current.currentFileName), dictionary.value());
}

// The file is written off the window's thread, then shown.
void TemplatesController::writeExport(const QString& name, const QVariantMap& content) {
    const QString folder = m_storage.storagelocation;
    runInBackground(
        this, [folder, name, content] { return writePropertyListFile(folder, name, content); },
        [this](const Result<QString>& written) {
            if (written)
                m_fileViewer.revealFiles({written.value()});
            else
                m_alerts.alert(tr("The export could not be written"), written.error(), m_window)
                    ->open();
            Q_EMIT exportFinished(written ? written.value() : QString());
        });
}

void TemplatesController::ExportTIFFtoPlistAction() {
    exportCurrentPhoto(ExportKind::Tiff);
}
void TemplatesController::ExportExiftoPlistAction() {
    exportCurrentPhoto(ExportKind::Exif);
}
void TemplatesController::ExportExifAndIiFFDataToPlist() {
    exportCurrentPhoto(ExportKind::ExifAndTiff);
}
void TemplatesController::ExportExifAndGPSDataToPlist() {
    exportCurrentPhoto(ExportKind::ExifAndGps);
}
void TemplatesController::WriteExifDataToPlist() {
    exportCurrentPhoto(ExportKind::All);
}
void TemplatesController::WriteSelectedItemsExifDataToPlist() {
    exportCurrentPhoto(ExportKind::All);
}

// A field that stands for several photos' differing values has no value to
// save: the template leaves it out, and applying the template leaves it as
// each photo has it. Edited fields and fields the photos share are saved as
// they show.
void TemplatesController::ExportTemplateDataToPlist() {
    const QList<FormField>& rows = formFields();
    const QList<QWidget*> widgets = m_form.fields();
    EditFormFields fields;
    for (qsizetype i = 0; i < rows.size() && i < widgets.size(); ++i) {
        QString text = FormFieldText::text(widgets[i]);
        // The template keeps the wall time alone, as it always has.
        if (rows[i].rule == FormFieldRule::CameraDate)
            text = DateText::splitZone(text).wall;
        fields.*rows[i].edit = text;
    }
    QVariantMap dictionary = templateDictionary(fields);
    for (qsizetype i = 0; i < rows.size() && i < widgets.size(); ++i) {
        if (m_formState.isMixed(widgets[i])) {
            for (const QString& key : rows[i].templateKeys)
                dictionary.remove(key);
        }
    }
    writeExport(TemplateFileName, dictionary);
}

void TemplatesController::openImportPanel(
    void (TemplatesController::*completion)(int, const QStringList&)) {
    auto* panel = new QFileDialog(m_window, tr("Please select plist to import."));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel, completion](int result) {
        (this->*completion)(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles());
    });
    panel->open();
}

void TemplatesController::importFile(ImportKind kind, int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    if (m_selection.selectionCount(SourceMode::Computer) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(SourceMode::Computer);
    MetadataService* metadata = &m_metadata;
    const QString plist = paths.first();
    m_runner.runEditing(tr("Applying metadata…"), photos,
                        [kind, plist, photos, storage = m_storage.storagelocation,
                         metadata](const BatchOptions& o) {
                            // A file that is not a property list with a dictionary is named
                            // with its reason, and no photo is written.
                            const auto file = readPropertyListFile(plist);
                            if (!file) {
                                OperationReport report;
                                report.skipped.append({plist, file.error()});
                                return report;
                            }
                            return runImport(kind, file.value(), photos, storage, *metadata, o);
                        },
                        {true, false});
}

void TemplatesController::ImportTIFFtoPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd10);
}
void TemplatesController::ImportExiFtoPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd11);
}
void TemplatesController::ImportExiFAndTiffPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd12);
}
void TemplatesController::ImportExiFAndGPSPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd16);
}
void TemplatesController::ImportTemplateDataPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd13);
}
void TemplatesController::ImportMetaDataPlistAction() {
    openImportPanel(&TemplatesController::openPanelDidEnd14);
}

void TemplatesController::openPanelDidEnd10(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Tiff, returnCode, paths);
}
void TemplatesController::openPanelDidEnd11(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Exif, returnCode, paths);
}
void TemplatesController::openPanelDidEnd12(int returnCode, const QStringList& paths) {
    importFile(ImportKind::ExifAndTiff, returnCode, paths);
}
void TemplatesController::openPanelDidEnd16(int returnCode, const QStringList& paths) {
    importFile(ImportKind::ExifAndGps, returnCode, paths);
}
void TemplatesController::openPanelDidEnd13(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Template, returnCode, paths);
}
void TemplatesController::openPanelDidEnd14(int returnCode, const QStringList& paths) {
    importFile(ImportKind::All, returnCode, paths);
}
