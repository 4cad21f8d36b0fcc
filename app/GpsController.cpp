#include "app/GpsController.h"

#include "app/Alerts.h"
#include "app/Background.h"
#include "app/ChangeConfirmation.h"
#include "app/ChangeGPSWindow.h"
#include "app/CommandRunner.h"
#include "app/CurrentPhoto.h"
#include "app/DateTimeField.h"
#include "app/FormFieldText.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/MapWindow.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/GpsFields.h"
#include "editing/GpsOperations.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace PropertyKeys;

namespace {

const QString DatePlaceholder = QStringLiteral("YYYY:MM:DD");
const QString TimePlaceholder = QStringLiteral("HH:MM:SS");

// Preview and the map's centre read a field as a number, 0 when it is none.
double numberIn(const QLineEdit* field) {
    return leadingNumber(field->text()).value_or(0);
}

void setField(QWidget* field, const QString& text) {
    FormFieldText::setText(field, text);
}

} // namespace

GpsController::GpsController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                             Alerts& alerts, MetadataService& metadata,
                             const StorageLocation& storage, QSettings& settings, QObject* parent)
    : QObject(parent), m_window(window), m_selection(selection), m_current(selection.current()),
      m_runner(runner), m_alerts(alerts), m_metadata(metadata), m_storage(storage) {
    m_gpsWindow = new ChangeGPSWindow(window);
    m_mapWindow = new MapWindow(settings, window);
    m_confirmation = new ChangeConfirmation(settings, this);
    // Escape and the title bar's close button cancel as the button does.
    connect(m_gpsWindow, &QDialog::rejected, this, &GpsController::ClickCancleSaveGPSAction);
}

void GpsController::EditeGPSExifDataPhoto() {
    openGpsWindow(Opening::Change);
}

void GpsController::AddGPSExifDataPhoto() {
    openGpsWindow(Opening::Add);
}

void GpsController::openGpsWindow(Opening opening) {
    const SourceMode mode = m_selection.mode();
    if (m_selection.selectionCount(mode) == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const QString path = m_current.pathIn(mode, m_storage.storagelocation);
    if (mode == SourceMode::Device && (path.isEmpty() || !QFileInfo::exists(path))) {
        // Device photos are edited in their downloaded copy: fetch the
        // selected ones; the command finds them when run again.
        Q_EMIT deviceCopiesNeeded();
        return;
    }
    // The photo is read off the GUI thread; the window opens when it is in.
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this, [metadata, path] { return metadata->readProperties(path); },
        [this, opening](const Result<PhotoProperties>& properties) {
            showGpsWindow(opening, properties.isOk(),
                          properties ? properties->dictionary : QVariantMap());
        });
}

// The window starts from the photo it is opened on: no field keeps what
// another photo put there.
void GpsController::showGpsWindow(Opening opening, bool readable, const QVariantMap& dictionary) {
    if (readable) {
        const bool hasGps = dictionary.contains(GpsSet);
        const QVariantMap gps = dictionary.value(GpsSet).toMap();
        if (opening == Opening::Change) {
            if (!hasGps) {
                m_alerts.showSheet(tr("No GPS Data"),
                                   tr("The selected photo does not contain GPS information."),
                                   m_window);
                return;
            }
            for (QWidget* field : m_gpsWindow->fields())
                FormFieldText::setText(field, QString());
            fillFromGpsSet(gps);
            // A set without a latitude or longitude is centred on 0 there.
            showGpsWindowAt(gps.contains(Latitude) ? signedLatitude(gps) : 0,
                            gps.contains(Longitude) ? signedLongitude(gps) : 0);
            return;
        }
        for (QWidget* field : m_gpsWindow->fields())
            FormFieldText::setText(field, QString());
        if (hasGps) {
            fillFromGpsSet(gps);
        } else {
            setField(m_gpsWindow->dateStamplab, DatePlaceholder);
            setField(m_gpsWindow->timeStamplab, TimePlaceholder);
        }
    }
    // No position is known: the map shows what the fields hold, as Preview does.
    showGpsWindowAt(numberIn(m_gpsWindow->latitudelab), numberIn(m_gpsWindow->longtitudelab));
}

