#include "app/GeotagController.h"

#include "app/ChangeConfirmation.h"
#include "app/ControllerContext.h"
#include "app/GeotagModel.h"
#include "app/GeotagWindow.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "metadata/MetadataService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <thread>

namespace {

const QString GeometryKey = QStringLiteral("geotagWindowGeometry");

// The photos' clocks, read on several threads as the workers allow.
std::vector<GeotagModel::Photo> readClocks(MetadataService& metadata,
                                           const std::vector<SelectedPhoto>& photos) {
    std::vector<GeotagModel::Photo> read(photos.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < photos.size(); i = next++) {
            read[i].selected = photos[i];
            if (photos[i].inputPath.isEmpty()) {
                read[i].readError = QObject::tr("no downloaded copy");
                continue;
            }
            const auto properties = metadata.readProperties(photos[i].inputPath);
            if (properties)
                read[i].clock = PhotoClock::of(properties->dictionary);
            else
                read[i].readError = properties.error();
        }
    };
    std::vector<std::thread> threads;
    const int count =
        std::min<int>(std::max(2, QThread::idealThreadCount() * 2), int(photos.size()));
    for (int t = 1; t < count; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    return read;
}

} // namespace

GeotagController::GeotagController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context), m_track(std::make_shared<const GpsTrack>()) {
    m_window = new GeotagWindow(m_ctx.outlets.window);
    m_window->setWindowFlag(Qt::Window);
    m_model = new GeotagModel(this);
    m_window->photoTable->setModel(m_model);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::PhotoColumn, 160);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::CameraTimeColumn, 210);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::GpsTimeColumn, 190);
    m_confirmation = new ChangeConfirmation(m_ctx.settings, this);

    GeotagWindow* w = m_window;
    connect(w->addTrackButton, &QPushButton::clicked, this, &GeotagController::AddTrackAction);
    connect(w->removeTrackButton, &QPushButton::clicked, this,
            &GeotagController::RemoveTrackAction);
    connect(w->syncButton, &QPushButton::clicked, this, &GeotagController::SynchroniseAction);
    connect(w->clearSyncButton, &QPushButton::clicked, this, &GeotagController::ClearSyncAction);
    connect(w->applyButton, &QPushButton::clicked, this, &GeotagController::ApplyGeotagAction);
    connect(w->closeButton, &QPushButton::clicked, this, &GeotagController::CloseGeotagAction);
    connect(w, &QDialog::finished, this, &GeotagController::saveGeometry);
    // Every setting shows its effect at once.
    connect(w->offsetField, &QLineEdit::textChanged, this, &GeotagController::rematch);
    connect(w->zoneBox, &QComboBox::currentTextChanged, this, &GeotagController::rematch);
    connect(w->maxGapBox, &QSpinBox::valueChanged, this, &GeotagController::rematch);
    connect(w->maxExtrapolationBox, &QSpinBox::valueChanged, this, &GeotagController::rematch);
    connect(w->overwriteBox, &QCheckBox::toggled, this, &GeotagController::rematch);
    ClearSyncAction();
}

GeotagController::~GeotagController() = default;

void GeotagController::GeotagFromTrackAction() {
    const SourceMode mode = m_ctx.mode();
    if (m_ctx.selectionCount(mode) == 0) {
        m_ctx.showEmptySelectionAlert();
        return;
    }
    m_mode = mode;
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(mode);
    m_model->setSelection(photos);
    rematch();
    if (!m_window->isVisible()) {
        if (m_ctx.settings && m_ctx.settings->contains(GeometryKey)) {
            m_window->restoreGeometry(m_ctx.settings->value(GeometryKey).toByteArray());
        } else if (const QScreen* screen = m_ctx.outlets.window->screen()) {
            // Large enough for the list and the map, within a small screen.
            const QSize room = screen->availableGeometry().size();
            m_window->resize(std::min(1000, room.width() * 9 / 10),
                             std::min(720, room.height() * 8 / 10));
        }
        m_window->show();
    }
    m_window->raise();
    m_window->activateWindow();
    const int reading = ++m_reading;
    QPointer<GeotagController> self(this);
    MetadataService* metadata = &m_ctx.metadata;
    QThreadPool::globalInstance()->start([self, metadata, photos, reading] {
        auto read = readClocks(*metadata, photos);
        QMetaObject::invokeMethod(
            self.data(),
            [self, reading, read = std::move(read)]() mutable {
                if (!self || reading != self->m_reading)
                    return;
                self->m_model->setPhotos(std::move(read));
                self->rematch();
                Q_EMIT self->photosRead();
            },
            Qt::QueuedConnection);
    });
}

