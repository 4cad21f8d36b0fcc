#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class Alerts;
class ChangeConfirmation;
class ChangeGPSWindow;
class CommandRunner;
class MapWindow;
class MetadataService;
class QSettings;
class QWidget;
class SourceSelection;
struct CurrentPhoto;
struct GpsValues;
struct StorageLocation;

// The photos' GPS positions: the GPS window that sets one position in every
// selected photo, the map window of the current photo, and the built-in
// position written into the current photo.
class GpsController : public QObject {
    Q_OBJECT
public:
    // Makes the GPS window and the map window on the main window.
    GpsController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                  Alerts& alerts, MetadataService& metadata, const StorageLocation& storage,
                  QSettings& settings, QObject* parent = nullptr);

    ChangeGPSWindow* changeGPSWindow() const { return m_gpsWindow; }
    MapWindow* mapWindow() const { return m_mapWindow; }
    ChangeConfirmation* confirmation() const { return m_confirmation; }

public Q_SLOTS:
    void EditeGPSExifDataPhoto();
    void AddGPSExifDataPhoto();
    void PreviewCurrentGPSInMap();
    void ClickSaveChangeGPSAction();
    void ClickCancleSaveGPSAction();
    void ShowMapAction();
    void ChangeGPSExifDataPhoto();

Q_SIGNALS:
    // A device photo's position is edited in its downloaded copy, which is not
    // there yet: the selected device photos are to be fetched.
    void deviceCopiesNeeded();
    // The GPS window is up with its fields filled.
    void gpsWindowShown();

private:
    enum class Opening { Change, Add };
    void openGpsWindow(Opening opening);
    void showGpsWindow(Opening opening, bool readable, const QVariantMap& dictionary);
    void fillFromGpsSet(const QVariantMap& gps);
    void showGpsWindowAt(double latitude, double longitude);
    void showValueError(const QString& informative);
    void save(const GpsValues& values);

    QWidget* m_window;
    SourceSelection& m_selection;
    const CurrentPhoto& m_current; // the selection's
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
    ChangeGPSWindow* m_gpsWindow = nullptr;
    MapWindow* m_mapWindow = nullptr;
    ChangeConfirmation* m_confirmation = nullptr;
};
