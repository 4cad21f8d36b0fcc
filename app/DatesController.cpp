#include "app/DatesController.h"
#include "editing/ChangePreview.h"

#include "app/ChangeConfirmation.h"

#include "app/Alerts.h"
#include "app/Background.h"
#include "app/CommandRunner.h"
#include "app/CurrentPhoto.h"
#include "app/DateTimeField.h"
#include "app/DateWindows.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "app/WindowGeometry.h"
#include "editing/DateOperations.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "sources/PhotoImage.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

DatesController::DatesController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                                 Alerts& alerts, MetadataService& metadata,
                                 const StorageLocation& storage, QSettings& settings,
                                 QObject* parent)
    : QObject(parent), m_selection(selection), m_current(selection.current()), m_runner(runner),
      m_alerts(alerts), m_metadata(metadata), m_storage(storage), m_window(window),
      m_settings(settings) {
    m_dateWindow = new ChangeDateWindow(window);
    m_batchWindow = new ChangeMutiDateWindow(window);
    m_dateWindow->installEventFilter(this);
    m_batchWindow->installEventFilter(this);
    m_confirmation = new ChangeConfirmation(settings, this);
}

void DatesController::ChangeDateExifFromPhoto() {
    const SourceMode sourceMode = m_selection.mode();
    const int count = m_selection.selectionCount(sourceMode);
    if (count == 0) {
        m_alerts.showEmptySelectionAlert();
        return;
    }
    const QString path = m_current.pathIn(sourceMode, m_storage.storagelocation);
    if (sourceMode == SourceMode::Device && (path.isEmpty() || !QFileInfo::exists(path))) {
        // Device photos are edited in their downloaded copy: fetch the
        // selected ones; the command finds them when run again.
        Q_EMIT deviceCopiesNeeded();
        return;
    }
    fillDateWindow(path, count);
}

// Reads the photo's date pair off the GUI thread, then shows the window that
// fits the selection.
void DatesController::fillDateWindow(const QString& path, int count) {
    struct Read {
        PhotoDatePair pair;
        QString created; // the photo's creation date as a date text the field takes
    };
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this,
        [metadata, path] {
            const auto times = readFileTimes(path);
            return Read{photoDatePair(*metadata, path),
                        times ? DateText::timePointText(times->created) : QString()};
        },
        [this, count](const Read& read) {
            if (count == 1) {
                m_dateWindow->orignalDatelab->setText(read.pair.original);
                m_dateWindow->diginalDatelab->setText(read.pair.digitized);
                showPlaced(m_dateWindow);
            } else {
                // The photo's creation date as a hint, in the format of its
                // siblings, and where the field starts when the user comes to it.
                DateTimeField* date = m_batchWindow->mutSetDatelab;
                if (!read.created.isEmpty()) {
                    date->setPlaceholderText(DateTimeField::displayText(read.created));
                    date->setStartText(read.created);
                }
                showPlaced(m_batchWindow);
            }
            Q_EMIT dateWindowFilled();
        });
}

// Every date is checked before anything is written, in both sources: a text
// that is no date would go into the photo's EXIF as it stands.
bool DatesController::refuseNonDates(QWidget* window,
                                     const QList<std::pair<DateTimeField*, QString>>& fields) {
    for (const auto& [field, name] : fields) {
        if (!DateText::isValid(field->text())) {
            m_alerts.showInvalidDateAlert(window, name);
            field->setFocus();
            field->selectAll();
            return true;
        }
    }
    return false;
}

void DatesController::showPlaced(QWidget* dateWindow) {
    if (!m_placed.contains(dateWindow)) {
        dateWindow->adjustSize();
        WindowGeometry::restoreWindow(dateWindow, m_settings, dateWindow->objectName(), m_window);
        m_placed << dateWindow;
    }
    dateWindow->show();
    dateWindow->raise();
    dateWindow->activateWindow();
}

bool DatesController::eventFilter(QObject* watched, QEvent* event) {
    auto* dateWindow = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Hide && m_placed.contains(dateWindow))
        WindowGeometry::saveWindow(dateWindow, m_settings, dateWindow->objectName());
    return QObject::eventFilter(watched, event);
}

void DatesController::ClickDateChangedSaveAction() {
    const SourceMode sourceMode = m_selection.mode();
    const QString original = m_dateWindow->orignalDatelab->text();
    const QString digitized = m_dateWindow->diginalDatelab->text();
    if (refuseNonDates(m_dateWindow, {{m_dateWindow->diginalDatelab, tr("The digitized date")},
                                      {m_dateWindow->orignalDatelab, tr("The original date")}}))
        return;
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(sourceMode);
    MetadataService* metadata = &m_metadata;
    m_runner.runEditing(
        tr("Changing dates…"), photos,
        [=, storage = m_storage.storagelocation](const BatchOptions& o) {
            return runDateEdit(photos, storage, original, digitized, sourceMode, *metadata, o);
        },
        {sourceMode == SourceMode::Computer, true}, [this] { m_dateWindow->hide(); });
}

