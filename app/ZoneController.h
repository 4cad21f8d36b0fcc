#pragma once

#include <QObject>

class Alerts;
class ChangeConfirmation;
class ChangeZoneWindow;
class CommandRunner;
class MetadataService;
class PlacesSource;
class QSettings;
class QWidget;
class SourceSelection;
struct StorageLocation;

// The zone the selected photos were taken in, from their positions or as
// the user names it, written as the zone offsets of their dates.
class ZoneController : public QObject {
    Q_OBJECT
public:
    ZoneController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                   Alerts& alerts, MetadataService& metadata, const StorageLocation& storage,
                   QSettings& settings, PlacesSource& places, QObject* parent = nullptr);

    ChangeZoneWindow* zoneWindow() const { return m_window; }
    ChangeConfirmation* confirmation() const { return m_confirmation; }

public Q_SLOTS:
    void SetTimeZoneAction();
    void ClickZoneSaveAction();
    void ClickZoneCancelAction();

private:
    SourceSelection& m_selection;
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
    QSettings& m_settings;
    PlacesSource& m_places;
    ChangeZoneWindow* m_window = nullptr;
    ChangeConfirmation* m_confirmation = nullptr;
};
