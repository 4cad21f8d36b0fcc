#include "app/ControllerContext.h"

#include "app/CommandRunner.h"
#include "app/DropTargets.h"
#include "app/EditFormState.h"
#include "app/FileViewer.h"
#include "app/PreferencesWindow.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QMainWindow>
#include <QMessageBox>
#include <QSet>
#include <QSettings>

namespace {
// The most skipped photos an alert names one by one; the rest are counted.
constexpr int namedSkipsInAlert = 12;
} // namespace

ControllerContext::ControllerContext(MetadataService& metadata, FileViewer& fileViewer,
                                     QObject* parent)
    : QObject(parent), metadata(metadata), fileViewer(fileViewer) {
    outlets = buildMainWindow();
    preferences = new PreferencesWindow(outlets.window);
    runner = new CommandRunner(outlets.window, this);
    thumbnails = new ThumbnailLoader(metadata, QSize(85, 85), this);
    formState = new EditFormState(outlets.formFields(), this);
}

void ControllerContext::setLocalMode(bool local) {
    const bool changed = state.blocalMode != local;
    state.blocalMode = local;
    if (changed)
        Q_EMIT modeChanged();
}

ControllerContext::~ControllerContext() {
    delete runner; // waits for the photo in hand of a running command
    delete outlets.window;
}

void ControllerContext::createListsAndSettings() {
    localPhotos = new PhotoListModel(thumbnails, this);
    devicePhotos = new PhotoListModel(thumbnails, this);
    settings = new QSettings(this);
}

void ControllerContext::createStorageFolder() const {
    QDir().mkpath(state.storagelocation);
}

QListView* ControllerContext::browserOf(SourceMode mode) const {
    if (mode == SourceMode::Computer)
        return outlets.localImageBrowserView;
    return outlets.imageBrowserView;
}

PhotoListModel* ControllerContext::listOf(SourceMode mode) const {
    return mode == SourceMode::Computer ? localPhotos : devicePhotos;
}

int ControllerContext::selectionCount(SourceMode mode) const {
    const QListView* browser = browserOf(mode);
    return browser->selectionModel() ? int(browser->selectionModel()->selectedIndexes().size()) : 0;
}

std::vector<SelectedPhoto> ControllerContext::selectedPhotos(SourceMode mode) const {
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
    return selectPhotos(mode, listed, selection, state.storagelocation);
}

QMessageBox* ControllerContext::alert(const QString& text, const QString& informative,
                                      QWidget* on) {
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

void ControllerContext::showEmptySelectionAlert() {
    QMessageBox* box = alert(tr("No Item has been selected"),
                             tr("Please select at least one item to process."), outlets.window);
    box->setWindowModality(Qt::WindowModal); // a sheet on the main window
    connect(box, &QMessageBox::finished, this, [this, box](int result) {
        savePanelDidEnd3(box, result == QMessageBox::AcceptRole ? 1 : 0);
    });
    box->open();
}

void ControllerContext::savePanelDidEnd3(QMessageBox* box, int returnCode) {
    if (returnCode == 1 && box)
        box->close();
}

void ControllerContext::showInvalidDateAlert(QWidget* on, const QString& field) {
    QString informative =
        tr("Input the valid date format: YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS");
    if (!field.isEmpty())
        informative += QLatin1Char('\n') + tr("%1 is not a date.").arg(field);
    QMessageBox* box = alert(tr("Invalid date format"), informative, on);
    box->setWindowModality(Qt::ApplicationModal);
    box->open();
}

void ControllerContext::runEditing(const QString& label, const std::vector<SelectedPhoto>& photos,
                                   std::function<OperationReport(const BatchOptions&)> work,
                                   Presentation presentation, std::function<void()> afterwards,
                                   std::shared_ptr<const QStringList> renamed) {
    if (runner->isRunning()) {
        // Only in the moment before the progress dialog shows: one command at a time.
        QApplication::beep();
        return;
    }
    createStorageFolder();
    runner->sidecar = state.sidecar;
    runner->start(label, int(photos.size()), std::move(work),
                  [this, presentation, afterwards, renamed](const OperationReport& report) {
                      m_lastReport = report;
                      presentReport(report, presentation, renamed ? *renamed : QStringList());
                      if (afterwards)
                          afterwards();
                      Q_EMIT commandFinished();
                  });
}

// One file-viewer window for the whole command, rooted at the storage folder
// with the written files selected, rather than one window per photo; it
// stands for the folder's opening at the end too. The end message keeps
// apart what was written, what was written under another name, and what was
// not written, each with its reason.
void ControllerContext::presentReport(const OperationReport& report, Presentation presentation,
                                      const QStringList& renamed) {
    QStringList written = report.written;
    written.removeDuplicates();
    if (presentation.revealWritten && !written.isEmpty())
        fileViewer.revealFiles(written);
    else if (presentation.openStorage)
        fileViewer.openFolder(state.storagelocation);

    if (report.skipped.isEmpty() && report.notRun == 0 && report.repaired.isEmpty() &&
        renamed.isEmpty())
        return;
    QStringList sections;
    QStringList all;
    const auto section = [&](const QString& heading, const QStringList& lines) {
        if (lines.isEmpty())
            return;
        all << heading << lines;
        QStringList shown = lines.mid(0, namedSkipsInAlert);
        if (lines.size() > namedSkipsInAlert)
            shown << tr("… and %1 more.").arg(lines.size() - namedSkipsInAlert);
        sections << heading + QLatin1Char('\n') + shown.join(QLatin1Char('\n'));
    };
    QStringList skipped, repaired;
    for (const auto& photo : report.skipped)
        skipped << QStringLiteral("%1: %2").arg(photo.path, photo.reason);
    for (const auto& photo : report.repaired)
        repaired << QStringLiteral("%1: %2").arg(photo.path, photo.reason);
    section(tr("Written under another name:"), renamed);
    section(tr("Written with damaged metadata left out:"), repaired);
    section(tr("Not written:"), skipped);
    if (report.notRun > 0)
        sections << tr("Cancelled: %1 photo(s) were left as they were.").arg(report.notRun);

    QStringList counts{tr("%n photo(s) written", nullptr, int(written.size()))};
    if (!renamed.isEmpty())
        counts << tr("%n of them under another name", nullptr, int(renamed.size()));
    if (!skipped.isEmpty())
        counts << tr("%n not written", nullptr, int(skipped.size()));
    if (report.notRun > 0)
        counts << tr("%n left by the cancel", nullptr, report.notRun);
    QMessageBox* box = alert(counts.join(QStringLiteral("; ")) + QLatin1Char('.'),
                             sections.join(QStringLiteral("\n\n")), outlets.window);
    if (skipped.isEmpty() && report.notRun == 0)
        box->setIcon(QMessageBox::Information);
    if (all.size() > namedSkipsInAlert)
        box->setDetailedText(all.join(QLatin1Char('\n')));
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
