#include "app/SourceSelection.h"

#include "app/StorageLocation.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QSet>

SourceSelection::SourceSelection(QListView* localBrowser, QListView* deviceBrowser,
                                 const PhotoListModel& localPhotos,
                                 const PhotoListModel& devicePhotos, const StorageLocation& storage,
                                 QObject* parent)
    : QObject(parent), m_localBrowser(localBrowser), m_deviceBrowser(deviceBrowser),
      m_localPhotos(localPhotos), m_devicePhotos(devicePhotos), m_storage(storage) {}

void SourceSelection::setLocalMode(bool local) {
    const bool changed = m_localMode != local;
    m_localMode = local;
    if (changed)
        Q_EMIT modeChanged();
}

QListView* SourceSelection::browserOf(SourceMode mode) const {
    return mode == SourceMode::Computer ? m_localBrowser : m_deviceBrowser;
}

int SourceSelection::selectionCount(SourceMode mode) const {
    const QItemSelectionModel* selection = browserOf(mode)->selectionModel();
    return selection ? int(selection->selectedIndexes().size()) : 0;
}

std::vector<SelectedPhoto> SourceSelection::selectedPhotos(SourceMode mode) const {
    const QItemSelectionModel* selection = browserOf(mode)->selectionModel();
    if (!selection)
        return {};
    QSet<int> rows;
    for (const QModelIndex& index : selection->selectedIndexes())
        rows.insert(listRowOf(index));
    QList<ListedPhoto> listed;
    const PhotoListModel& list = mode == SourceMode::Computer ? m_localPhotos : m_devicePhotos;
    for (const IKImageItem& item : list.items())
        listed.append({item.filePath, item.fileName});
    return selectPhotos(mode, listed, rows, m_storage.storagelocation);
}

void SourceSelection::choosePhoto(const QString& path) {
    m_current.currentChooseFilePath = path;
    m_current.currentExifDictionary.clear();
}

void SourceSelection::chooseFile(const QString& path) {
    m_current.currentChooseFilePath = path;
}

void SourceSelection::photoRead(const QString& fileName, const QVariantMap& dictionary,
                                std::optional<QPointF> position) {
    m_current.currentFileName = fileName;
    m_current.bMapPreview = position.has_value();
    if (position)
        m_current.currentCoords = *position;
    m_current.currentExifDictionary = dictionary;
}

void SourceSelection::photoUnreadable(const QString& fileName) {
    m_current.currentFileName = fileName;
    m_current.currentExifDictionary.clear();
}

void SourceSelection::nameDevicePhoto(const QString& fileName) {
    m_current.currentFileName = fileName;
}

void SourceSelection::moveToPosition(const QPointF& coords) {
    m_current.currentCoords = coords;
    m_current.bMapPreview = true;
}
