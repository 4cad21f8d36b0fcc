#pragma once

#include "editing/ChangePreview.h"

#include <QObject>

#include <functional>
#include <vector>

class ChangePreviewWindow;
class QSettings;
class QWidget;

// Asks before a command writes more than one photo. The dry run, the very
// computation of --dry-run, reads every photo, so it runs off the GUI thread;
// its answer comes up in the preview window, and Confirm runs the command.
// One photo, or the setting turned off, runs the command at once.
class ChangeConfirmation : public QObject {
    Q_OBJECT
public:
    using Preview = std::function<std::vector<PhotoChangePreview>()>;

    ChangeConfirmation(QSettings& settings, QObject* parent = nullptr);
    ~ChangeConfirmation() override;

    // False, and nothing asked or run, while an earlier question is pending.
    bool confirmThenRun(QWidget* on, size_t photoCount, Preview preview, std::function<void()> run);

Q_SIGNALS:
    // The question is up, with the changes it lists.
    void previewShown(ChangePreviewWindow* window);
    // The user cancelled: nothing was written.
    void cancelled();

private:
    QSettings& m_settings;
    bool m_asking = false;
    bool m_previewing = false; // the dry run is out, under a busy cursor
};
