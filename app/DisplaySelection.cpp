#include "app/DisplayController.h"

#include "editing/FormField.h"
#include "editing/WorkingCopies.h"

#include "app/Background.h"
#include "app/CurrentPhoto.h"
#include "app/DropTargets.h"
#include "app/EditFormState.h"
#include "app/FormFieldText.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/MainWindowLayout.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/ParallelReads.h"
#include "app/PropertyOutlineView.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PrintConversion.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"
#include "metadata/SizeText.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QThread>

// What a selection needs from the disk, read off the GUI thread.
struct DisplayController::SelectionRead {
    quint64 generation = 0;
    QString path;
    QString fileName;
    bool readable = false;
    QVariantMap dictionary;
    QString sidecarPath;
    QStringList sidecarKeys; // the dictionary's keys its sidecar gave
    std::optional<QDateTime> created;
    qint64 size = 0;
};

namespace {
// Where the summary, the tree and the large view say the selection is no photo.
QString notAPhoto() {
    return DisplayController::tr("Not a photo Tessaview can read");
}
// The raw keys of a tree row and its parents, which name it across photos.
constexpr int RawPathRole = Qt::UserRole + 1;
} // namespace

int DisplayController::firstSelectedRow() const {
    const QItemSelectionModel* selection = m_outlets.localImageBrowserView->selectionModel();
    int first = -1;
    for (const QModelIndex& index : selection->selectedIndexes())
        first = first < 0 ? listRowOf(index) : std::min(first, listRowOf(index));
    return first;
}

void DisplayController::imageBrowserSelectionDidChange() {
    const int first = firstSelectedRow();
    if (first < 0)
        return; // an emptied selection keeps the last display
    const IKImageItem& item = m_localPhotos.itemAt(first);
    selectPhotoPath(item.filePath);
    readInBackground(item.filePath, item.fileName);
    requestLargeView();
}

void DisplayController::cellWasDoubleClickedAtIndex(int index) {
    if (index < 0 || index >= m_localPhotos.rowCount())
        return;
    const IKImageItem& item = m_localPhotos.itemAt(index);
    selectPhotoPath(item.filePath);
    readInBackground(item.filePath, item.fileName);
    requestLargeView();
    showFullSize();
}

// The selected photo is current at once; until its read returns it has no
// dictionary, so nothing can pair its path with the previous photo's values.
void DisplayController::selectPhotoPath(const QString& path) {
    m_selection.choosePhoto(path);
}

// The large view follows the current photo, decoded for the view's size on
// its own thread, so that neither waits for the other; the photo a step
// further the same way is decoded next, so that the step to it shows at once.
void DisplayController::requestLargeView() {
    const QString path = m_current.currentChooseFilePath;
    if (path.isEmpty())
        return;
    const QSize pixels = m_outlets.localPhotoImageView->pixelSize();
    m_largeView->request(path, pixels);
    m_largeView->prefetch(photoAhead(), pixels);
}

// The photo the arrow keys reach next, in the browser's order: the rows
// are the browser's, as it may be sorted and filtered.
QString DisplayController::photoAhead() {
    const QListView* browser = m_outlets.localImageBrowserView;
    int row = -1;
    for (const QModelIndex& index : browser->selectionModel()->selectedIndexes())
        row = row < 0 ? index.row() : std::min(row, index.row());
    if (row < 0)
        return {};
    if (m_shownRow >= 0 && row != m_shownRow)
        m_stepDirection = row > m_shownRow ? 1 : -1;
    m_shownRow = row;
    const int ahead = row + m_stepDirection;
    if (ahead < 0 || ahead >= browser->model()->rowCount())
        return {};
    return m_localPhotos.itemAt(listRowOf(browser->model()->index(ahead, 0))).filePath;
}

void DisplayController::readInBackground(const QString& path, const QString& fileName) {
    SelectionRead read;
    read.generation = ++m_readGeneration;
    read.path = path;
    read.fileName = fileName;
    if (m_comparisonStop)
        m_comparisonStop->store(true);
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this,
        [metadata, read, storage = m_storage.storagelocation]() mutable {
            // What the user sees is what the next edit builds on.
            const QString working = workingCopyOf(read.path, storage);
            if (!working.isEmpty())
                read.path = working;
            const auto properties = metadata->readProperties(read.path);
            read.readable = properties.isOk();
            if (read.readable) {
                read.dictionary = properties->dictionary;
                read.sidecarPath = properties->sidecarPath;
                read.sidecarKeys = properties->sidecarKeys;
            }
            if (const auto times = readFileTimes(read.path))
                read.created = times->created;
            read.size = QFileInfo(read.path).size();
            return read;
        },
        [this](const SelectionRead& read) { showSelectionRead(read); });
}

