#include "app/ChangeConfirmation.h"

#include "app/Background.h"
#include "app/ChangePreviewWindow.h"

#include <QApplication>
#include <QPointer>

ChangeConfirmation::ChangeConfirmation(QSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

// A dry run still out keeps its busy cursor no longer than the question.
ChangeConfirmation::~ChangeConfirmation() {
    if (m_previewing)
        QApplication::restoreOverrideCursor();
}

bool ChangeConfirmation::confirmThenRun(QWidget* on, size_t photoCount, Preview preview,
                                        std::function<void()> run) {
    if (m_asking)
        return false;
    if (photoCount <= 1 || !ChangePreviewWindow::isWanted(m_settings)) {
        run();
        return true;
    }
    m_asking = true;
    m_previewing = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QPointer<QWidget> parent(on);
    runInBackground(
        this, std::move(preview), [this, parent, run](std::vector<PhotoChangePreview> previews) {
            m_previewing = false;
            QApplication::restoreOverrideCursor();
            auto* window = new ChangePreviewWindow(std::move(previews), &m_settings, parent.data());
            window->setAttribute(Qt::WA_DeleteOnClose);
            connect(window, &QDialog::finished, this, [this, run](int result) {
                m_asking = false;
                if (result == QDialog::Accepted)
                    run();
                else
                    Q_EMIT cancelled();
            });
            window->open();
            Q_EMIT previewShown(window);
        });
    return true;
}
