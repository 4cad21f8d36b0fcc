#include "app/AboutWindow.h"
#include "app/BuildSettings.h"
#include "app/ChromeController.h"
#include "app/FileViewer.h"
#include "app/PRUpdateController.h"
#include "app/StatusReport.h"
#include "app/StorageLocation.h"

#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

// The exit confirmation, About, Support, the update check and the status bar.

bool ChromeController::windowWantsToClose() {
    if (m_exitConfirmed)
        return true;
    CloseTheMainWindow();
    return false;
}

void ChromeController::CloseTheMainWindow() {
    if (m_exitBox) {
        m_exitBox->raise();
        return;
    }
    m_exitBox = new QMessageBox(m_window);
    m_exitBox->setAttribute(Qt::WA_DeleteOnClose);
    m_exitBox->setWindowTitle(QStringLiteral("Tessaview"));
    m_exitBox->setText(tr("Are you sure you want to Exit ?"));
    m_exitBox->setInformativeText(QString());
    QPushButton* exit = m_exitBox->addButton(tr(" Exit "), QMessageBox::AcceptRole);
    m_exitBox->addButton(tr("Cancel"), QMessageBox::RejectRole);
    m_exitBox->setDefaultButton(exit);
    m_exitBox->setWindowModality(Qt::ApplicationModal);
    connect(m_exitBox, &QMessageBox::finished, this, [this, exit] {
        if (!m_exitBox || m_exitBox->clickedButton() != exit)
            return;
        m_exitConfirmed = true;
        m_window->close();
        if (terminate)
            terminate();
    });
    m_exitBox->open();
}

void ChromeController::ClickAbout() {
    // The storage folder may have moved since the window was last shown.
    m_about->showFacts(AboutFacts::gather(m_storage.storagelocation));
    if (!m_about->isVisible())
        m_about->show();
    m_about->raise();
}

void ChromeController::CLICkSupport() {
    if (openUrl)
        openUrl(QUrl(BuildSettings::supportUrl()));
}

void ChromeController::CheckforUpdateAction() {
    m_update->checkServerVersion(true);
}

void ChromeController::showMessage(const QString& text, const QString& folder) {
    m_statusFolder = folder;
    if (folder.isEmpty()) {
        m_status->setText(text.toHtmlEscaped());
        return;
    }
    // The folder's name is the link that opens it.
    const QString shown = homeAbbreviated(folder);
    QString html = text.toHtmlEscaped();
    const QString escaped = shown.toHtmlEscaped();
    const qsizetype at = html.indexOf(escaped);
    if (at >= 0)
        html.replace(at, escaped.size(), QStringLiteral("<a href=\"folder\">%1</a>").arg(escaped));
    m_status->setText(html);
}

void ChromeController::showReport(const OperationReport& report, const QString& folder) {
    QStringList written = report.written;
    written.removeDuplicates();
    showMessage(reportStatusText(report, folder), written.isEmpty() ? QString() : folder);
}

void ChromeController::showExport(const QString& path) {
    if (path.isEmpty()) {
        showMessage(tr("Nothing exported"));
        return;
    }
    const QString folder = QFileInfo(path).absolutePath();
    showMessage(tr("Exported %1 to %2").arg(QFileInfo(path).fileName(), homeAbbreviated(folder)),
                folder);
}