void DatesController::ClickDateChangedCancelAction() {
    const int count = m_selection.selectionCount(m_selection.mode());
    if (count == 1)
        m_dateWindow->hide();
    else if (count >= 2)
        m_batchWindow->hide();
}

void DatesController::ChoosePhotosAction() {
    auto* panel = new QFileDialog(m_batchWindow, tr("Please select one photo to change the date."));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd3(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles());
    });
    panel->open();
}

void DatesController::openPanelDidEnd3(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    const QString path = paths.first();
    m_selection.chooseFile(path);
    MetadataService* metadata = &m_metadata;
    const QSize box = m_batchWindow->dateImageview->size();
    runInBackground(
        this,
        [metadata, path, box] {
            return std::pair{photoDatePair(*metadata, path), loadPhotoImage(*metadata, path, box)};
        },
        [this](const std::pair<PhotoDatePair, QImage>& read) {
            const auto& [pair, image] = read;
            m_batchWindow->showPreviewPhoto(image);
            m_batchWindow->beforeorignalDatelab->setText(pair.original);
            m_batchWindow->beforediginalDatelab->setText(pair.digitized);
            Q_EMIT dateWindowFilled();
        });
}

void DatesController::ClickAddTimeAction() {
    m_batchWindow->RemoveTimeBtn->setChecked(false);
}

void DatesController::ClickRemoveTimeAction() {
    m_batchWindow->AddTimeBtn->setChecked(false);
}

void DatesController::closeMutiDateWindow() {
    for (DateTimeField* field : m_batchWindow->datesToEmpty())
        field->clear();
    for (QLineEdit* field : m_batchWindow->amountFields())
        field->clear();
    m_batchWindow->hide();
}

void DatesController::ClickMutiDateChangedSaveAction() {
    ChangeMutiDateWindow* w = m_batchWindow;
    // Every variant works on the computer photos, whatever the mode.
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(SourceMode::Computer);
    MetadataService* metadata = &m_metadata;
    const QString storage = m_storage.storagelocation;
    const CommandRunner::Presentation reveal{true, false};
    auto close = [this] { closeMutiDateWindow(); };

    // Every variant lists what it would change before it writes.
    const auto confirmThenShift = [=, this](const QString& label, const DatePlanner& planner) {
        m_confirmation->confirmThenRun(
            w, photos.size(), [=] { return previewDates(photos, storage, planner, *metadata); },
            [=, this] {
                m_runner.runEditing(
                    label, photos,
                    [=](const BatchOptions& o) {
                        return runDatePlanner(photos, storage, planner, *metadata, o);
                    },
                    reveal, close);
            });
    };
    if (w->hasPreviewPhoto()) {
        if (refuseNonDates(w, {{w->afterdiginalDatelab, tr("The digitized date after")},
                               {w->afterorignalDatelab, tr("The original date after")}}))
            return;
        const auto shift =
            previewShiftOf(w->beforeorignalDatelab->text(), w->beforediginalDatelab->text(),
                           w->afterorignalDatelab->text(), w->afterdiginalDatelab->text());
        // Texts that do not read give no difference to shift by: say so
        // rather than rewrite every photo unchanged.
        if (!shift) {
            m_alerts.showInvalidDateAlert(w);
            return;
        }
        if (!m_selection.blocalMode()) {
            close();
            return;
        }
        confirmThenShift(tr("Shifting dates…"), previewShiftPlanner(*shift));
        return;
    }
    const QString date = w->mutSetDatelab->text();
    if (!date.isEmpty()) {
        if (refuseNonDates(w, {{w->mutSetDatelab, tr("The date")}}))
            return;
        confirmThenShift(tr("Setting dates…"), dateEditPlanner(date, date, SourceMode::Computer));
        return;
    }
    QList<qint64> amounts;
    for (const QLineEdit* field : w->amountFields())
        amounts << readAmount(field->text());
    confirmThenShift(tr("Shifting dates…"),
                     amountShiftPlanner(amountOffset(amounts, w->AddTimeBtn->isChecked())));
}

void DatesController::ClickMutiDateChangedCancelAction() {
    m_batchWindow->removePreviewPhoto();
    closeMutiDateWindow();
}

void DatesController::ClickCopyExifDateToCreateDateAction() {
    const SourceMode sourceMode = m_selection.mode();
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(sourceMode);
    if (photos.empty())
        return;
    MetadataService* metadata = &m_metadata;
    m_runner.runEditing(tr("Setting file dates…"), photos,
                        [=, storage = m_storage.storagelocation](const BatchOptions& o) {
                            return runFileDates(photos, storage, sourceMode, *metadata, o);
                        },
                        {true, false});
}
