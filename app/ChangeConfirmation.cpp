#include "app/ChangeConfirmation.h"

#include "app/ChangePreviewWindow.h"

#include <QApplication>
#include <QPointer>
#include <QThreadPool>

ChangeConfirmation::ChangeConfirmation(QSettings*& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

bool ChangeConfirmation::confirmThenRun(QWidget* on, size_t photoCount, Preview preview,
                                        std::function<void()> run) {
    if (m_asking)
        return false;
    if (photoCount <= 1 || !m_settings || !ChangePreviewWindow::isWanted(*m_settings)) {
        run();
        return true;
    }
    m_asking = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QPointer<ChangeConfirmation> self(this);
    QPointer<QWidget> parent(on);
    QThreadPool::globalInstance()->start([self, parent, preview, run] {
        auto previews = preview();
        QMetaObject::invokeMethod(
            self.data(),
            [self, parent, previews = std::move(previews), run]() mutable {
                QApplication::restoreOverrideCursor();
                if (!self)
                    return;
                auto* window =
                    new ChangePreviewWindow(std::move(previews), self->m_settings, parent.data());
                window->setAttribute(Qt::WA_DeleteOnClose);
                connect(window, &QDialog::finished, self, [self, run](int result) {
                    self->m_asking = false;
                    if (result == QDialog::Accepted)
                        run();
                    else
                        Q_EMIT self->cancelled();
                });
                window->open();
                Q_EMIT self->previewShown(window);
            },
            Qt::QueuedConnection);
    });
    return true;
}
