#include "app/ZoneController.h"

#include "app/Alerts.h"
#include "app/ChangeConfirmation.h"
#include "app/CommandRunner.h"
#include "app/PlacesSource.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "app/ZoneWindow.h"
#include "editing/PhotoClock.h"
#include "editing/ZoneOperation.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSettings>

namespace {

const QString GeometryKey = QStringLiteral("zoneWindowGeometry");

} // namespace

ZoneController::ZoneController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                               Alerts& alerts, MetadataService& metadata,
                               const StorageLocation& storage, QSettings& settings,
                               PlacesSource& places, QObject* parent)
    : QObject(parent), m_selection(selection), m_runner(runner), m_alerts(alerts),
      m_metadata(metadata), m_storage(storage), m_settings(settings), m_places(places) {
    m_window = new ChangeZoneWindow(window);
    m_confirmation = new ChangeConfirmation(settings, this);
    m_window->restoreGeometry(m_settings.value(GeometryKey).toByteArray());
    connect(m_window, &QDialog::finished, this,
            [this] { m_settings.setValue(GeometryKey, m_window->saveGeometry()); });
}

void ZoneController::SetTimeZoneAction() {
    if (m_selection.selectionCount(SourceMode::Computer) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void ZoneController::ClickZoneSaveAction() {
    ChangeZoneWindow* w = m_window;
    ZoneSettings settings;
    if (w->fromPositionButton->isChecked()) {
        const auto gazetteer = m_places.gazetteer();
        if (!gazetteer) {
            m_alerts.showSheet(tr("The places could not be read"), gazetteer.error(), w);
            return;
        }
        settings.gazetteer = gazetteer.value();
    } else {
        const auto zone = readZone(w->zoneBox->currentText());
        if (!zone) {
            m_alerts.showSheet(tr("Not a time zone"), zone.error(), w);
            return;
        }
        settings.zone = zone.value();
    }
    if (w->keepInstantButton->isChecked()) {
        settings.clock = ZoneClock::KeepInstant;
        if (const QString from = w->fromZoneText(); !from.isEmpty()) {
            const auto zone = readZone(from);
            if (!zone) {
                m_alerts.showSheet(tr("Not a time zone"), zone.error(), w);
                return;
            }
            settings.fromZone = zone.value();
        }
    }
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(SourceMode::Computer);
    if (photos.empty()) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const QString storage = m_storage.storagelocation;
    MetadataService* metadata = &m_metadata;
    m_confirmation->confirmThenRun(
        w, photos.size(), [=] { return previewZone(settings, photos, storage, *metadata); },
        [=, this] {
            m_runner.runEditing(
                tr("Setting the time zone…"), photos,
                [=](const BatchOptions& options) {
                    return runZone(settings, photos, storage, *metadata, options);
                },
                {true, false}, [this] { m_window->accept(); });
        });
}

void ZoneController::ClickZoneCancelAction() {
    m_window->reject();
}
