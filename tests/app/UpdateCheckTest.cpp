#include "GuiTestSupport.h"
#include "TileServer.h"
#include "app/NetworkUpdateFetcher.h"
#include "app/PRUpdateController.h"
#include "app/UpdateFetcher.h"
#include "app/UpdateWindows.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSignalSpy>

Q_DECLARE_METATYPE(PRUpdateController::Outcome)
Q_DECLARE_METATYPE(TileServer::Answer)

namespace {

QByteArray versionFile(const QString& latest, const QString& notes) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\"><dict>"
                          "<key>lastestVersion</key><string>%1</string>"
                          "<key>WhatsNew</key><string>%2</string>"
                          "</dict></plist>\n")
        .arg(latest, notes)
        .toUtf8();
}

TileServer::Answer ok(const QByteArray& body, bool sendLength = true) {
    TileServer::Answer answer;
    answer.contentType = "application/xml";
    answer.body = body;
    answer.sendLength = sendLength;
    return answer;
}

const QString VersionPath = QStringLiteral("/product/orvicamVersion.plist");

} // namespace

// The update check against a server on the loopback address: what the user
// is shown for each answer the server can give.
class UpdateCheckTest : public QObject {
    Q_OBJECT

private:
    struct Check {
        PRUpdateController::Outcome outcome;
        QString error;
    };
    Check run(PRUpdateController& controller, bool userAsked) {
        QSignalSpy finished(&controller, &PRUpdateController::checkFinished);
        controller.checkServerVersion(userAsked);
        if (finished.isEmpty())
            finished.wait(5000);
        if (finished.size() != 1)
            return {PRUpdateController::Outcome::None, QStringLiteral("no answer")};
        return {controller.lastOutcome(), controller.lastError()};
    }

private Q_SLOTS:
    void init() { QSettings().remove(QStringLiteral("updateURL")); }

