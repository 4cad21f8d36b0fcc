#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class MetadataService;
class PhotoBrowserModel;
class PhotoListModel;
class QSettings;
class QTimer;
class ThumbnailLoader;
struct MainWindowOutlets;
struct StorageLocation;

// The computer photo browser as the user narrows and orders it: the filter
// row above it, the facts its marks, filter and order need (read off the
// GUI thread, in the metadata workers, a batch at a time), and Delete, which
// takes photos out of the list and never off the disk.
class BrowserController : public QObject {
    Q_OBJECT
public:
    BrowserController(const MainWindowOutlets& outlets, PhotoListModel& localPhotos,
                      MetadataService& metadata, const ThumbnailLoader& thumbnails,
                      const StorageLocation& storage, QSettings& settings,
                      QObject* parent = nullptr);
    ~BrowserController() override;

    // The model the browser shows, over the list.
    PhotoBrowserModel* browserModel() const { return m_model; }
    // Shows the list through the model and follows the filter row.
    void startFollowing();
    // Reads the facts of the selected photos again (after a command wrote them).
    void readSelectedFactsAgain();
    // The selected photos out of the list.
    void removeSelectedFromList();

Q_SIGNALS:
    // Facts of listed photos have come in (the marks, the filter, the order).
    void factsRead();
    // The list lost its last photo to Delete.
    void listEmptied();
    // The browser shows other photos of the list than before.
    void shownChanged();

private:
    void applyFilter();
    void queueFacts(const QStringList& paths);
    void readNextBatch();

    const MainWindowOutlets& m_outlets;
    PhotoListModel& m_localPhotos;
    MetadataService& m_metadata;
    const ThumbnailLoader& m_thumbnails;
    const StorageLocation& m_storage;
    QSettings& m_settings;
    PhotoBrowserModel* m_model;
    QTimer* m_refilter;
    QStringList m_unread; // the paths whose facts are still to be read
    bool m_reading = false;
    // Told to stop when the list is emptied while a batch is read.
    std::shared_ptr<std::atomic<bool>> m_stop;
};