void GeotagController::AddTrackAction() {
    auto* dialog = new QFileDialog(m_window, tr("Add Track Logs"), QString(),
                                   tr("Track logs (*.gpx *.kml *.nmea *.nma *.log *.txt);;"
                                      "All files (*)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    connect(dialog, &QFileDialog::filesSelected, this, &GeotagController::addTrackFiles);
    dialog->open();
}

void GeotagController::addTrackFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    m_window->summaryLabel->setText(tr("Reading %n track log(s)…", nullptr, int(paths.size())));
    QPointer<GeotagController> self(this);
    QThreadPool::globalInstance()->start([self, paths] {
        std::vector<TrackLog> logs;
        QStringList failures;
        for (const QString& path : paths) {
            auto log = readTrackLog(path);
            if (log)
                logs.push_back(std::move(log).value());
            else
                failures << log.error();
        }
        QMetaObject::invokeMethod(
            self.data(),
            [self, logs = std::move(logs), failures] {
                if (self)
                    self->takeTrackLogs(logs, failures);
            },
            Qt::QueuedConnection);
    });
}

void GeotagController::takeTrackLogs(const std::vector<TrackLog>& logs,
                                     const QStringList& failures) {
    for (const TrackLog& log : logs) {
        // A log added again replaces its earlier reading.
        std::erase_if(m_logs, [&](const TrackLog& old) { return old.path == log.path; });
        m_logs.push_back(log);
    }
    m_window->trackList->clear();
    for (const TrackLog& log : m_logs) {
        auto* item = new QListWidgetItem(tr("%1 (%2, %n point(s))", nullptr, int(log.pointCount()))
                                             .arg(QFileInfo(log.path).fileName(), log.format));
        item->setToolTip(log.notes.isEmpty()
                             ? log.path
                             : log.path + QLatin1Char('\n') + log.notes.join(QLatin1Char('\n')));
        m_window->trackList->addItem(item);
    }
    m_track = std::make_shared<const GpsTrack>(m_logs);
    showTrack();
    rematch();
    if (!failures.isEmpty()) {
        QMessageBox* box =
            m_ctx.alert(tr("Track log refused"), failures.join(QLatin1Char('\n')), m_window);
        box->setWindowModality(Qt::WindowModal);
        box->open();
    }
    Q_EMIT tracksLoaded();
}

void GeotagController::RemoveTrackAction() {
    QList<int> rows;
    for (const QListWidgetItem* item : m_window->trackList->selectedItems())
        rows << m_window->trackList->row(item);
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) {
        m_logs.erase(m_logs.begin() + row);
        delete m_window->trackList->takeItem(row);
    }
    m_track = std::make_shared<const GpsTrack>(m_logs);
    showTrack();
    rematch();
}

void GeotagController::showTrack() {
    QList<QList<QPointF>> lines;
    double south = 90, north = -90, west = 180, east = -180;
    for (const TrackSegment& segment : m_track->segments()) {
        QList<QPointF> line;
        line.reserve(qsizetype(segment.size()));
        for (const TrackPoint& point : segment) {
            line.append({point.longitude, point.latitude});
            south = std::min(south, point.latitude);
            north = std::max(north, point.latitude);
            west = std::min(west, point.longitude);
            east = std::max(east, point.longitude);
        }
        lines.append(line);
    }
    m_window->trackMapView->setTrack(lines);
    if (!lines.isEmpty())
        m_window->trackMapView->setRegion((south + north) / 2, (west + east) / 2,
                                          std::max((north - south) * 1.2, MapSpan::latitude / 8),
                                          std::max((east - west) * 1.2, MapSpan::longitude / 8));
}

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
    } else {
        summary = tr("%1 of %n photo(s) would be placed.", nullptr, m_model->rowCount())
                      .arg(m_model->placedCount());
        const ZoneSource source = current->zone ? ZoneSource::Given : ZoneSource::System;
        if (const int count = m_model->countFrom(source); count > 0)
            summary +=
                QLatin1Char(' ') +
                (current->zone
                     ? tr("%n photo(s) without a zone of their own read in %1.", nullptr, count)
                           .arg(m_window->zoneText())
                     : tr("%n photo(s) without a zone of their own read in the system "
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
        QMessageBox* box = m_ctx.alert(
            tr("No photo chosen"),
            tr("Select the photo of the GPS device's screen in the list first."), m_window);
        box->setWindowModality(Qt::WindowModal);
        box->open();
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
        if (!added) {
            QMessageBox* box = m_ctx.alert(tr("Vaule Error"), added.error(), m_window);
            box->setWindowModality(Qt::WindowModal);
            box->open();
        }
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

void GeotagController::ApplyGeotagAction() {
    const auto current = settings();
    const std::vector<SelectedPhoto> photos = m_model->placedPhotos();
    if (!current || photos.empty())
        return;
    const std::shared_ptr<const GpsTrack> track = m_track;
    const GeotagSettings chosen = current.value();
    const QString storage = m_ctx.state.storagelocation;
    const bool reveal = m_mode == SourceMode::Computer;
    MetadataService* metadata = &m_ctx.metadata;
    m_confirmation->confirmThenRun(
        m_window, photos.size(),
        [=] { return previewGeotag(track, chosen, photos, storage, *metadata); },
        [=, this] {
            m_ctx.runEditing(
                tr("Geotagging…"), photos,
                [=](const BatchOptions& options) {
                    return runGeotag(track, chosen, photos, storage, *metadata, options);
                },
                {reveal, true}, [this] { m_window->hide(); });
        });
}

void GeotagController::CloseGeotagAction() {
    m_window->reject();
}

void GeotagController::saveGeometry() {
    if (m_ctx.settings)
        m_ctx.settings->setValue(GeometryKey, m_window->saveGeometry());
}