    void versionsCompareByTheirNumbers_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("newer");
        QTest::newRow("last component") << "1.2.3"
                                        << "1.2.2" << true;
        QTest::newRow("10 after 9") << "1.10"
                                    << "1.9" << true;
        QTest::newRow("1.2.10 before 1.3") << "1.2.10"
                                           << "1.3" << false;
        QTest::newRow("1.3 after 1.2.10") << "1.3"
                                          << "1.2.10" << true;
        QTest::newRow("2.0 after 1.9.9") << "2.0"
                                         << "1.9.9" << true;
        QTest::newRow("1.9.9 before 2.0") << "1.9.9"
                                          << "2.0" << false;
        QTest::newRow("equal") << "1.2.3"
                               << "1.2.3" << false;
        QTest::newRow("missing component is 0") << "1.2.0"
                                                << "1.2" << false;
        QTest::newRow("extra component") << "1.2.1"
                                         << "1.2" << true;
        QTest::newRow("leading zeros") << "01.02"
                                       << "1.2" << false;
        QTest::newRow("beyond 64 bits") << "123456789012345678901234.0"
                                        << "99.0" << true;
        QTest::newRow("not a number") << "1.x"
                                      << "1.0" << false;
        QTest::newRow("empty") << ""
                               << "0" << false;
        QTest::newRow("against no number") << "2.0"
                                           << "beta" << false;
    }
    void versionsCompareByTheirNumbers() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, newer);
        QCOMPARE(PRUpdateController::CompareOneString(a, b), newer);
    }

    void eachAnswerOfTheServerIsToldPlainly_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<TileServer::Answer>("answer");
        QTest::addColumn<PRUpdateController::Outcome>("outcome");
        QTest::addColumn<QString>("error"); // a part of the message shown
        using O = PRUpdateController::Outcome;
        const QByteArray oversize = versionFile(QStringLiteral("9.0"), QString(70000, 'x'));
        TileServer::Answer notFound;
        notFound.status = 404;
        notFound.reason = "Not Found";
        notFound.body = "<html>no such file</html>";
        TileServer::Answer away;
        away.status = 302;
        away.reason = "Found";
        away.headers = "Location: http://example.org/product/orvicamVersion.plist\r\n";
        TileServer::Answer silent;
        silent.silent = true;
        QTest::newRow("newer") << "1.9.9" << ok(versionFile("2.0", "One.*Two.")) << O::Newer << "";
        QTest::newRow("equal") << "1.2.3" << ok(versionFile("1.2.3", "")) << O::NotNewer << "";
        QTest::newRow("older") << "1.10" << ok(versionFile("1.9", "")) << O::NotNewer << "";
        QTest::newRow("malformed body") << "1.0" << ok("<html><body>Welcome</body></html>")
                                        << O::Failed << "the version file cannot be read";
        QTest::newRow("no version in it") << "1.0" << ok(versionFile("soon", "")) << O::Failed
                                          << "the version file names no version";
        QTest::newRow("oversize, with its length")
            << "1.0" << ok(oversize) << O::Failed << "larger than 64 KB";
        QTest::newRow("oversize, without a length")
            << "1.0" << ok(oversize, false) << O::Failed << "larger than 64 KB";
        QTest::newRow("64 KB exactly is read")
            << "1.0" << ok(versionFile("1.0", QString(65536 - versionFile("1.0", "").size(), 'x')))
            << O::NotNewer << "";
        QTest::newRow("404") << "1.0" << notFound << O::Failed
                             << "the server answered 404 Not Found";
        QTest::newRow("redirect to plain HTTP")
            << "1.0" << away << O::Failed
            << "the server redirected the check, and "
               "http://example.org/product/orvicamVersion.plist "
               "is not an HTTPS address";
        QTest::newRow("timeout") << "1.0" << silent << O::Failed
                                 << "the server did not answer within 0.5 seconds";
    }
    void eachAnswerOfTheServerIsToldPlainly() {
        QFETCH(QString, current);
        QFETCH(TileServer::Answer, answer);
        QFETCH(PRUpdateController::Outcome, outcome);
        QFETCH(QString, error);
        TileServer server(Qt::white);
        server.setAnswer(answer);
        QSettings().setValue(QStringLiteral("updateURL"), server.url(VersionPath));
        NetworkUpdateFetcher fetcher(NetworkUpdateFetcher::Limits{500, 64 * 1024});
        PRUpdateController controller(fetcher, current);

        const Check check = run(controller, true);
        QCOMPARE(check.outcome, outcome);
        QCOMPARE(server.paths(), QStringList{VersionPath});
        QCOMPARE(controller.updateWindow()->isVisible(), outcome == O_Newer());
        QCOMPARE(controller.noUpdateWindow()->isVisible(),
                 outcome == PRUpdateController::Outcome::NotNewer);
        QCOMPARE(controller.failureMessage() != nullptr, !error.isEmpty());
        if (!error.isEmpty()) {
            QVERIFY2(check.error.contains(error), qPrintable(check.error));
            QVERIFY(controller.failureMessage()->isVisible());
            QVERIFY(controller.failureMessage()->informativeText().contains(error.mid(1),
                                                                            Qt::CaseInsensitive));
        }
    }

    void aNewerVersionIsOfferedInTheWordsOfTheWindow() {
        TileServer server(Qt::white);
        server.setAnswer(ok(versionFile("2.0", "Faster export.*Fewer crashes.")));
        QSettings().setValue(QStringLiteral("updateURL"), server.url(VersionPath));
        NetworkUpdateFetcher fetcher;
        PRUpdateController controller(fetcher, QStringLiteral("1.9.9"));
        QCOMPARE(run(controller, true).outcome, PRUpdateController::Outcome::Newer);
        UpdateWindow* window = controller.updateWindow();
        QCOMPARE(window->newversionlab->text(),
                 QStringLiteral("Quillmar Tessaview 2.0 is available."));
        QCOMPARE(window->currentversionlab->text(),
                 QStringLiteral("You are using 1.9.9 version. Would you like to download it now?"));
        QCOMPARE(window->whatsnewContentView->toPlainText(),
                 QStringLiteral("Faster export.\nFewer crashes."));
        QCOMPARE(controller.lastestVersion, QStringLiteral("2.0"));
        controller.ClickNotNowAction();
        QVERIFY(!window->isVisible());
    }

    void aCheckTheUserDidNotAskForStaysQuiet_data() {
        QTest::addColumn<TileServer::Answer>("answer");
        QTest::addColumn<PRUpdateController::Outcome>("outcome");
        QTest::newRow("same version") << ok(versionFile("1.0", "")) << O_NotNewer();
        QTest::newRow("unreadable") << ok("garbage") << O_Failed();
    }
    void aCheckTheUserDidNotAskForStaysQuiet() {
        QFETCH(TileServer::Answer, answer);
        QFETCH(PRUpdateController::Outcome, outcome);
        TileServer server(Qt::white);
        server.setAnswer(answer);
        QSettings().setValue(QStringLiteral("updateURL"), server.url(VersionPath));
        NetworkUpdateFetcher fetcher;
        PRUpdateController controller(fetcher, QStringLiteral("1.0"));
        QCOMPARE(run(controller, false).outcome, outcome);
        QVERIFY(!controller.noUpdateWindow()->isVisible());
        QVERIFY(!controller.updateWindow()->isVisible());
        QVERIFY(controller.failureMessage() == nullptr);
    }

    void onlyHttpsLeavesThisComputer_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://example.org/v.plist" << true;
        QTest::newRow("http elsewhere") << "http://example.org/v.plist" << false;
        QTest::newRow("http loopback") << "http://127.0.0.1:8080/v.plist" << true;
        QTest::newRow("http localhost") << "http://localhost/v.plist" << true;
        QTest::newRow("http loopback v6") << "http://[::1]/v.plist" << true;
        QTest::newRow("ftp") << "ftp://example.org/v.plist" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("no host") << "https:///v.plist" << false;
    }
    void onlyHttpsLeavesThisComputer() {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        QCOMPARE(allowedUpdateUrl(QUrl(url)).isOk(), allowed);
    }

    void aPlainHttpAddressIsRefusedWithAMessage() {
        QSettings().setValue(QStringLiteral("updateURL"),
                             QStringLiteral("http://example.org/product/orvicamVersion.plist"));
        NetworkUpdateFetcher fetcher;
        PRUpdateController controller(fetcher, QStringLiteral("1.0"));
        const Check check = run(controller, true);
        QCOMPARE(check.outcome, PRUpdateController::Outcome::Failed);
        QCOMPARE(check.error,
                 QStringLiteral("http://example.org/product/orvicamVersion.plist is not an "
                                "HTTPS address"));
        QVERIFY(controller.failureMessage()->isVisible());
    }

    void withoutTheSettingTheBuiltInAddressIsUsed() {
        QCOMPARE(PRUpdateController::versionFileUrl(QSettings()).path(), VersionPath);
        QCOMPARE(PRUpdateController::versionFileUrl(QSettings()).scheme(), QStringLiteral("https"));
    }

private:
    static PRUpdateController::Outcome O_Newer() { return PRUpdateController::Outcome::Newer; }
    static PRUpdateController::Outcome O_NotNewer() {
        return PRUpdateController::Outcome::NotNewer;
    }
    static PRUpdateController::Outcome O_Failed() { return PRUpdateController::Outcome::Failed; }
};

int main(int argc, char** argv) {
    return runGuiTests<UpdateCheckTest>(argc, argv);
}

#include "UpdateCheckTest.moc"
