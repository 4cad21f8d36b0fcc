#include "app/CommandRunner.h"

#include "app/Alerts.h"
#include "app/FileViewer.h"
#include "app/PRProgressView.h"
#include "app/StorageLocation.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

namespace {
// The most skipped photos an alert names one by one; the rest are counted.
constexpr int namedSkipsInAlert = 12;
} // namespace

CommandRunner::CommandRunner(QWidget* window, FileViewer& fileViewer, Alerts& alerts,
                             const StorageLocation& storage, QObject* parent)
    : QObject(parent), m_window(window), m_fileViewer(fileViewer), m_alerts(alerts),
      m_storage(storage), m_poll(new QTimer(this)) {
    // The worker threads only count; the GUI thread reads the count.
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &CommandRunner::showCount);
}

CommandRunner::~CommandRunner() {
    if (m_thread) {
        m_cancel->store(true);
        m_thread->wait();
    }
}

void CommandRunner::runEditing(const QString& label, const std::vector<SelectedPhoto>& photos,
                               Work work, Presentation presentation,
                               std::function<void()> afterwards) {
    if (m_thread) {
        // Only in the moment before the progress dialog shows: one command at a time.
        QApplication::beep();
        return;
    }
    m_storage.create();
    const int total = int(photos.size());
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_done = std::make_shared<std::atomic<int>>(0);
    m_report = std::make_shared<OperationReport>();
    m_onDone = [this, presentation, afterwards](const OperationReport& report) {
        m_lastReport = report;
        presentReport(report, presentation);
        if (afterwards)
            afterwards();
        Q_EMIT commandFinished();
    };

    // A short command finishes before the dialog would show, so it never flashes.
    m_dialog = new QProgressDialog(label, tr("Cancel"), 0, std::max(total, 1), m_window);
    m_dialog->setBar(new PRProgressView(m_dialog));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
    connect(m_dialog, &QProgressDialog::canceled, this, &CommandRunner::cancel);

    m_label = label;
    m_total = total;
    showCount();
    m_poll->start();

    BatchOptions options;
    options.cancel = m_cancel.get();
    options.sidecar = m_storage.sidecar;
    options.progress = [counter = m_done](int finished, int) { counter->store(finished); };
    m_thread.reset(QThread::create(
        [work = std::move(work), options, report = m_report] { *report = work(options); }));
    connect(m_thread.get(), &QThread::finished, this, &CommandRunner::onThreadFinished);
    m_thread->start();
}

// The label counts the photos: "Removing metadata… 3 of 10".
void CommandRunner::showCount() {
    if (!m_dialog || m_cancel->load())
        return;
    const int done = m_done->load();
    m_dialog->setLabelText(tr("%1\n%2 of %3").arg(m_label).arg(done).arg(m_total));
    m_dialog->setValue(done);
}

void CommandRunner::cancel() {
    if (!m_thread)
        return;
    m_cancel->store(true);
    if (m_dialog)
        m_dialog->setLabelText(tr("Cancelling after the photos in hand…"));
}

void CommandRunner::onThreadFinished() {
    m_thread->wait();
    m_thread.reset();
    m_poll->stop();
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
    const auto done = std::move(m_onDone);
    m_onDone = nullptr;
    done(*m_report);
}

QProgressDialog* CommandRunner::progressDialog() const {
    return m_dialog;
}

// One file-viewer window for the whole command, rooted at the storage folder
// with the written files selected, rather than one window per photo; it
// stands for the folder's opening at the end too. The end message keeps
// apart what was written, what was written under another name, and what was
// not written, each with its reason.
void CommandRunner::presentReport(const OperationReport& report, Presentation presentation) {
    QStringList revealed = report.written;
    revealed.removeDuplicates();
    if (presentation.revealWritten && !revealed.isEmpty())
        m_fileViewer.revealFiles(revealed);
    else if (presentation.openStorage)
        m_fileViewer.openFolder(m_storage.storagelocation);

    if (report.skipped.isEmpty() && report.notRun == 0 && report.repaired.isEmpty() &&
        report.renamed.isEmpty() && report.remarked.isEmpty())
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
    const auto lines = [](const QList<OperationReport::Skipped>& photos) {
        QStringList out;
        for (const auto& photo : photos)
            out << QStringLiteral("%1: %2").arg(photo.path, photo.reason);
        return out;
    };
    QStringList renamed;
    for (const auto& photo : report.renamed)
        renamed << tr("%1: as %2").arg(photo.path, QFileInfo(photo.outputPath).fileName());
    section(tr("Written under another name:"), renamed);
    section(tr("Written, with a note:"), lines(report.remarked));
    section(tr("Written with damaged metadata left out:"), lines(report.repaired));
    section(tr("Not written:"), lines(report.skipped));
    if (report.notRun > 0)
        sections << tr("Cancelled: %n photos were left as they were.", nullptr, report.notRun);

    // Every photo of the command is counted once: written under its own
    // name, under another, not written, or left by the cancel.
    const int written = int(report.written.size());
    QStringList counts{tr("%n photos written", nullptr, written)};
    if (!renamed.isEmpty())
        counts << tr("%n of them under another name", nullptr, int(renamed.size()));
    if (!report.skipped.isEmpty())
        counts << tr("%n not written", nullptr, int(report.skipped.size()));
    if (report.notRun > 0)
        counts << tr("%n left by the cancel", nullptr, report.notRun);
    QMessageBox* box = m_alerts.alert(counts.join(QStringLiteral("; ")) + QLatin1Char('.'),
                                      sections.join(QStringLiteral("\n\n")), m_window);
    if (report.skipped.isEmpty() && report.notRun == 0)
        box->setIcon(QMessageBox::Information);
    if (all.size() > namedSkipsInAlert)
        box->setDetailedText(all.join(QLatin1Char('\n')));
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
