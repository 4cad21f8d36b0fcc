#include "app/AppDelegate.h"

#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DropTargets.h"
#include "app/FileViewer.h"
#include "editing/DateOperations.h"
#include "metadata/DateText.h"
#include "metadata/MetadataService.h"
#include "sources/PhotoListModel.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include "sources/PhotoImage.h"
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>

namespace {

// The most skipped photos an alert names one by one; the rest are counted.
constexpr int namedSkipsInAlert = 12;

void showCentred(QWidget* window) {
    window->show();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->raise();
    window->activateWindow();
}

} // namespace

QListView* AppDelegate::browserOf(SourceMode mode) const {
    if (mode == SourceMode::Computer)
        return m_outlets.localImageBrowserView;
    return m_outlets.imageBrowserView;
}

PhotoListModel* AppDelegate::listOf(SourceMode mode) const {
    return mode == SourceMode::Computer ? m_localPhotos : m_devicePhotos;
}

int AppDelegate::selectionCount(SourceMode mode) const {
    const QListView* browser = browserOf(mode);
    return browser->selectionModel() ? int(browser->selectionModel()->selectedIndexes().size()) : 0;
}

std::vector<SelectedPhoto> AppDelegate::selectedPhotos(SourceMode mode) const {
    const QListView* browser = browserOf(mode);
    const PhotoListModel* list = listOf(mode);
    if (!browser->selectionModel() || !list)
        return {};
    QSet<int> selection;
    for (const QModelIndex& index : browser->selectionModel()->selectedIndexes())
        selection.insert(index.row());
    QList<ListedPhoto> listed;
    for (const IKImageItem& item : list->items())
        listed.append({item.filePath, item.fileName});
    return selectPhotos(mode, listed, selection, storagelocation);
}

QMessageBox* AppDelegate::alert(const QString& text, const QString& informative, QWidget* on) {
    auto* box = new QMessageBox(on);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Tessaview"));
    box->setText(text);
    box->setInformativeText(informative);
    box->addButton(tr(" Ok "), QMessageBox::AcceptRole);
    Q_EMIT alertShown(text, informative);
    return box;
}

void AppDelegate::showEmptySelectionAlert() {
    QMessageBox* box = alert(tr("No Item has been selected"),
                             tr("Please select at least one item to process."), m_outlets.window);
    box->setWindowModality(Qt::WindowModal); // a sheet on the main window
    connect(box, &QMessageBox::finished, this, [this, box](int result) {
        savePanelDidEnd3(box, result == QMessageBox::AcceptRole ? 1 : 0);
    });
    box->open();
}

void AppDelegate::savePanelDidEnd3(QMessageBox* box, int returnCode) {
    if (returnCode == 1 && box)
        box->close();
}

void AppDelegate::showInvalidDateAlert(QWidget* on) {
    QMessageBox* box =
        alert(tr("Invalid date format"),
              tr("Input the valid date format: YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS"), on);
    box->setWindowModality(Qt::ApplicationModal);
    box->open();
}

void AppDelegate::runEditing(const QString& label, const std::vector<SelectedPhoto>& photos,
                             std::function<OperationReport(const BatchOptions&)> work,
                             Presentation presentation, std::function<void()> afterwards,
                             std::shared_ptr<const QStringList> notes) {
    if (m_runner->isRunning()) {
        // Only in the moment before the progress dialog shows: one command at a time.
        QApplication::beep();
        return;
    }
    createStorageFolder();
    m_runner->start(label, int(photos.size()), std::move(work),
                    [this, presentation, afterwards, notes](const OperationReport& report) {
                        m_lastReport = report;
                        presentReport(report, presentation, notes ? *notes : QStringList());
                        if (afterwards)
                            afterwards();
                        Q_EMIT commandFinished();
                    });
}

