#include "AppDelegate.h"

#include "FileViewer.h"
#include "editing/TemplateOperations.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QThreadPool>

// Metadata saved to property lists in the storage folder, and applied back.

void AppDelegate::setUpTemplateMenu() {
    QMenu* menu = m_outlets.window->menuBar()->addMenu(tr("Import and Export"));
    menu->setObjectName(QStringLiteral("importExportMenu"));
    const struct {
        const char* title;
        void (AppDelegate::*command)();
    } items[] = {
        {"Export TIFF Set…", &AppDelegate::ExportTIFFtoPlistAction},
        {"Export EXIF Set…", &AppDelegate::ExportExiftoPlistAction},
        {"Export EXIF and TIFF Sets…", &AppDelegate::ExportExifAndIiFFDataToPlist},
        {"Export EXIF and GPS Sets…", &AppDelegate::ExportExifAndGPSDataToPlist},
        {"Export All Metadata…", &AppDelegate::WriteExifDataToPlist},
        {"Export Template from the Form…", &AppDelegate::ExportTemplateDataToPlist},
        {nullptr, nullptr},
        {"Import TIFF Set…", &AppDelegate::ImportTIFFtoPlistAction},
        {"Import EXIF Set…", &AppDelegate::ImportExiFtoPlistAction},
        {"Import EXIF and TIFF Sets…", &AppDelegate::ImportExiFAndTiffPlistAction},
        {"Import EXIF and GPS Sets…", &AppDelegate::ImportExiFAndGPSPlistAction},
        {"Import All Metadata…", &AppDelegate::ImportMetaDataPlistAction},
        {"Import Template…", &AppDelegate::ImportTemplateDataPlistAction},
    };
    for (const auto& item : items) {
        if (!item.title) {
            menu->addSeparator();
            continue;
        }
        connect(menu->addAction(tr(item.title)), &QAction::triggered, this, item.command);
    }
}

void AppDelegate::exportCurrentPhoto(ExportKind kind) {
    if (currentFileName.isEmpty() || currentExifDictionary.isEmpty()) {
        alert(tr("No photo to export"),
              tr("Select a photo in the list first: its metadata is what is exported."),
              m_outlets.window)
            ->open();
        return;
    }
    const auto dictionary = exportDictionary(kind, currentExifDictionary);
    if (!dictionary) {
        alert(tr("Nothing was exported"), dictionary.error(), m_outlets.window)->open();
        return;
    }
    writeExport(exportFileName(kind, currentFileName), dictionary.value());
}

// The file is written off the window's thread, then shown.
void AppDelegate::writeExport(const QString& name, const QVariantMap& content) {
    QPointer<AppDelegate> self(this);
    const QString folder = storagelocation;
    QThreadPool::globalInstance()->start([self, folder, name, content] {
        const auto written = writePropertyListFile(folder, name, content);
        QMetaObject::invokeMethod(
            self.data(),
            [self, written] {
                if (!self)
                    return;
                if (written) {
                    self->m_fileViewer.revealFiles({written.value()});
                } else {
                    self->alert(tr("The export could not be written"), written.error(),
                                self->m_outlets.window)
                        ->open();
                }
                Q_EMIT self->exportFinished(written ? written.value() : QString());
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::ExportTIFFtoPlistAction() {
    exportCurrentPhoto(ExportKind::Tiff);
}
void AppDelegate::ExportExiftoPlistAction() {
    exportCurrentPhoto(ExportKind::Exif);
}
void AppDelegate::ExportExifAndIiFFDataToPlist() {
    exportCurrentPhoto(ExportKind::ExifAndTiff);
}
void AppDelegate::ExportExifAndGPSDataToPlist() {
    exportCurrentPhoto(ExportKind::ExifAndGps);
}
void AppDelegate::WriteExifDataToPlist() {
    exportCurrentPhoto(ExportKind::All);
}
void AppDelegate::WriteSelectedItemsExifDataToPlist() {
    exportCurrentPhoto(ExportKind::All);
}

void AppDelegate::ExportTemplateDataToPlist() {
    const MainWindowOutlets& o = m_outlets;
    TemplateFields fields;
    fields.artist = o.artistlab->text();
    fields.imageDescription = o.imageDescrilab->text();
    fields.copyright = o.copyrightlab->text();
    fields.make = o.cameraMakelab->text();
    fields.model = o.cameraModelab->text();
    fields.dateDigitized = o.cameraDatelab->text();
    fields.comment = o.commentslab->text();
    fields.keywords = o.keywordslab->text();
    fields.gpsDate = o.gpsDatelab->text();
    fields.gpsTime = o.gpsTimelab->text();
    fields.altitude = o.gpsAitlab->text();
    fields.latitude = o.gpsLatilab->text();
    fields.longitude = o.gpsLongtlab->text();
    writeExport(TemplateFileName, templateDictionary(fields));
}

void AppDelegate::openImportPanel(void (AppDelegate::*completion)(int, const QStringList&)) {
    auto* panel = new QFileDialog(m_outlets.window, tr("Please select plist to import."));
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel, completion](int result) {
        (this->*completion)(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles());
    });
    panel->open();
}

void AppDelegate::importFile(ImportKind kind, int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    if (selectionCount(SourceMode::Computer) == 0) {
        showEmptySelectionAlert();
        return;
    }
    const std::vector<SelectedPhoto> photos = selectedPhotos(SourceMode::Computer);
    MetadataService* metadata = &m_metadata;
    const QString plist = paths.first();
    runEditing(tr("Applying metadata…"), photos,
               [kind, plist, photos, storage = storagelocation, metadata](const BatchOptions& o) {
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

void AppDelegate::ImportTIFFtoPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd10);
}
void AppDelegate::ImportExiFtoPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd11);
}
void AppDelegate::ImportExiFAndTiffPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd12);
}
void AppDelegate::ImportExiFAndGPSPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd16);
}
void AppDelegate::ImportTemplateDataPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd13);
}
void AppDelegate::ImportMetaDataPlistAction() {
    openImportPanel(&AppDelegate::openPanelDidEnd14);
}

void AppDelegate::openPanelDidEnd10(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Tiff, returnCode, paths);
}
void AppDelegate::openPanelDidEnd11(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Exif, returnCode, paths);
}
void AppDelegate::openPanelDidEnd12(int returnCode, const QStringList& paths) {
    importFile(ImportKind::ExifAndTiff, returnCode, paths);
}
void AppDelegate::openPanelDidEnd16(int returnCode, const QStringList& paths) {
    importFile(ImportKind::ExifAndGps, returnCode, paths);
}
void AppDelegate::openPanelDidEnd13(int returnCode, const QStringList& paths) {
    importFile(ImportKind::Template, returnCode, paths);
}
void AppDelegate::openPanelDidEnd14(int returnCode, const QStringList& paths) {
    importFile(ImportKind::All, returnCode, paths);
}
