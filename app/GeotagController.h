#pragma once

#include "editing/GeotagOperation.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

class Alerts;
class ChangeConfirmation;
class CommandRunner;
class GeotagModel;
class GeotagWindow;
class MetadataService;
class PlacesSource;
class QSettings;
class QTimer;
class QWidget;
class SourceSelection;
struct StorageLocation;

// Geotagging the selected photos from GPS track logs: the window lists what
// the track makes of each photo and follows every change of the track logs,
// the clock offset, the zone and the limits at once; Apply writes through the
// change preview and the progress dialog of the other commands.
class GeotagController : public QObject {
    Q_OBJECT
public:
    // Makes the geotag window over the main window.
    GeotagController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                     Alerts& alerts, MetadataService& metadata, const StorageLocation& storage,
                     QSettings& settings, PlacesSource& places, QObject* parent = nullptr);
    ~GeotagController() override;

    GeotagWindow* geotagWindow() const { return m_window; }
    GeotagModel* model() const { return m_model; }
    ChangeConfirmation* confirmation() const { return m_confirmation; }
    const GpsTrack& track() const { return *m_track; }

    // The track logs as if chosen in the open panel; read off the GUI thread.
    void addTrackFiles(const QStringList& paths);
    // The GPS time shown on the photo of a row: a sync point of the clock.
    Status addSyncPoint(int row, const QString& gpsTime);

    struct Reading;

public Q_SLOTS:
    void GeotagFromTrackAction();
    void AddTrackAction();
    void RemoveTrackAction();
    void SynchroniseAction();
    void ClearSyncAction();
    void ApplyGeotagAction();
    void CloseGeotagAction();

Q_SIGNALS:
    void photosRead();
    // The track logs are read; a refused one has been named in an alert.
    void tracksLoaded();
    // The list and the map show what the current settings make of the photos.
    void matched();

private:
    // The settings as the window holds them; the reason when a field is wrong.
    Result<GeotagSettings> settings() const;
    // The same with what Apply alone needs: the places, where asked for.
    Result<GeotagSettings> settingsToWrite() const;
    void rematch();
    void showTrack();
    void takeTrackLogs(const std::vector<TrackLog>& logs, const QStringList& failures);
    void saveGeometry();
    void stopReading();

    QWidget* m_mainWindow;
    SourceSelection& m_selection;
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
    QSettings& m_settings;
    PlacesSource& m_places;
    GeotagWindow* m_window = nullptr;
    GeotagModel* m_model = nullptr;
    ChangeConfirmation* m_confirmation = nullptr;
    std::vector<TrackLog> m_logs;
    std::shared_ptr<const GpsTrack> m_track;
    std::vector<SyncPoint> m_syncs;
    SourceMode m_mode = SourceMode::Computer; // of the photos the window was opened over
    // The latest reading of the photos; the answers of older ones are dropped.
    std::shared_ptr<Reading> m_reading;
    QTimer* m_readingPoll = nullptr;
};