// One file-viewer window for the whole command, rooted at the storage folder
// with the written files selected, rather than one window per photo; it
// stands for the folder's opening at the end too.
void AppDelegate::presentReport(const OperationReport& report, Presentation presentation,
                                const QStringList& notes) {
    QStringList written = report.written;
    written.removeDuplicates();
    if (presentation.revealWritten && !written.isEmpty())
        m_fileViewer.revealFiles(written);
    else if (presentation.openStorage)
        m_fileViewer.openFolder(storagelocation);

    if (report.skipped.isEmpty() && report.notRun == 0 && report.repaired.isEmpty() &&
        notes.isEmpty())
        return;
    QStringList all = notes;
    for (const auto& skipped : report.skipped)
        all << QStringLiteral("%1: %2").arg(skipped.path, skipped.reason);
    for (const auto& repaired : report.repaired)
        all << QStringLiteral("%1: repaired: %2").arg(repaired.path, repaired.reason);
    QStringList lines = all.mid(0, namedSkipsInAlert);
    if (all.size() > namedSkipsInAlert)
        lines << tr("… and %1 more.").arg(all.size() - namedSkipsInAlert);
    if (report.notRun > 0)
        lines << tr("Cancelled: %1 photo(s) were left as they were.").arg(report.notRun);
    const QString text =
        report.skipped.isEmpty() && report.notRun == 0 && report.repaired.isEmpty()
            ? tr("%1 photo(s) written; %2 under a new name.").arg(written.size()).arg(notes.size())
        : report.skipped.isEmpty() && report.notRun == 0
            ? tr("%1 photo(s) written; %2 had damaged metadata that was left out.")
                  .arg(written.size())
                  .arg(report.repaired.size())
        : report.skipped.isEmpty()
            ? tr("%1 photo(s) written before the command was cancelled.").arg(written.size())
            : tr("%1 photo(s) could not be written; %2 written.")
                  .arg(report.skipped.size())
                  .arg(written.size());
    QMessageBox* box = alert(text, lines.join(QLatin1Char('\n')), m_outlets.window);
    if (all.size() > namedSkipsInAlert)
        box->setDetailedText(all.join(QLatin1Char('\n')));
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void AppDelegate::runRemovalCommand(RemovalKind kind) {
    const SourceMode sourceMode = mode();
    if (selectionCount(sourceMode) == 0) {
        showEmptySelectionAlert();
        return;
    }
    const std::vector<SelectedPhoto> photos = selectedPhotos(sourceMode);
    const RemovalReveal reveal = removalReveal(kind, sourceMode);
    MetadataService* metadata = &m_metadata;
    runEditing(
        tr("Removing metadata…"), photos,
        [kind, sourceMode, photos, storage = storagelocation, metadata](const BatchOptions& o) {
            return runRemoval(kind, sourceMode, photos, storage, *metadata, o);
        },
        {reveal.revealEachWritten, reveal.openStorageAtEnd});
}

void AppDelegate::RemoveExifDataFromPhoto() {
    runRemovalCommand(RemovalKind::Exif);
}
void AppDelegate::RemoveGPSDataFromPhoto() {
    runRemovalCommand(RemovalKind::Gps);
}
void AppDelegate::RemoveIPTCDataFromPhoto() {
    runRemovalCommand(RemovalKind::Iptc);
}
void AppDelegate::DeleteExifAndGPSData() {
    runRemovalCommand(RemovalKind::ExifAndGps);
}

void AppDelegate::ChangeDateExifFromPhoto() {
    const SourceMode sourceMode = mode();
    const int count = selectionCount(sourceMode);
    if (count == 0) {
        showEmptySelectionAlert();
        return;
    }
    QString path = currentChooseFilePath;
    if (sourceMode == SourceMode::Device) {
        path = storagelocation + QLatin1Char('/') + currentFileName;
        if (currentFileName.isEmpty() || !QFileInfo::exists(path)) {
            // Device photos are edited in their downloaded copy: fetch the
            // selected ones; the command finds them when run again.
            ViewExifData();
            return;
        }
    }
    fillDateWindow(path, count);
}

// Reads the photo's date pair off the GUI thread, then shows the window that
// fits the selection.
void AppDelegate::fillDateWindow(const QString& path, int count) {
    QPointer<AppDelegate> self(this);
    MetadataService* metadata = &m_metadata;
    const QString created = m_outlets.photoCreateDatelab->text();
    QThreadPool::globalInstance()->start([self, metadata, path, count, created] {
        const PhotoDatePair pair = photoDatePair(*metadata, path);
        QMetaObject::invokeMethod(
            self.data(),
            [self, pair, count, created] {
                if (!self)
                    return;
                if (count == 1) {
                    self->m_changeDateWindow->orignalDatelab->setText(pair.original);
                    self->m_changeDateWindow->diginalDatelab->setText(pair.digitized);
                    showCentred(self->m_changeDateWindow);
                } else {
                    if (!created.isEmpty())
                        self->m_changeMutiDateWindow->mutSetDatelab->setPlaceholderText(
                            DateText::shorten(created));
                    showCentred(self->m_changeMutiDateWindow);
                }
                Q_EMIT self->dateWindowFilled();
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::ClickDateChangedSaveAction() {
    const SourceMode sourceMode = mode();
    const QString original = m_changeDateWindow->orignalDatelab->text();
    const QString digitized = m_changeDateWindow->diginalDatelab->text();
    if (sourceMode == SourceMode::Computer && !DateText::isValid(digitized)) {
        showInvalidDateAlert(m_changeDateWindow);
        return;
    }
    const std::vector<SelectedPhoto> photos = selectedPhotos(sourceMode);
    MetadataService* metadata = &m_metadata;
    runEditing(
        tr("Changing dates…"), photos,
        [=, storage = storagelocation](const BatchOptions& o) {
            return runDateEdit(photos, storage, original, digitized, sourceMode, *metadata, o);
        },
        {sourceMode == SourceMode::Computer, true}, [this] { m_changeDateWindow->hide(); });
}

void AppDelegate::ClickDateChangedCancelAction() {
    const int count = selectionCount(mode());
    if (count == 1)
        m_changeDateWindow->hide();
    else if (count >= 2)
        m_changeMutiDateWindow->hide();
}

void AppDelegate::ChoosePhotosAction() {
    auto* panel =
        new QFileDialog(m_changeMutiDateWindow, tr("Please select one photo to change the date."));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd3(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles());
    });
    panel->open();
}

void AppDelegate::openPanelDidEnd3(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    const QString path = paths.first();
    currentChooseFilePath = path;
    QPointer<AppDelegate> self(this);
    MetadataService* metadata = &m_metadata;
    const QSize box = m_changeMutiDateWindow->dateImageview->size();
    QThreadPool::globalInstance()->start([self, metadata, path, box] {
        const PhotoDatePair pair = photoDatePair(*metadata, path);
        const QImage image = loadPhotoImage(*metadata, path, box);
        QMetaObject::invokeMethod(
            self.data(),
            [self, pair, image] {
                if (!self)
                    return;
                ChangeMutiDateWindow* window = self->m_changeMutiDateWindow;
                window->showPreviewPhoto(image);
                window->beforeorignalDatelab->setText(pair.original);
                window->beforediginalDatelab->setText(pair.digitized);
                Q_EMIT self->dateWindowFilled();
            },
            Qt::QueuedConnection);
    });
}

void AppDelegate::ClickAddTimeAction() {
    m_changeMutiDateWindow->RemoveTimeBtn->setChecked(false);
}

void AppDelegate::ClickRemoveTimeAction() {
    m_changeMutiDateWindow->AddTimeBtn->setChecked(false);
}

void AppDelegate::closeMutiDateWindow() {
    for (QLineEdit* field : m_changeMutiDateWindow->textsToEmpty())
        field->clear();
    m_changeMutiDateWindow->hide();
}

void AppDelegate::ClickMutiDateChangedSaveAction() {
    ChangeMutiDateWindow* w = m_changeMutiDateWindow;
    // Every variant works on the computer photos, whatever the mode.
    const std::vector<SelectedPhoto> photos = selectedPhotos(SourceMode::Computer);
    MetadataService* metadata = &m_metadata;
    const QString storage = storagelocation;
    const Presentation reveal{true, false};
    auto close = [this] { closeMutiDateWindow(); };

    if (w->hasPreviewPhoto()) {
        const auto shift =
            DateText::isValid(w->afterdiginalDatelab->text())
                ? previewShiftOf(w->beforeorignalDatelab->text(), w->beforediginalDatelab->text(),
                                 w->afterorignalDatelab->text(), w->afterdiginalDatelab->text())
                : std::nullopt;
        // Texts that do not read give no difference to shift by: say so
        // rather than rewrite every photo unchanged.
        if (!shift) {
            showInvalidDateAlert(w);
            return;
        }
        if (!blocalMode) {
            close();
            return;
        }
        runEditing(
            tr("Shifting dates…"), photos,
            [=](const BatchOptions& o) {
                return runPreviewShift(photos, storage, *shift, *metadata, o);
            },
            reveal, close);
        return;
    }
    const QString date = w->mutSetDatelab->text();
    if (!date.isEmpty()) {
        if (!DateText::isValid(date)) {
            showInvalidDateAlert(w);
            return;
        }
        runEditing(
            tr("Setting dates…"), photos,
            [=](const BatchOptions& o) { return runSetDate(photos, storage, date, *metadata, o); },
            reveal, close);
        return;
    }
    QList<qint64> amounts;
    for (const QLineEdit* field : w->amountFields())
        amounts << readAmount(field->text());
    const qint64 offset = amountOffset(amounts, w->AddTimeBtn->isChecked());
    runEditing(
        tr("Shifting dates…"), photos,
        [=](const BatchOptions& o) {
            return runAmountShift(photos, storage, offset, *metadata, o);
        },
        reveal, close);
}

void AppDelegate::ClickMutiDateChangedCancelAction() {
    m_changeMutiDateWindow->removePreviewPhoto();
    closeMutiDateWindow();
}

void AppDelegate::ClickCopyExifDateToCreateDateAction() {
    const SourceMode sourceMode = mode();
    const std::vector<SelectedPhoto> photos = selectedPhotos(sourceMode);
    if (photos.empty())
        return;
    MetadataService* metadata = &m_metadata;
    runEditing(tr("Setting file dates…"), photos,
               [=, storage = storagelocation](const BatchOptions& o) {
                   return runFileDates(photos, storage, sourceMode, *metadata, o);
               },
               {true, false});
}