// Every part of the display comes from one read, the read of the current
// selection: the outline, the summary, the form, the map, the photo's name and
// its dictionary. A read for a photo no longer current is dropped, so a later
// Apply never writes one photo's values into another.
void DisplayController::showSelectionRead(const SelectionRead& read) {
    if (read.generation != m_readGeneration)
        return; // a later selection is on its way
    if (!read.readable) {
        m_selection.photoUnreadable(read.fileName);
        showUnreadable(read);
        return;
    }
    m_outlets.propertyOutline->setPlaceholderText(QString());
    m_sidecarPath = read.sidecarPath;
    m_sidecarKeys = QSet<QString>(read.sidecarKeys.cbegin(), read.sidecarKeys.cend());
    showOutline(read.dictionary);
    const PhotoDisplay display = photoDisplayFor(read.dictionary);
    m_selection.photoRead(read.fileName, read.dictionary,
                          display.hasPosition
                              ? std::optional(QPointF(display.latitude, display.longitude))
                              : std::nullopt);

    if (display.hasPosition) {
        m_outlets.currentlocalMapView->show();
        showPosition(display.latitude, display.longitude);
    } else {
        m_outlets.currentlocalMapView->hide();
    }
    showSummary(read);
    applyDisplay(display);
    m_formState.filled();
    compareSelectedPhotos();
    refreshSelectionState();
    Q_EMIT photoShown(read.path);
}

// Said in the panes rather than left blank; the summary names the file it
// is about, so that nothing of the photo shown before passes for this one.
void DisplayController::showUnreadable(const SelectionRead& read) {
    const MainWindowOutlets& o = m_outlets;
    m_outline->removeRows(0, m_outline->rowCount());
    o.propertyOutline->setPlaceholderText(notAPhoto());
    for (QLineEdit* field : o.summaryFields())
        field->clear();
    o.photoNamelab->setText(read.fileName);
    o.photoNamelab->setToolTip(read.path);
    if (read.size > 0)
        o.photoFileSizelab->setText(fileSizeText(quint64(read.size)));
    o.photoDPIlab->setText(notAPhoto());
    refreshSelectionState();
    Q_EMIT photoShown(read.path);
}

void DisplayController::showSummary(const SelectionRead& read) {
    const MainWindowOutlets& o = m_outlets;
    if (!read.fileName.isEmpty()) {
        o.photoNamelab->setText(read.fileName);
        o.photoNamelab->setToolTip(read.path);
    }
    // One format for every date of the summary: the file's creation in local
    // time, as the photo's own dates are.
    if (read.created)
        o.photoCreateDatelab->setText(
            PrintConversion::readableDateTime(read.created->toLocalTime()));
    if (read.size > 0)
        o.photoFileSizelab->setText(fileSizeText(quint64(read.size)));
}

void DisplayController::showPosition(double latitude, double longitude) {
    // Pins of earlier photos stay.
    showOnMap(m_outlets.currentlocalMapView, latitude, longitude, PinPolicy::Add);
}

void DisplayController::applyDisplay(const PhotoDisplay& display) {
    const MainWindowOutlets& o = m_outlets;
    if (display.photoImageSizelab)
        o.photoImageSizelab->setText(*display.photoImageSizelab);
    const QVariantMap& dictionary = m_current.currentExifDictionary;
    const EditFormFields shown = shownFields(dictionary);
    const QList<FormField>& rows = formFields();
    const QList<QWidget*> fields = o.formFields();
    for (qsizetype i = 0; i < rows.size() && i < fields.size(); ++i)
        FormFieldText::setText(fields[i], (shown.*rows[i].edit).value_or(QString()));
    // The summary names the camera by make and model (the lens is in the
    // tree), and shows the digitized date as every date is shown.
    o.photoDPIlab->setText(cameraName(dictionary));
    const auto date = photoDate(dictionary);
    o.photoModDatelab->setText(date ? PrintConversion::readable(PropertyKeys::ExifSet,
                                                                PropertyKeys::DateTimeDigitized,
                                                                *date)
                                    : QString());
    for (QLineEdit* field : o.summaryFields()) {
        field->setCursorPosition(0);
        if (field != o.photoNamelab)
            field->setToolTip(field->text());
    }
}

