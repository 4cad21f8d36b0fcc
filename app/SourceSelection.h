#pragma once

#include "editing/PhotoSelection.h"

#include <QObject>

#include <vector>

class PhotoListModel;
class QListView;
struct StorageLocation;

// What the editing commands work on: the source chosen (the computer's list
// or the device's) and the photos selected in each, in list order, each with
// the file it is read from (a device photo's downloaded copy).
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
};
