#include "app/DisplayController.h"
#include "app/Background.h"

#include "editing/WorkingCopies.h"

#include "app/CurrentPhoto.h"
#include "app/DateTimeField.h"
#include "app/DropTargets.h"
#include "app/EditFormState.h"
#include "app/FormFieldText.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/MainWindowLayout.h"
#include "app/PhotoViewerWindow.h"
#include "app/PropertyOutlineView.h"
#include "app/RatingField.h"
#include "app/SourcePane.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "sources/PhotoListModel.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>

DisplayController::DisplayController(const MainWindowOutlets& outlets, SourcePane& pane,
                                     SourceSelection& selection, PhotoListModel& localPhotos,
                                     const PhotoListModel& devicePhotos, EditFormState& formState,
                                     MetadataService& metadata, ThumbnailLoader& thumbnails,
                                     const StorageLocation& storage, QSettings& settings,
                                     QObject* parent)
    : QObject(parent), m_outlets(outlets), m_pane(pane), m_selection(selection),
      m_localPhotos(localPhotos), m_devicePhotos(devicePhotos), m_current(selection.current()),
      m_formState(formState), m_metadata(metadata), m_thumbnails(thumbnails), m_storage(storage),
      m_settings(settings) {
    m_outline = new QStandardItemModel(this);
    m_outline->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    m_outlets.propertyOutline->setModel(m_outline);
    m_largeView = new LatestPhotoDecoder(metadata, this);
    m_viewer = new PhotoViewerWindow(metadata, settings, m_outlets.window);
    // The thumbnails are made anew once their size has rested a moment.
    m_thumbnailResize = new QTimer(this);
    m_thumbnailResize->setSingleShot(true);
    m_thumbnailResize->setInterval(150);
    connect(m_thumbnailResize, &QTimer::timeout, this, &DisplayController::remakeThumbnails);
}

DisplayController::~DisplayController() {
    if (m_comparisonStop)
        m_comparisonStop->store(true);
}

QStringList DisplayController::photoNameFilters() {
    // Camera RAW and layered files are read too: their changes go into a
    // sidecar beside them.
    static const char* const suffixes[] = {
        "jpg", "jpeg", "jpe", "png", "tif", "tiff", "webp", "heic", "heif", "hif", "avif",
        "gif", "dng",  "cr2", "cr3", "crw", "nef",  "nrw",  "arw",  "sr2",  "srf", "pef",
        "srw", "orf",  "rw2", "raf", "mrw", "iiq",  "3fr",  "erf",  "psd"};
    QStringList patterns;
    for (const char* suffix : suffixes)
        patterns << QStringLiteral("*.") + QLatin1String(suffix);
    for (const char* suffix : suffixes)
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix).toUpper();
    return {tr("Photos (%1)").arg(patterns.join(QLatin1Char(' '))), tr("All files (*)")};
}

void DisplayController::addPaths(const QStringList& paths) {
    QList<IKImageItem> items;
    items.reserve(paths.size());
    for (const QString& path : paths)
        items << IKImageItem::forLocalFile(path);
    m_localPhotos.append(items);
    markWorkingCopies(paths);
}

// Which of the photos have a working copy, looked up off the GUI thread: a
// look in the storage folder per photo.
void DisplayController::markWorkingCopies(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    runInBackground(
        this,
        [paths, storage = m_storage.storagelocation] {
            QSet<QString> have;
            for (const QString& path : paths) {
                if (!workingCopyOf(path, storage).isEmpty())
                    have.insert(path);
            }
            return have;
        },
        [this, paths](const QSet<QString>& have) {
            m_localPhotos.markWorkingCopies(have, true);
            m_localPhotos.markWorkingCopies(QSet<QString>(paths.cbegin(), paths.cend()) - have,
                                            false);
        });
}

void DisplayController::followWorkingCopies() {
    QStringList paths;
    for (const IKImageItem& item : m_localPhotos.items())
        paths << item.filePath;
    markWorkingCopies(paths);
    const int first = firstSelectedRow();
    if (first >= 0) {
        const IKImageItem& item = m_localPhotos.itemAt(first);
        readInBackground(item.filePath, item.fileName);
    }
}

void DisplayController::selectFirstPhoto() {
    // The first photo the browser shows, whatever its filter and order.
    QListView* browser = m_outlets.localImageBrowserView;
    if (!browser->model() || browser->model()->rowCount() == 0)
        return;
    const QModelIndex first = browser->model()->index(0, 0);
    browser->selectionModel()->select(first, QItemSelectionModel::ClearAndSelect);
    browser->setCurrentIndex(first);
}

void DisplayController::openImportPanel(bool clearFirst, bool openCommand) {
    if (clearFirst)
        ClearLeftPhotos();
    auto* panel = new QFileDialog(m_outlets.window, tr("Please select photos to import."));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setNameFilters(photoNameFilters());
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel, openCommand](int result) {
        const int code = result == QDialog::Accepted ? 1 : 0;
        if (openCommand)
            openPanelDidEnd(code, panel->selectedFiles());
        else
            openPanelDidEnd1(code, panel->selectedFiles());
    });
    panel->open();
}

void DisplayController::ClickImportPhotosAction() {
    openImportPanel(false, false);
}
void DisplayController::ClickClearandImportPhotosAction() {
    openImportPanel(true, false);
}
void DisplayController::OpenComputerFoldertoImportAction() {
    openImportPanel(false, true);
}

void DisplayController::openPanelDidEnd1(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    m_pane.showPhotosOrDropHint(true);
    addPaths(paths);
    m_selection.setLocalMode(true);
}

void DisplayController::openPanelDidEnd(int returnCode, const QStringList& paths) {
    if (returnCode != 1)
        return;
    if (!paths.isEmpty()) {
        addPaths(paths);
        m_selection.setLocalMode(true);
    }
    m_storage.create();
}

namespace {
QStringList localPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}
} // namespace

void DisplayController::PRDragOperationImageNoteHandle() {
    m_selection.setLocalMode(true);
    addPaths(localPaths(m_outlets.localImageBrowserView->geturlArray()));
    selectFirstPhoto();
}

void DisplayController::NSDragOperationImageViewNoteHandle() {
    m_pane.showPhotosOrDropHint(true);
    m_selection.setLocalMode(true);
    addPaths(localPaths(m_outlets.leftTipImageView->geturlArray()));
    selectFirstPhoto();
}

void DisplayController::ClearLeftPhotos() {
    m_localPhotos.clear();
    for (QLineEdit* field : m_outlets.summaryFields())
        field->setText(QString());
    for (QWidget* field : m_outlets.formFields()) {
        if (field != m_outlets.cameraDatelab)
            FormFieldText::setText(field, QString());
    }
    m_formState.filled();
}

void DisplayController::ChangeToImportComputerPhoto() {
    m_pane.showPhotosOrDropHint(m_localPhotos.rowCount() > 0);
    m_selection.setLocalMode(true);
}
