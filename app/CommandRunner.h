#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class QProgressDialog;
class QThread;
class QTimer;
class QWidget;

// Runs a command's work off the GUI thread behind a modal progress dialog
// with a cancel button, and hands the report back on the GUI thread. One
// command at a time: the dialog keeps the user from starting another.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    using Work = std::function<OperationReport(const BatchOptions&)>;
    using Done = std::function<void(const OperationReport&)>;

    explicit CommandRunner(QWidget* window, QObject* parent = nullptr);
    // Cancels a running command and waits for the photo in hand.
    ~CommandRunner() override;

    bool isRunning() const { return m_thread != nullptr; }
    // The sidecar policy of the commands it starts from now on.
    SidecarPolicy sidecar = SidecarPolicy::Present;
    // False, and nothing started, while another command runs.
    bool start(const QString& label, int total, Work work, Done done);
    void cancel();
    QProgressDialog* progressDialog() const;

Q_SIGNALS:
    void finished();

private:
    void onThreadFinished();

    QWidget* m_window;
    QPointer<QProgressDialog> m_dialog;
    QTimer* m_poll = nullptr;
    QThread* m_thread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::shared_ptr<std::atomic<int>> m_done;
    std::shared_ptr<OperationReport> m_report;
    Done m_onDone;
};