// Several photos selected: the form shows what they share, and each field
// whose photos differ stands mixed. The photos are read off the GUI thread;
// a newer selection stops the reading.
void DisplayController::compareSelectedPhotos() {
    const QItemSelectionModel* selection = m_outlets.localImageBrowserView->selectionModel();
    const QModelIndexList selected = selection->selectedIndexes();
    if (selected.size() < 2 || !m_selection.blocalMode())
        return;
    QStringList paths;
    for (const QModelIndex& index : selected)
        paths << m_localPhotos.itemAt(listRowOf(index)).filePath;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_comparisonStop = stop;
    const quint64 generation = m_readGeneration;
    MetadataService* metadata = &m_metadata;
    const int threads = std::max(1, std::min(4, QThread::idealThreadCount()));
    runInBackground(
        this,
        [metadata, paths, stop, threads, storage = m_storage.storagelocation] {
            // A photo that cannot be read is not written either: it has no say.
            return readInParallel<std::optional<EditFormFields>>(
                size_t(paths.size()), threads, *stop,
                [&](size_t i) -> std::optional<EditFormFields> {
                    const QString& path = paths[qsizetype(i)];
                    const QString working = workingCopyOf(path, storage);
                    const auto read = metadata->readProperties(working.isEmpty() ? path : working);
                    if (!read)
                        return std::nullopt;
                    return shownFields(read->dictionary);
                });
        },
        [this, stop, generation](const std::vector<std::optional<EditFormFields>>& read) {
            if (stop->load() || generation != m_readGeneration)
                return;
            QList<EditFormFields> displays;
            for (const auto& display : read) {
                if (display)
                    displays << *display;
            }
            m_formState.filledFromSeveral(displays);
            Q_EMIT formCompared();
        });
}

void DisplayController::appendNodes(QStandardItem* parent, const QVariantMap& values,
                                    const QString& set, const QString& path) {
    for (const PropertyNode& node : propTree(values)) {
        const QString rawPath = path + QLatin1Char('/') + node.rawKey;
        auto* key = new QStandardItem(node.key);
        key->setData(rawPath, RawPathRole);
        key->setToolTip(node.rawKey);
        auto* value = new QStandardItem;
        if (!node.hasChildren) {
            const QString stored = PrintConversion::stored(node.val);
            const QString readable = PrintConversion::readable(set, node.rawKey, node.val, values);
            // One line in the cell; the whole value, and the other form, in the tooltip.
            const QString shown = m_storedValues ? stored : readable;
            value->setText(QString(shown).replace(QLatin1Char('\n'), QLatin1Char(' ')));
            value->setData(shown, PropertyOutlineView::ValueTextRole);
            value->setData(stored, PropertyOutlineView::StoredValueRole);
            value->setToolTip(readable == stored ? stored
                              : m_storedValues   ? tr("Reads: %1").arg(readable)
                                                 : tr("Stored: %1").arg(stored));
            // A value the photo itself lacks, read from its sidecar, says so.
            if (m_sidecarKeys.contains(set + QLatin1Char('.') + node.rawKey)) {
                QFont italic = value->font();
                italic.setItalic(true);
                value->setFont(italic);
                key->setFont(italic);
                value->setToolTip(tr("From the sidecar %1\n%2")
                                      .arg(QFileInfo(m_sidecarPath).fileName(), value->toolTip()));
            }
        }
        key->setEditable(false);
        value->setEditable(false);
        if (node.hasChildren)
            appendNodes(key, values.value(node.rawKey).toMap(), node.rawKey, rawPath);
        parent->appendRow({key, value});
    }
}

// The tree keeps its shape from photo to photo: sets open unless the user
// closed them, the same scroll position and the same row selected.
void DisplayController::showOutline(const QVariantMap& dictionary) {
    PropertyOutlineView* view = m_outlets.propertyOutline;
    const int scrolled = view->verticalScrollBar()->value();
    const QString current = view->currentIndex().siblingAtColumn(0).data(RawPathRole).toString();
    m_outline->removeRows(0, m_outline->rowCount());
    appendNodes(m_outline->invisibleRootItem(), dictionary, QString(), QString());
    for (int row = 0; row < m_outline->rowCount(); ++row) {
        const QModelIndex index = m_outline->index(row, 0);
        if (m_outline->hasChildren(index) &&
            !m_collapsedSets.contains(index.data(RawPathRole).toString()))
            view->expand(index);
        if (index.data(RawPathRole).toString() == current)
            view->setCurrentIndex(index);
        for (int child = 0; child < m_outline->rowCount(index); ++child) {
            const QModelIndex inner = m_outline->index(child, 0, index);
            if (!current.isEmpty() && inner.data(RawPathRole).toString() == current)
                view->setCurrentIndex(inner);
        }
    }
    view->applyFilter();
    view->verticalScrollBar()->setValue(scrolled);
    // The names whole where the pane has room, the values the rest.
    view->resizeColumnToContents(0);
    const int width = view->viewport()->width();
    view->setColumnWidth(0, std::clamp(view->columnWidth(0), width * 3 / 10, width * 6 / 10));
}
