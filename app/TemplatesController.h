#pragma once

#include "editing/TemplateOperations.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class ControllerContext;

// Metadata saved to property lists in the storage folder, and applied back
// to the selected computer photos.
class TemplatesController : public QObject {
    Q_OBJECT
public:
    explicit TemplatesController(ControllerContext& context, QObject* parent = nullptr);

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

private:
    void exportCurrentPhoto(ExportKind kind);
    void writeExport(const QString& name, const QVariantMap& content);
    void openImportPanel(void (TemplatesController::*completion)(int, const QStringList&));
    void importFile(ImportKind kind, int returnCode, const QStringList& paths);

    ControllerContext& m_ctx;
};
