#pragma once

#include "app/UpdateWindows.h"
#include "metadata/Result.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QSettings;
class QWidget;
class UpdateFetcher;

// Asks the server for the newest version and offers it when it is newer
// than the one running.
class PRUpdateController : public QObject {
    Q_OBJECT
public:
    enum class Outcome { None, Newer, NotNewer, Failed };

    // Its windows open over parent; it belongs to whoever made it.
    PRUpdateController(UpdateFetcher& fetcher, QString currentVersion, QWidget* parent = nullptr);
    ~PRUpdateController() override;

    // The version file: the "updateURL" setting when it names one, else the
    // address the application was built with.
    static QUrl versionFileUrl(const QSettings& settings);
    // True when a names a newer version than b, component by component as
    // numbers ("2.0" is newer than "1.9.9", "1.10" than "1.9"). A text that
    // is not a dotted number is never newer.
    static bool CompareOneString(const QString& a, const QString& b);
    static bool isVersionText(const QString& text);
    // The version file's two entries, or why it cannot serve.
    struct VersionFile {
        QString lastestVersion;
        QString whatsNew;
    };
    static Result<VersionFile> readVersionFile(const QByteArray& body);

    // Starts a check; userAsked says whether its failures are shown.
    void checkServerVersion(bool userAsked);
    void hidUpdateWindow();
    void ClickNotNowAction();
    void ClickGoDownloadAction();
    void ClickOkAction();

    QString currentVersion;
    QString lastestVersion;
    QString whatsnewString;
    bool checkUpdate = false;

    UpdateWindow* updateWindow() const { return m_updateWindow.data(); }
    NoUpdateWindow* noUpdateWindow() const { return m_noUpdateWindow.data(); }
    // The message of the last failure the user was shown, while it is open.
    QMessageBox* failureMessage() const { return m_failure; }
    Outcome lastOutcome() const { return m_outcome; }
    QString lastError() const { return m_error; }

Q_SIGNALS:
    void checkFinished(PRUpdateController::Outcome outcome);

private:
    void onFetched(const Result<QByteArray>& body);
    void fail(const QString& why);
    void finishWith(Outcome outcome);

    UpdateFetcher& m_fetcher;
    QWidget* m_parent;
    QPointer<UpdateWindow> m_updateWindow;
    QPointer<NoUpdateWindow> m_noUpdateWindow;
    QPointer<QMessageBox> m_failure;
    Outcome m_outcome = Outcome::None;
    QString m_error;
};