// A key the set lacks leaves its field as it was.
void GpsController::fillFromGpsSet(const QVariantMap& gps) {
    if (gps.contains(DateStamp))
        setField(m_gpsWindow->dateStamplab, displayText(gps.value(DateStamp)));
    if (gps.contains(TimeStamp))
        setField(m_gpsWindow->timeStamplab, displayText(gps.value(TimeStamp)));
    if (gps.contains(Altitude)) {
        // Below sea level shows as negative, so that saving the window
        // unchanged keeps the photo below sea level.
        setField(m_gpsWindow->altitudelab, displayText(signedAltitude(gps)));
    }
    if (gps.contains(Latitude))
        setField(m_gpsWindow->latitudelab, displayText(signedLatitude(gps)));
    if (gps.contains(Longitude))
        setField(m_gpsWindow->longtitudelab, displayText(signedLongitude(gps)));
}

void GpsController::showGpsWindowAt(double latitude, double longitude) {
    m_gpsWindow->open(); // modal to the main window
    showOnMap(m_gpsWindow->previewMapView, latitude, longitude);
    Q_EMIT gpsWindowShown();
}

void GpsController::PreviewCurrentGPSInMap() {
    showOnMap(m_gpsWindow->previewMapView, numberIn(m_gpsWindow->latitudelab),
              numberIn(m_gpsWindow->longtitudelab));
}

// The window stays up with its texts, so that the user can correct them.
void GpsController::showValueError(const QString& informative) {
    m_alerts.showSheet(tr("Vaule Error"), informative, m_gpsWindow);
}

void GpsController::ClickSaveChangeGPSAction() {
    // The altitude is optional here as in the form: empty, it stays as the
    // photo has it.
    for (QWidget* field : m_gpsWindow->fields()) {
        if (field != m_gpsWindow->altitudelab && FormFieldText::text(field).trimmed().isEmpty()) {
            showValueError(tr("Each value cannot be empty.") + QLatin1Char('\n') +
                           tr("%1 is empty.").arg(m_gpsWindow->fieldName(field)));
            field->setFocus();
            return;
        }
    }
    const GpsTexts texts{m_gpsWindow->latitudelab->text(), m_gpsWindow->longtitudelab->text(),
                         m_gpsWindow->altitudelab->text(), m_gpsWindow->dateStamplab->text(),
                         m_gpsWindow->timeStamplab->text()};
    const Result<GpsValues> values = readGpsTexts(texts, GpsDateRule::Required);
    if (!values) {
        showValueError(values.error());
        return;
    }
    save(values.value());
}

void GpsController::save(const GpsValues& values) {
    const SourceMode mode = m_selection.mode();
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(mode);
    const QString storage = m_storage.storagelocation;
    MetadataService* metadata = &m_metadata;
    m_confirmation->confirmThenRun(
        m_gpsWindow, photos.size(),
        [=] { return previewGpsSet(values, photos, storage, *metadata); },
        [=, this] {
            m_runner.runEditing(
                tr("Writing the GPS position…"), photos,
                [=](const BatchOptions& o) {
                    return runGpsSet(values, photos, storage, *metadata, o);
                },
                {mode == SourceMode::Computer, true}, [this] { m_gpsWindow->hide(); });
        });
}

void GpsController::ClickCancleSaveGPSAction() {
    m_gpsWindow->hide();
}

void GpsController::ShowMapAction() {
    if (!m_current.bMapPreview) {
        m_alerts.showSheet(tr("No GPS Data"), tr("This photo does not contain GPS information."),
                           m_window);
        return;
    }
    // Where it was left, else over the main window, not at the screen's corner.
    if (!m_mapWindow->isVisible())
        m_mapWindow->showPlaced();
    m_mapWindow->raise();
    m_mapWindow->activateWindow();
    showOnMap(m_mapWindow->currentMapView, m_current.currentCoords.x(),
              m_current.currentCoords.y());
}

void GpsController::ChangeGPSExifDataPhoto() {
    if (m_current.currentFileName.isEmpty()) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const SourceMode mode = m_selection.mode();
    const QString storage = m_storage.storagelocation;
    const SelectedPhoto photo(0, m_current.pathIn(mode, storage), m_current.currentFileName);
    MetadataService* metadata = &m_metadata;
    m_runner.runEditing(
        tr("Writing the position…"), {photo},
        [=](const BatchOptions&) { return runFixedPosition(mode, photo, storage, *metadata); },
        {false, false});
}
