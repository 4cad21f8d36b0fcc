#include "app/PRUpdateController.h"

#include "app/BuildSettings.h"
#include "app/UpdateFetcher.h"
#include "app/UpdateWindows.h"
#include "templates/PropertyListCodec.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>

namespace {

// The components of a dotted version without leading zeros, so that they
// compare as numbers of any length: by their digit count, then by digits.
QStringList components(const QString& text) {
    QStringList parts = text.trimmed().split(QLatin1Char('.'));
    for (QString& part : parts) {
        while (part.size() > 1 && part.startsWith(QLatin1Char('0')))
            part.remove(0, 1);
    }
    return parts;
}

int compareComponent(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return QString::compare(a, b);
}

} // namespace

PRUpdateController::PRUpdateController(UpdateFetcher& fetcher, QString version, QWidget* parent)
    : currentVersion(std::move(version)), m_fetcher(fetcher), m_parent(parent),
      m_updateWindow(new UpdateWindow(parent)), m_noUpdateWindow(new NoUpdateWindow(parent)) {
    connect(m_updateWindow->notNowButton, &QPushButton::clicked, this,
            &PRUpdateController::ClickNotNowAction);
    connect(m_updateWindow->downloadButton, &QPushButton::clicked, this,
            &PRUpdateController::ClickGoDownloadAction);
    connect(m_noUpdateWindow->okButton, &QPushButton::clicked, this,
            &PRUpdateController::ClickOkAction);
}

PRUpdateController::~PRUpdateController() {
    delete m_updateWindow;
    delete m_noUpdateWindow;
    delete m_failure;
}

QUrl PRUpdateController::versionFileUrl(const QSettings& settings) {
    const QString chosen = settings.value(QStringLiteral("updateURL")).toString().trimmed();
    return QUrl(chosen.isEmpty() ? BuildSettings::updateUrl() : chosen);
}

bool PRUpdateController::isVersionText(const QString& text) {
    static const QRegularExpression dotted(QStringLiteral("^\\s*\\d+(\\.\\d+)*\\s*$"));
    return dotted.match(text).hasMatch();
}

bool PRUpdateController::CompareOneString(const QString& a, const QString& b) {
    if (!isVersionText(a) || !isVersionText(b))
        return false;
    const QStringList left = components(a);
    const QStringList right = components(b);
    // A missing component counts as 0: 1.2 and 1.2.0 are the same version.
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const int order = compareComponent(left.value(i, QStringLiteral("0")),
                                           right.value(i, QStringLiteral("0")));
        if (order != 0)
            return order > 0;
    }
    return false;
}

Result<PRUpdateController::VersionFile>
PRUpdateController::readVersionFile(const QByteArray& body) {
    const Result<QVariantMap> root = readPropertyListDictionary(body);
    if (!root)
        return Result<VersionFile>::fail(
            QStringLiteral("the version file cannot be read: %1").arg(root.error()));
    const QVariant latest = root->value(QStringLiteral("lastestVersion"));
    if (latest.typeId() != QMetaType::QString || !isVersionText(latest.toString()))
        return Result<VersionFile>::fail(
            QStringLiteral("the version file names no version the application understands"));
    VersionFile file;
    file.lastestVersion = latest.toString().trimmed();
    file.whatsNew = root->value(QStringLiteral("WhatsNew")).toString();
    return Result<VersionFile>::ok(file);
}

void PRUpdateController::checkServerVersion(bool userAsked) {
    if (m_fetcher.isFetching()) {
        // The running check answers for both; it speaks up if either asked.
        checkUpdate = checkUpdate || userAsked;
        return;
    }
    checkUpdate = userAsked;
    QSettings settings;
    m_fetcher.fetch(versionFileUrl(settings),
                    [this](const Result<QByteArray>& body) { onFetched(body); });
}

void PRUpdateController::onFetched(const Result<QByteArray>& body) {
    if (!body)
        return fail(body.error());
    const Result<VersionFile> file = readVersionFile(body.value());
    if (!file)
        return fail(file.error());
    lastestVersion = file->lastestVersion;
    whatsnewString = file->whatsNew;
    if (CompareOneString(lastestVersion, currentVersion)) {
        m_updateWindow->newversionlab->setText(
            tr("Quillmar Tessaview %1 is available.").arg(lastestVersion));
        m_updateWindow->currentversionlab->setText(
            tr("You are using %1 version. Would you like to download it now?").arg(currentVersion));
        QString notes = whatsnewString;
        notes.replace(QLatin1Char('*'), QLatin1Char('\n'));
        m_updateWindow->whatsnewContentView->setPlainText(notes);
        m_updateWindow->show();
        m_updateWindow->raise();
        m_updateWindow->activateWindow();
        return finishWith(Outcome::Newer);
    }
    if (checkUpdate) {
        m_noUpdateWindow->messageLabel->setText(
            tr("Tessaview %1 is the newest version.").arg(currentVersion));
        m_noUpdateWindow->show();
        m_noUpdateWindow->raise();
        m_noUpdateWindow->activateWindow();
    }
    finishWith(Outcome::NotNewer);
}

void PRUpdateController::fail(const QString& why) {
    m_error = why;
    qWarning("Update check failed: %s", qPrintable(why));
    if (checkUpdate) {
        delete m_failure;
        m_failure = new QMessageBox(QMessageBox::Warning, tr("Software Update"),
                                    tr("Tessaview could not check for a newer version."),
                                    QMessageBox::Ok, m_parent);
        m_failure->setInformativeText(why.left(1).toUpper() + why.mid(1) + QLatin1Char('.'));
        m_failure->setAttribute(Qt::WA_DeleteOnClose);
        m_failure->open();
    }
    finishWith(Outcome::Failed);
}

void PRUpdateController::finishWith(Outcome outcome) {
    m_outcome = outcome;
    if (outcome != Outcome::Failed)
        m_error.clear();
    Q_EMIT checkFinished(outcome);
}

void PRUpdateController::hidUpdateWindow() {
    m_updateWindow->hide();
}

void PRUpdateController::ClickNotNowAction() {
    m_updateWindow->hide();
}

void PRUpdateController::ClickGoDownloadAction() {
    QDesktopServices::openUrl(QUrl(BuildSettings::productUrl()));
}

void PRUpdateController::ClickOkAction() {
    m_noUpdateWindow->hide();
}
