#include "app/DisplayController.h"

#include "app/ControllerContext.h"
#include "app/DropTargets.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyTree.h"
#include "metadata/SizeText.h"
#include "sources/PhotoImage.h"
#include "sources/PhotoListModel.h"

#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QStandardItemModel>
#include <QThreadPool>
#include <QTreeView>

// What a selection needs from the disk, read off the GUI thread.
struct DisplayController::SelectionRead {
    quint64 generation = 0;
    bool doubleClick = false;
    QString path;
    QString fileName;
    bool readable = false;
    QVariantMap dictionary;
    QString creationText; // empty when unknown
    qint64 size = 0;
    QImage photo; // double click only
};

void DisplayController::imageBrowserSelectionDidChange() {
    const QModelIndexList selected =
        m_ctx.outlets.localImageBrowserView->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return; // an emptied selection keeps the last display
    int first = selected.first().row();
    for (const QModelIndex& index : selected)
        first = std::min(first, index.row());
    const IKImageItem& item = m_ctx.localPhotos->itemAt(first);
    selectPhotoPath(item.filePath);
    readInBackground(item.filePath, false, item.fileName);
}

void DisplayController::cellWasDoubleClickedAtIndex(int index) {
    if (index < 0 || index >= m_ctx.localPhotos->rowCount())
        return;
    const IKImageItem& item = m_ctx.localPhotos->itemAt(index);
    selectPhotoPath(item.filePath);
    readInBackground(item.filePath, true, item.fileName);
}

// The selected photo is current at once; until its read returns it has no
// dictionary, so nothing can pair its path with the previous photo's values.
void DisplayController::selectPhotoPath(const QString& path) {
    m_ctx.state.currentChooseFilePath = path;
    m_ctx.state.currentExifDictionary.clear();
}

void DisplayController::readInBackground(const QString& path, bool doubleClick,
                                         const QString& fileName) {
    SelectionRead read;
    read.generation = ++m_readGeneration;
    read.doubleClick = doubleClick;
    read.path = path;
    read.fileName = fileName;
    const QSize photoSize = m_ctx.outlets.localPhotoImageView->size();
    QPointer<DisplayController> self(this);
    MetadataService* metadata = &m_ctx.metadata;
    QThreadPool::globalInstance()->start([self, metadata, read, photoSize]() mutable {
        const auto properties = metadata->readProperties(read.path);
        read.readable = properties.isOk();
        if (read.readable)
            read.dictionary = properties->dictionary;
        if (const auto times = readFileTimes(read.path))
            read.creationText = DateText::describeTimePoint(times->created);
        read.size = QFileInfo(read.path).size();
        if (read.doubleClick && read.readable)
            read.photo = loadPhotoImage(*metadata, read.path, photoSize);
        QMetaObject::invokeMethod(
            self.data(),
            [self, read] {
                if (self)
                    self->showSelectionRead(read);
            },
            Qt::QueuedConnection);
    });
}

// Every part of the display comes from one read, the read of the current
// selection: the outline, the summary, the form, the map, the photo's name and
// its dictionary. A read for a photo no longer current is dropped, so a later
// Apply never writes one photo's values into another.
void DisplayController::showSelectionRead(const SelectionRead& read) {
    if (read.generation != m_readGeneration)
        return; // a later selection is on its way
    m_ctx.state.currentFileName = read.fileName;
    if (!read.readable) {
        m_ctx.state.currentExifDictionary.clear();
        m_outline->removeRows(0, m_outline->rowCount());
        m_ctx.outlets.localPhotoImageView->clear();
        Q_EMIT m_ctx.photoShown(read.path);
        return;
    }
    showOutline(read.dictionary);
    const PhotoDisplay display = photoDisplayFor(read.dictionary);
    m_ctx.state.bMapPreview = display.hasPosition;
    if (display.hasPosition)
        m_ctx.state.currentCoords = QPointF(display.latitude, display.longitude);
    m_ctx.state.currentExifDictionary = read.dictionary;

    if (read.doubleClick)
        m_ctx.outlets.localPhotoImageView->setPixmap(QPixmap::fromImage(read.photo));
    if (display.hasPosition) {
        m_ctx.outlets.currentlocalMapView->show();
        showPosition(display.latitude, display.longitude);
    } else {
        m_ctx.outlets.currentlocalMapView->hide();
    }
    if (!read.fileName.isEmpty())
        m_ctx.outlets.photoNamelab->setText(read.fileName);
    if (!read.creationText.isEmpty())
        m_ctx.outlets.photoCreateDatelab->setText(read.creationText);
    if (read.size > 0)
        m_ctx.outlets.photoFileSizelab->setText(fileSizeText(quint64(read.size)));
    applyDisplay(display);
    Q_EMIT m_ctx.photoShown(read.path);
}

void DisplayController::showPosition(double latitude, double longitude) {
    // Pins of earlier photos stay.
    showOnMap(m_ctx.outlets.currentlocalMapView, latitude, longitude, PinPolicy::Add);
}

void DisplayController::applyDisplay(const PhotoDisplay& display) {
    const MainWindowOutlets& o = m_ctx.outlets;
    const std::pair<const std::optional<QString>*, QLineEdit*> fields[] = {
        {&display.photoImageSizelab, o.photoImageSizelab},
        {&display.photoDPIlab, o.photoDPIlab},
        {&display.artistlab, o.artistlab},
        {&display.imageDescrilab, o.imageDescrilab},
        {&display.copyrightlab, o.copyrightlab},
        {&display.cameraMakelab, o.cameraMakelab},
        {&display.cameraModelab, o.cameraModelab},
        {&display.cameraDatelab, o.cameraDatelab},
        {&display.commentslab, o.commentslab},
        {&display.photoModDatelab, o.photoModDatelab},
        {&display.gpsDatelab, o.gpsDatelab},
        {&display.gpsTimelab, o.gpsTimelab},
        {&display.gpsAitlab, o.gpsAitlab},
        {&display.gpsLatilab, o.gpsLatilab},
        {&display.gpsLongtlab, o.gpsLongtlab},
        {&display.keywordslab, o.keywordslab},
    };
    for (const auto& [value, edit] : fields) {
        if (value->has_value()) {
            edit->setText(**value);
            edit->setCursorPosition(0);
        }
    }
}

namespace {
void appendNodes(QStandardItem* parent, const QList<PropertyNode>& nodes) {
    for (const PropertyNode& node : nodes) {
        auto* key = new QStandardItem(node.key);
        auto* value = new QStandardItem(displayText(node.val));
        key->setEditable(false);
        value->setEditable(false);
        key->setForeground(Qt::white);
        value->setForeground(Qt::white);
        if (node.hasChildren)
            appendNodes(key, node.children);
        parent->appendRow({key, value});
    }
}
} // namespace

void DisplayController::showOutline(const QVariantMap& dictionary) {
    m_outline->removeRows(0, m_outline->rowCount());
    appendNodes(m_outline->invisibleRootItem(), propTree(dictionary));
    m_ctx.outlets.propertyOutline->setColumnWidth(0, 220);
}
