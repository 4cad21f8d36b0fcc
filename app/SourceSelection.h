#pragma once

#include "app/CurrentPhoto.h"
#include "editing/PhotoSelection.h"

#include <QObject>

#include <optional>
#include <vector>

class PhotoListModel;
class QListView;
struct StorageLocation;

// What the editing commands work on: the source chosen (the computer's list
// or the device's), the photos selected in each, in list order, each with
// the file it is read from (a device photo's downloaded copy), and the photo
// the window shows. Many read the current photo; it changes only here, as
// photos are chosen and read.
class SourceSelection : public QObject {
    Q_OBJECT
public:
    SourceSelection(QListView* localBrowser, QListView* deviceBrowser,
                    const PhotoListModel& localPhotos, const PhotoListModel& devicePhotos,
                    const StorageLocation& storage, QObject* parent = nullptr);

    // The editing commands work on the computer's list (true) or the device's.
    bool blocalMode() const { return m_localMode; }
    SourceMode mode() const { return m_localMode ? SourceMode::Computer : SourceMode::Device; }
    void setLocalMode(bool local);

    int selectionCount(SourceMode mode) const;
    std::vector<SelectedPhoto> selectedPhotos(SourceMode mode) const;

    const CurrentPhoto& current() const { return m_current; }
    // A computer photo chosen: current at once, without a dictionary until
    // its read comes back, so that nothing pairs it with the last photo's.
    void choosePhoto(const QString& path);
    // A file chosen in a window's own panel; what was read stays.
    void chooseFile(const QString& path);
    // The chosen photo as read: its name, dictionary and position (none
    // leaves the position shown before but no map to show it on).
    void photoRead(const QString& fileName, const QVariantMap& dictionary,
                   std::optional<QPointF> position);
    // The chosen file is no photo: it keeps its name and has no dictionary.
    void photoUnreadable(const QString& fileName);
    // The device photo now current, or its copy downloaded for viewing.
    void nameDevicePhoto(const QString& fileName);
    // A position typed into the edit form, which the maps then show.
    void moveToPosition(const QPointF& coords);

Q_SIGNALS:
    // The editing commands' source has changed.
    void modeChanged();

private:
    QListView* browserOf(SourceMode mode) const;

    QListView* m_localBrowser;
    QListView* m_deviceBrowser;
    const PhotoListModel& m_localPhotos;
    const PhotoListModel& m_devicePhotos;
    const StorageLocation& m_storage;
    bool m_localMode = true;
    CurrentPhoto m_current;
};
