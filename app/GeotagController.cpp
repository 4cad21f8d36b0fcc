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
#include <QTimer>

#include <atomic>
#include <thread>

// How far a reading of the photos has come, and whether it is still wanted.
struct GeotagController::Reading {
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
};

namespace {

const QString GeometryKey = QStringLiteral("geotagWindowGeometry");

// The photos' clocks, read on several threads as the workers allow.
std::vector<GeotagModel::Photo> readClocks(MetadataService& metadata,
                                           const std::vector<SelectedPhoto>& photos,
                                           GeotagController::Reading& reading) {
    std::vector<GeotagModel::Photo> read(photos.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < photos.size() && !reading.cancel; i = next++, ++reading.done) {
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
    connect(w, &QDialog::finished, this, [this] {
        stopReading();
        saveGeometry();
    });
    // Reading a thousand photos takes a moment: the count shows it going.
    m_readingPoll = new QTimer(this);
    m_readingPoll->setInterval(100);
    connect(m_readingPoll, &QTimer::timeout, this, [this] {
        if (m_reading && !m_model->photosRead())
            m_window->summaryLabel->setText(tr("Reading the photos' times… %1 of %2")
                                                .arg(m_reading->done.load())
                                                .arg(m_model->rowCount()));
    });
    // Every setting shows its effect at once.
    connect(w->offsetField, &QLineEdit::textChanged, this, &GeotagController::rematch);
    connect(w->zoneBox, &QComboBox::currentTextChanged, this, &GeotagController::rematch);
    connect(w->maxGapBox, &QSpinBox::valueChanged, this, &GeotagController::rematch);
    connect(w->maxExtrapolationBox, &QSpinBox::valueChanged, this, &GeotagController::rematch);
    connect(w->overwriteBox, &QCheckBox::toggled, this, &GeotagController::rematch);
    ClearSyncAction();
}

GeotagController::~GeotagController() {
    stopReading();
}

void GeotagController::stopReading() {
    if (m_reading)
        m_reading->cancel = true;
    m_readingPoll->stop();
}

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
    stopReading();
    auto reading = std::make_shared<Reading>();
    m_reading = reading;
    m_readingPoll->start();
    QPointer<GeotagController> self(this);
    MetadataService* metadata = &m_ctx.metadata;
    QThreadPool::globalInstance()->start([self, metadata, photos, reading] {
        auto read = readClocks(*metadata, photos, *reading);
        QMetaObject::invokeMethod(
            self.data(),
            [self, reading, read = std::move(read)]() mutable {
                if (!self || reading != self->m_reading || reading->cancel)
                    return;
                self->m_readingPoll->stop();
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
