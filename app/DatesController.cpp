#include "app/DatesController.h"

#include "app/ControllerContext.h"
#include "app/DateWindows.h"
#include "editing/DateOperations.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "sources/PhotoImage.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>

namespace {

void showCentred(QWidget* window) {
    window->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->raise();
    window->activateWindow();
}

} // namespace

DatesController::DatesController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context) {
    m_dateWindow = new ChangeDateWindow(m_ctx.outlets.window);
    m_batchWindow = new ChangeMutiDateWindow(m_ctx.outlets.window);
}

void DatesController::ChangeDateExifFromPhoto() {
    const SourceMode sourceMode = m_ctx.mode();
    const int count = m_ctx.selectionCount(sourceMode);
    if (count == 0) {
        m_ctx.showEmptySelectionAlert();
        return;
    }
    QString path = m_ctx.state.currentChooseFilePath;
    if (sourceMode == SourceMode::Device) {
        path = m_ctx.state.storagelocation + QLatin1Char('/') + m_ctx.state.currentFileName;
        if (m_ctx.state.currentFileName.isEmpty() || !QFileInfo::exists(path)) {
            // Device photos are edited in their downloaded copy: fetch the
            // selected ones; the command finds them when run again.
            Q_EMIT deviceCopiesNeeded();
            return;
        }
    }
    fillDateWindow(path, count);
}

// Reads the photo's date pair off the GUI thread, then shows the window that
// fits the selection.
void DatesController::fillDateWindow(const QString& path, int count) {
    QPointer<DatesController> self(this);
    MetadataService* metadata = &m_ctx.metadata;
    QThreadPool::globalInstance()->start([self, metadata, path, count] {
        const PhotoDatePair pair = photoDatePair(*metadata, path);
        // The current photo's creation date as a date text the field takes.
        const auto times = readFileTimes(path);
        const QString created = times ? DateText::timePointText(times->created) : QString();
        QMetaObject::invokeMethod(
            self.data(),
            [self, pair, count, created] {
                if (!self)
                    return;
                if (count == 1) {
                    self->m_dateWindow->orignalDatelab->setText(pair.original);
                    self->m_dateWindow->diginalDatelab->setText(pair.digitized);
                    showCentred(self->m_dateWindow);
                } else {
                    if (!created.isEmpty())
                        self->m_batchWindow->mutSetDatelab->setPlaceholderText(created);
                    showCentred(self->m_batchWindow);
                }
                Q_EMIT self->m_ctx.dateWindowFilled();
            },
            Qt::QueuedConnection);
    });
}

// Every date is checked before anything is written, in both sources: a text
// that is no date would go into the photo's EXIF as it stands.
bool DatesController::refuseNonDates(QWidget* window,
                                     const QList<std::pair<QLineEdit*, QString>>& fields) {
    for (const auto& [field, name] : fields) {
        if (!DateText::isValid(field->text())) {
            m_ctx.showInvalidDateAlert(window, name);
            field->setFocus();
            field->selectAll();
            return true;
        }
    }
    return false;
}

void DatesController::ClickDateChangedSaveAction() {
    const SourceMode sourceMode = m_ctx.mode();
    const QString original = m_dateWindow->orignalDatelab->text();
    const QString digitized = m_dateWindow->diginalDatelab->text();
    if (refuseNonDates(m_dateWindow, {{m_dateWindow->diginalDatelab, tr("The digitized date")},
                                      {m_dateWindow->orignalDatelab, tr("The original date")}}))
        return;
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(sourceMode);
    MetadataService* metadata = &m_ctx.metadata;
    m_ctx.runEditing(
        tr("Changing dates…"), photos,
        [=, storage = m_ctx.state.storagelocation](const BatchOptions& o) {
            return runDateEdit(photos, storage, original, digitized, sourceMode, *metadata, o);
        },
        {sourceMode == SourceMode::Computer, true}, [this] { m_dateWindow->hide(); });
}

void DatesController::ClickDateChangedCancelAction() {
    const int count = m_ctx.selectionCount(m_ctx.mode());
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
    m_ctx.state.currentChooseFilePath = path;
    QPointer<DatesController> self(this);
    MetadataService* metadata = &m_ctx.metadata;
    const QSize box = m_batchWindow->dateImageview->size();
    QThreadPool::globalInstance()->start([self, metadata, path, box] {
        const PhotoDatePair pair = photoDatePair(*metadata, path);
        const QImage image = loadPhotoImage(*metadata, path, box);
        QMetaObject::invokeMethod(
            self.data(),
            [self, pair, image] {
                if (!self)
                    return;
                ChangeMutiDateWindow* window = self->m_batchWindow;
                window->showPreviewPhoto(image);
                window->beforeorignalDatelab->setText(pair.original);
                window->beforediginalDatelab->setText(pair.digitized);
                Q_EMIT self->m_ctx.dateWindowFilled();
            },
            Qt::QueuedConnection);
    });
}

void DatesController::ClickAddTimeAction() {
    m_batchWindow->RemoveTimeBtn->setChecked(false);
}

void DatesController::ClickRemoveTimeAction() {
    m_batchWindow->AddTimeBtn->setChecked(false);
}

void DatesController::closeMutiDateWindow() {
    for (QLineEdit* field : m_batchWindow->textsToEmpty())
        field->clear();
    m_batchWindow->hide();
}

void DatesController::ClickMutiDateChangedSaveAction() {
    ChangeMutiDateWindow* w = m_batchWindow;
    // Every variant works on the computer photos, whatever the mode.
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(SourceMode::Computer);
    MetadataService* metadata = &m_ctx.metadata;
    const QString storage = m_ctx.state.storagelocation;
    const ControllerContext::Presentation reveal{true, false};
    auto close = [this] { closeMutiDateWindow(); };

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
            m_ctx.showInvalidDateAlert(w);
            return;
        }
        if (!m_ctx.state.blocalMode) {
            close();
            return;
        }
        m_ctx.runEditing(
            tr("Shifting dates…"), photos,
            [=](const BatchOptions& o) {
                return runPreviewShift(photos, storage, *shift, *metadata, o);
            },
            reveal, close);
        return;
    }
    const QString date = w->mutSetDatelab->text();
    if (!date.isEmpty()) {
        if (refuseNonDates(w, {{w->mutSetDatelab, tr("The date")}}))
            return;
        m_ctx.runEditing(
            tr("Setting dates…"), photos,
            [=](const BatchOptions& o) { return runSetDate(photos, storage, date, *metadata, o); },
            reveal, close);
        return;
    }
    QList<qint64> amounts;
    for (const QLineEdit* field : w->amountFields())
        amounts << readAmount(field->text());
    const qint64 offset = amountOffset(amounts, w->AddTimeBtn->isChecked());
    m_ctx.runEditing(
        tr("Shifting dates…"), photos,
        [=](const BatchOptions& o) {
            return runAmountShift(photos, storage, offset, *metadata, o);
        },
        reveal, close);
}

void DatesController::ClickMutiDateChangedCancelAction() {
    m_batchWindow->removePreviewPhoto();
    closeMutiDateWindow();
}

void DatesController::ClickCopyExifDateToCreateDateAction() {
    const SourceMode sourceMode = m_ctx.mode();
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(sourceMode);
    if (photos.empty())
        return;
    MetadataService* metadata = &m_ctx.metadata;
    m_ctx.runEditing(tr("Setting file dates…"), photos,
                     [=, storage = m_ctx.state.storagelocation](const BatchOptions& o) {
                         return runFileDates(photos, storage, sourceMode, *metadata, o);
                     },
                     {true, false});
}
