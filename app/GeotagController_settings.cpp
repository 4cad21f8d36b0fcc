#include "app/GeotagController.h"

#include "app/Alerts.h"
#include "app/GeotagModel.h"
#include "app/GeotagWindow.h"
#include "app/MapWidget.h"
#include "app/PlacesSource.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

// The settings of the window, and the clock set from photos of the GPS
// device's screen.

Result<GeotagSettings> GeotagController::settings() const {
    using R = Result<GeotagSettings>;
    GeotagSettings current;
    if (!m_syncs.empty()) {
        current.clock = ClockCorrection::synced(m_syncs);
    } else if (!m_window->offsetField->text().trimmed().isEmpty()) {
        const auto offset = readClockOffset(m_window->offsetField->text());
        if (!offset)
            return R::fail(offset.error());
        current.clock = ClockCorrection::fixed(offset.value());
    }
    if (const QString zone = m_window->zoneText(); !zone.isEmpty()) {
        const auto read = readZone(zone);
        if (!read)
            return R::fail(read.error());
        current.zone = read.value();
    }
    current.limits.maxGap = qint64(m_window->maxGapBox->value()) * 1000;
    current.limits.maxExtrapolation = qint64(m_window->maxExtrapolationBox->value()) * 1000;
    current.overwrite = m_window->overwriteBox->isChecked();
    return R::ok(current);
}

Result<GeotagSettings> GeotagController::settingsToWrite() const {
    using R = Result<GeotagSettings>;
    auto current = settings();
    if (!current || !m_window->placesBox->isChecked())
        return current;
    const auto gazetteer = m_places.gazetteer();
    if (!gazetteer)
        return R::fail(gazetteer.error());
    current.value().places = gazetteer.value();
    current.value().placesSettings.language = QLocale().name();
    return current;
}

void GeotagController::rematch() {
    const auto current = settings();
    if (!current) {
        m_window->summaryLabel->setText(current.error());
        m_window->applyButton->setEnabled(false);
        return;
    }
    m_model->match(*m_track, current.value());
    m_window->trackMapView->setPins(m_model->placedPositions());
    QString summary;
    if (!m_model->photosRead()) {
        summary = tr("Reading the photos' times…");
    } else if (m_track->isEmpty()) {
        summary = tr("Add a track log (GPX, KML, NMEA, IGC, TCX or CSV) to place the photos.");
    } else {
        summary = tr("%1 of %n photos would be placed.", nullptr, m_model->rowCount())
                      .arg(m_model->placedCount());
        const ZoneSource source = current->zone ? ZoneSource::Given : ZoneSource::System;
        if (const int count = m_model->countFrom(source); count > 0)
            summary +=
                QLatin1Char(' ') +
                (current->zone
                     ? tr("%n photos without a zone of their own read in %1.", nullptr, count)
                           .arg(m_window->zoneText())
                     : tr("%n photos without a zone of their own read in the system "
                          "zone, %1.",
                          nullptr, count)
                           .arg(QString::fromUtf8(QTimeZone::systemTimeZoneId())));
    }
    m_window->summaryLabel->setText(summary);
    m_window->applyButton->setEnabled(m_model->placedCount() > 0);
    Q_EMIT matched();
}

void GeotagController::SynchroniseAction() {
    const int row = m_window->photoTable->currentIndex().row();
    if (row < 0 || !m_model->instantAt(row)) {
        m_alerts.showSheet(tr("No photo chosen"),
                           tr("Select the photo of the GPS device's screen in the list first."),
                           m_window);
        return;
    }
    auto* dialog = new QInputDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Synchronise"));
    dialog->setLabelText(tr("The time the GPS device shows on %1 (HH:MM:SS or YYYY:MM:DD "
                            "HH:MM:SS):")
                             .arg(m_model->photoAt(row).selected.fileName));
    connect(dialog, &QInputDialog::textValueSelected, this, [this, row](const QString& text) {
        const Status added = addSyncPoint(row, text);
        if (!added)
            m_alerts.showSheet(tr("Vaule Error"), added.error(), m_window);
    });
    dialog->open();
}

Status GeotagController::addSyncPoint(int row, const QString& gpsTime) {
    if (row < 0 || row >= m_model->rowCount())
        return Status::fail(tr("no such photo"));
    const auto& instant = m_model->instantAt(row);
    if (!instant)
        return Status::fail(instant.error());
    // A time shown without a zone is in the zone the photo's time was read in.
    const auto point = syncPointAt(instant->msecs, gpsTime, QTimeZone(instant->offsetSeconds));
    if (!point)
        return Status::fail(point.error());
    std::erase_if(m_syncs,
                  [&](const SyncPoint& old) { return old.photoMsecs == point->photoMsecs; });
    m_syncs.push_back(point.value());
    const ClockCorrection clock = ClockCorrection::synced(m_syncs);
    m_window->syncLabel->setText(
        m_syncs.size() == 1
            ? tr("Set from one photo: GPS time is the camera's %1.").arg(clock.describe())
            : tr("A drifting clock, set from %n photos.", nullptr, int(m_syncs.size())));
    m_window->syncLabel->show();
    m_window->offsetField->setEnabled(false);
    m_window->clearSyncButton->setEnabled(true);
    rematch();
    return Status::ok();
}

void GeotagController::ClearSyncAction() {
    m_syncs.clear();
    m_window->syncLabel->clear();
    m_window->syncLabel->hide();
    m_window->offsetField->setEnabled(true);
    m_window->clearSyncButton->setEnabled(false);
    rematch();
}
