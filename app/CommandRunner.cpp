#include "app/CommandRunner.h"

#include "app/PRProgressView.h"

#include <QProgressDialog>
#include <QThread>
#include <QTimer>

CommandRunner::CommandRunner(QWidget* window, QObject* parent)
    : QObject(parent), m_window(window) {}

CommandRunner::~CommandRunner() {
    if (m_thread) {
        m_cancel->store(true);
        m_thread->wait();
        delete m_thread;
    }
    delete m_dialog;
}

bool CommandRunner::start(const QString& label, int total, Work work, Done done) {
    if (m_thread)
        return false;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_done = std::make_shared<std::atomic<int>>(0);
    m_report = std::make_shared<OperationReport>();
    m_onDone = std::move(done);

    // A short command finishes before the dialog would show, so it never flashes.
    m_dialog = new QProgressDialog(label, tr("Cancel"), 0, std::max(total, 1), m_window);
    m_dialog->setBar(new PRProgressView(m_dialog));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
    connect(m_dialog, &QProgressDialog::canceled, this, &CommandRunner::cancel);

    // The worker threads only count; the GUI thread reads the count.
    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    // The label counts the photos: "Removing metadata… 3 of 10".
    const auto count = [this, label, total] {
        if (!m_dialog || m_cancel->load())
            return;
        const int done = m_done->load();
        m_dialog->setLabelText(tr("%1\n%2 of %3").arg(label).arg(done).arg(total));
        m_dialog->setValue(done);
    };
    count();
    connect(m_poll, &QTimer::timeout, this, count);
    m_poll->start();

    BatchOptions options;
    options.cancel = m_cancel.get();
    options.sidecar = sidecar;
    options.progress = [counter = m_done](int finished, int) { counter->store(finished); };
    m_thread = QThread::create(
        [work = std::move(work), options, report = m_report] { *report = work(options); });
    connect(m_thread, &QThread::finished, this, &CommandRunner::onThreadFinished);
    m_thread->start();
    return true;
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
    delete m_thread;
    m_thread = nullptr;
    delete m_poll;
    m_poll = nullptr;
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
    const OperationReport report = *m_report;
    const Done done = std::move(m_onDone);
    m_onDone = nullptr;
    if (done)
        done(report);
    Q_EMIT finished();
}

QProgressDialog* CommandRunner::progressDialog() const {
    return m_dialog;
}
