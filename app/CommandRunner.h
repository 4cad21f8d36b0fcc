#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Alerts;
class FileViewer;
class QProgressDialog;
class QThread;
class QTimer;
class QWidget;
struct StorageLocation;

// Runs an editing command's work off the GUI thread behind a modal progress
// dialog with a cancel button, then presents its report on the GUI thread.
// One command at a time: the dialog keeps the user from starting another.
class CommandRunner : public QObject {
    Q_OBJECT
public:
    using Work = std::function<OperationReport(const BatchOptions&)>;
    struct Presentation {
        bool revealWritten = false;
        bool openStorage = false;
    };

    CommandRunner(QWidget* window, FileViewer& fileViewer, Alerts& alerts,
                  const StorageLocation& storage, QObject* parent = nullptr);
    // Cancels a running command and waits for the photo in hand.
    ~CommandRunner() override;

    // Runs the work over the photos, then presents its report and calls
    // afterwards.
    void runEditing(const QString& label, const std::vector<SelectedPhoto>& photos, Work work,
                    Presentation presentation, std::function<void()> afterwards = {});
    bool isRunning() const { return m_thread != nullptr; }
    void cancel();
    QProgressDialog* progressDialog() const;
    // What the last editing command did.
    const OperationReport& lastReport() const { return m_lastReport; }

Q_SIGNALS:
    // An editing command has finished: lastReport() says what it did.
    void commandFinished();

private:
    void showCount();
    void onThreadFinished();
    void presentReport(const OperationReport& report, Presentation presentation);

    QWidget* m_window;
    FileViewer& m_fileViewer;
    Alerts& m_alerts;
    const StorageLocation& m_storage;
    QPointer<QProgressDialog> m_dialog; // the window's child, gone with the command
    QTimer* m_poll;
    QString m_label;
    int m_total = 0;
    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::shared_ptr<std::atomic<int>> m_done;
    std::shared_ptr<OperationReport> m_report;
    std::function<void(const OperationReport&)> m_onDone;
    OperationReport m_lastReport;
};
