#include "app/GeotagController.h"

#include "app/Alerts.h"
#include "app/Background.h"
#include "app/ChangeConfirmation.h"
#include "app/CommandRunner.h"
#include "app/GeotagModel.h"
#include "app/GeotagWindow.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/ParallelReads.h"
#include "app/PlacesSource.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "metadata/MetadataService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <atomic>

// How far a reading of the photos has come, and whether it is still wanted.
struct GeotagController::Reading {
    std::atomic<int> done{0};
    std::atomic<bool> cancel{false};
};

namespace {

const QString GeometryKey = QStringLiteral("geotagWindowGeometry");
const QString PlacesKey = QStringLiteral("geotagFillsPlaces");

// The photos' clocks, read on several threads as the workers allow.
std::vector<GeotagModel::Photo> readClocks(MetadataService& metadata,
                                           const std::vector<SelectedPhoto>& photos,
                                           GeotagController::Reading& reading) {
    const int threads = std::max(2, QThread::idealThreadCount() * 2);
    return readInParallel<GeotagModel::Photo>(
        photos.size(), threads, reading.cancel, [&](size_t i) {
            GeotagModel::Photo read;
            read.selected = photos[i];
            if (photos[i].inputPath.isEmpty()) {
                read.readError = QObject::tr("no downloaded copy");
            } else if (const auto properties = metadata.readProperties(photos[i].inputPath)) {
                read.clock = PhotoClock::of(properties->dictionary);
            } else {
                read.readError = properties.error();
            }
            ++reading.done;
            return read;
        });
}

} // namespace

GeotagController::GeotagController(QWidget* window, SourceSelection& selection,
                                   CommandRunner& runner, Alerts& alerts, MetadataService& metadata,
                                   const StorageLocation& storage, QSettings& settings,
                                   PlacesSource& places, QObject* parent)
    : QObject(parent), m_mainWindow(window), m_selection(selection), m_runner(runner),
      m_alerts(alerts), m_metadata(metadata), m_storage(storage), m_settings(settings),
      m_places(places), m_track(std::make_shared<const GpsTrack>()) {
    m_window = new GeotagWindow(window);
    m_window->setWindowFlag(Qt::Window);
    m_model = new GeotagModel(this);
    m_window->photoTable->setModel(m_model);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::PhotoColumn, 160);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::CameraTimeColumn, 210);
    m_window->photoTable->horizontalHeader()->resizeSection(GeotagModel::GpsTimeColumn, 190);
    m_confirmation = new ChangeConfirmation(settings, this);

    // The window's buttons meet their commands in AppDelegate::wireGeotag.
    GeotagWindow* w = m_window;
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
    w->placesBox->setChecked(m_settings.value(PlacesKey, false).toBool());
    connect(w->placesBox, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.setValue(PlacesKey, on); });
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
    const SourceMode mode = m_selection.mode();
    if (m_selection.selectionCount(mode) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    m_mode = mode;
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(mode);
    m_model->setSelection(photos);
    rematch();
    if (!m_window->isVisible()) {
        if (m_settings.contains(GeometryKey)) {
            m_window->restoreGeometry(m_settings.value(GeometryKey).toByteArray());
        } else if (const QScreen* screen = m_mainWindow->screen()) {
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
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this, [metadata, photos, reading] { return readClocks(*metadata, photos, *reading); },
        [this, reading](std::vector<GeotagModel::Photo> read) {
            if (reading != m_reading || reading->cancel)
                return;
            m_readingPoll->stop();
            m_model->setPhotos(std::move(read));
            rematch();
            Q_EMIT photosRead();
        });
}

void GeotagController::AddTrackAction() {
    auto* dialog =
        new QFileDialog(m_window, tr("Add Track Logs"), QString(),
                        tr("Track logs (*.gpx *.kml *.nmea *.nma *.igc *.tcx *.csv *.log *.txt);;"
                           "All files (*)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    connect(dialog, &QFileDialog::filesSelected, this, &GeotagController::addTrackFiles);
    dialog->open();
}

void GeotagController::addTrackFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    m_window->summaryLabel->setText(tr("Reading %n track logs…", nullptr, int(paths.size())));
    struct Read {
        std::vector<TrackLog> logs;
        QStringList failures;
    };
    runInBackground(
        this,
        [paths] {
            Read read;
            for (const QString& path : paths) {
                auto log = readTrackLog(path);
                if (log)
                    read.logs.push_back(std::move(log).value());
                else
                    read.failures << log.error();
            }
            return read;
        },
        [this](const Read& read) { takeTrackLogs(read.logs, read.failures); });
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
        auto* item = new QListWidgetItem(tr("%1 (%2, %n points)", nullptr, int(log.pointCount()))
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
        m_alerts.showSheet(tr("Track log refused"), failures.join(QLatin1Char('\n')), m_window);
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
    const auto current = settingsToWrite();
    const std::vector<SelectedPhoto> photos = m_model->placedPhotos();
    if (!current) {
        m_alerts.showSheet(tr("The places could not be read"), current.error(), m_window);
        return;
    }
    if (photos.empty())
        return;
    const std::shared_ptr<const GpsTrack> track = m_track;
    const GeotagSettings chosen = current.value();
    const QString storage = m_storage.storagelocation;
    const bool reveal = m_mode == SourceMode::Computer;
    MetadataService* metadata = &m_metadata;
    m_confirmation->confirmThenRun(
        m_window, photos.size(),
        [=] { return previewGeotag(track, chosen, photos, storage, *metadata); },
        [=, this] {
            m_runner.runEditing(
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
    m_settings.setValue(GeometryKey, m_window->saveGeometry());
}
