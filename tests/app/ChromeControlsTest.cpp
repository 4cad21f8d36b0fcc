#include "GuiTestSupport.h"
#include "app/AboutWindow.h"
#include "app/PRButton.h"
#include "app/PRClosedButton.h"
#include "app/PROpaueView.h"
#include "app/PRProgressView.h"
#include "app/Pictures.h"
#include "app/Plurals.h"

#include <QDirIterator>
#include <QEnterEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>

#include <cmath>
#include <limits>

namespace {

// The names the window asks for, each with its pressed or hovered partner
// where it has one.
const QStringList PictureNames = {
    "Close_Nom.png",     "Close_Down.png",      "Min_Nom.png",        "Resize_Nom.png",
    "titlebarred.png",   "titlebarreddown.png", "titlebaryellow.png", "titlebargreen.png",
    "opendevice.png",    "delete.png",          "downloadphoto.png",  "importphototoedit.png",
    "editphotometa.png", "deletemetadata.png",  "cameraphotonom.png", "cameraphotodown.png",
    "localphotonom.png", "localphotodown.png",  "editnom.png",        "editdown.png",
    "editexifnom.png",   "backnom.png",         "backdown.png",       "templatenom.png",
    "templatedown.png",  "applynom.png",        "applydown.png",      "mainBottomImage.png",
};

bool near(QColor color, int r, int g, int b, int tolerance = 3) {
    return std::abs(color.red() - r) <= tolerance && std::abs(color.green() - g) <= tolerance &&
           std::abs(color.blue() - b) <= tolerance;
}

// What a tool prints on either channel.
QString toolOutput(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAll());
}

QString firstMatch(const QString& text, const QString& pattern) {
    return QRegularExpression(pattern).match(text).captured(1);
}

} // namespace

// The window's own controls: what each button reports, the pictures, the
// progress bar's geometry, the transparent view and the About
// window's facts.
class ChromeControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aButtonReportsAndNeverActsByItself_data() {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("exited");
        QTest::addColumn<int>("down");
        QTest::newRow("pointer enters") << "enter" << 1 << 0 << 0;
        QTest::newRow("pointer leaves") << "leave" << 0 << 1 << 0;
        QTest::newRow("left press") << "press" << 0 << 0 << 1;
        QTest::newRow("left click") << "click" << 0 << 0 << 1;
        QTest::newRow("right click") << "right" << 0 << 0 << 0;
        QTest::newRow("space key") << "space" << 0 << 0 << 1;
        QTest::newRow("return key") << "return" << 0 << 0 << 1;
    }
    void aButtonReportsAndNeverActsByItself() {
        QFETCH(QString, gesture);
        QFETCH(int, entered);
        QFETCH(int, exited);
        QFETCH(int, down);
        PRButton button(QStringLiteral("Open Device"));
        button.resize(100, 30);
        button.show();
        QSignalSpy enteredSpy(&button, &PRButton::mouseEntered);
        QSignalSpy exitedSpy(&button, &PRButton::mouseExited);
        QSignalSpy downSpy(&button, &PRButton::mouseDown);
        QSignalSpy clicked(&button, &QPushButton::clicked);
        QSignalSpy pressed(&button, &QPushButton::pressed);
        if (gesture == QLatin1String("enter")) {
            QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(&button, &event);
        } else if (gesture == QLatin1String("leave")) {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(&button, &event);
        } else if (gesture == QLatin1String("press")) {
            QTest::mousePress(&button, Qt::LeftButton);
            QVERIFY(!button.isDown());
        } else if (gesture == QLatin1String("click")) {
            QTest::mouseClick(&button, Qt::LeftButton);
        } else if (gesture == QLatin1String("right")) {
            QTest::mouseClick(&button, Qt::RightButton);
        } else if (gesture == QLatin1String("space")) {
            QTest::keyClick(&button, Qt::Key_Space);
        } else {
            QTest::keyClick(&button, Qt::Key_Return);
        }
        QCOMPARE(enteredSpy.size(), entered);
        QCOMPARE(exitedSpy.size(), exited);
        QCOMPARE(downSpy.size(), down);
        if (down)
            QCOMPARE(downSpy.first().first().value<PRButton*>(), &button);
        QCOMPARE(clicked.size(), 0);
        QCOMPARE(pressed.size(), 0);
    }

    void theCloseButtonOnlyReportsItsPress() {
        PRClosedButton button;
        button.resize(16, 16);
        button.show();
        QSignalSpy down(&button, &PRClosedButton::mouseDown);
        QSignalSpy clicked(&button, &QPushButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(down.size(), 1);
        QCOMPARE(down.first().first().value<PRClosedButton*>(), &button);
        QCOMPARE(clicked.size(), 0);
    }

    void everyNamedPictureIsSharpAtDoubleScale_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : PictureNames)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyNamedPictureIsSharpAtDoubleScale() {
        QFETCH(QString, name);
        QVERIFY(Pictures::exists(name));
        const QSize size = Pictures::naturalSize(name);
        QVERIFY(!size.isEmpty());
        // Drawn afresh at twice the size, not a small bitmap blown up.
        const QPixmap pixmap = Pictures::icon(name).pixmap(size, 2.0);
        QCOMPARE(pixmap.size(), size * 2);
        const QImage image = pixmap.toImage();
        QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).alpha() == 255);
    }

    void aPressedPictureDiffersFromItsNormalOne_data() {
        QTest::addColumn<QString>("normal");
        QTest::addColumn<QString>("pressed");
        for (const QString& name : PictureNames) {
            const QString pressed = QString(name).replace(QLatin1String("nom.png"), "down.png");
            if (name.endsWith(QLatin1String("nom.png")) && PictureNames.contains(pressed))
                QTest::newRow(qPrintable(name)) << name << pressed;
        }
        QTest::newRow("close") << "Close_Nom.png"
                               << "Close_Down.png";
        QTest::newRow("red") << "titlebarred.png"
                             << "titlebarreddown.png";
    }
    void aPressedPictureDiffersFromItsNormalOne() {
        QFETCH(QString, normal);
        QFETCH(QString, pressed);
        const QImage a = Pictures::icon(normal).pixmap(QSize(32, 32)).toImage();
        const QImage b = Pictures::icon(pressed).pixmap(QSize(32, 32)).toImage();
        QVERIFY(a != b);
    }

    void aMissingPictureLeavesTheText() {
        PRButton button(QStringLiteral("Open Device"));
        button.setPicture(QStringLiteral("nosuchpicture.png"));
        QCOMPARE(button.text(), QStringLiteral("Open Device"));
        QVERIFY(button.icon().isNull());
        QCOMPARE(button.picture(), QStringLiteral("nosuchpicture.png"));
        button.setPicture(QStringLiteral("opendevice.png"));
        QVERIFY(!button.icon().isNull());
        QCOMPARE(button.picture(), QStringLiteral("opendevice.png"));
    }

    void theProgressBarIsWhereItsGeometrySays_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<float>("value");
        QTest::addColumn<QRectF>("bar"); // a null rectangle: the bezel alone
        QTest::newRow("half") << QSizeF(200, 20) << 0.5f << QRectF(2, 1, 96, 16.5);
        QTest::newRow("a hundredth") << QSizeF(200, 20) << 0.01f << QRectF(2, 1, 2, 16.5);
        QTest::newRow("whole") << QSizeF(200, 20) << 1.0f << QRectF(2, 1, 196, 16.5);
        QTest::newRow("nothing yet") << QSizeF(200, 20) << 0.0f << QRectF();
        QTest::newRow("above 1") << QSizeF(200, 20) << 1.5f << QRectF();
        QTest::newRow("negative") << QSizeF(200, 20) << -0.3f << QRectF(2, 1, 2, 16.5);
        QTest::newRow("no number")
            << QSizeF(200, 20) << std::numeric_limits<float>::quiet_NaN() << QRectF();
        QTest::newRow("taller") << QSizeF(100, 30) << 0.25f << QRectF(2, 1, 21, 26.5);
    }
    void theProgressBarIsWhereItsGeometrySays() {
        QFETCH(QSizeF, size);
        QFETCH(float, value);
        QFETCH(QRectF, bar);
        const std::optional<QRectF> drawn = PRProgressView::barRect(size, value);
        QCOMPARE(drawn.has_value(), !bar.isNull());
        if (drawn)
            QCOMPARE(*drawn, bar);
    }

    void theProgressBarPaintsItsFractionOverTheBezel() {
        PRProgressView view;
        view.resize(200, 20);
        view.setProgressValue(0.5f);
        QImage image(200, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view.render(&image);
        // The bar ends at x = 98; its rows run from 2.5 to 19 counted from the top.
        QVERIFY(near(image.pixelColor(50, 10), 231, 232, 233));
        QVERIFY(near(image.pixelColor(96, 10), 231, 232, 233));
        QVERIFY(near(image.pixelColor(100, 10), 168, 168, 168));
        QVERIFY(near(image.pixelColor(150, 10), 168, 168, 168));
        // Counted from the bottom the bar starts 1 up: the lowest row is bezel.
        QVERIFY(near(image.pixelColor(50, 18), 231, 232, 233));
        QVERIFY(near(image.pixelColor(50, 19), 168, 168, 168));
        QVERIFY(near(image.pixelColor(150, 3), 168, 168, 168));
    }

    void theProgressBarFollowsADialogsCount_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::addColumn<float>("fraction");
        QTest::newRow("two of four") << 4 << 2 << 0.5f;
        QTest::newRow("all") << 3 << 3 << 1.0f;
        QTest::newRow("none") << 5 << 0 << 0.0f;
    }
    void theProgressBarFollowsADialogsCount() {
        QFETCH(int, maximum);
        QFETCH(int, value);
        QFETCH(float, fraction);
        PRProgressView view;
        view.setRange(0, maximum);
        view.setValue(value);
        QCOMPARE(view.progressValue(), fraction);
        view.reset();
        QCOMPARE(view.progressValue(), 0.0f);
    }

    void theTransparentViewIsAHole() {
        QWidget parent;
        parent.resize(200, 100);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::red);
        parent.setPalette(palette);
        parent.setAutoFillBackground(true);
        auto* hole = new PROpaueView(&parent);
        hole->setGeometry(50, 25, 100, 50);
        QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::blue);
        parent.render(&image);
        QCOMPARE(image.pixelColor(10, 10), QColor(Qt::red));
        QCOMPARE(image.pixelColor(100, 50).alpha(), 0);
    }

    // Our counted texts read by their count; none says "photo(s)", and each
    // plural the window counts has its singular.
    void countedTextsReadByTheirCount_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one photo") << "%n photos written" << 1 << "1 photo written";
        QTest::newRow("two photos") << "%n photos written" << 2 << "2 photos written";
        QTest::newRow("no photo") << "%n photos written" << 0 << "0 photos written";
        QTest::newRow("were") << "Cancelled: %n photos were left as they were." << 1
                              << "Cancelled: 1 photo was left as it was.";
        QTest::newRow("copies") << "%n working copies could not be moved to the trash." << 1
                                << "1 working copy could not be moved to the trash.";
        QTest::newRow("changes") << "%n changes" << 1 << "1 change";
        QTest::newRow("invariant") << "%n not written" << 1 << "1 not written";
    }
    void countedTextsReadByTheirCount() {
        QFETCH(QString, source);
        QFETCH(int, count);
        QFETCH(QString, shown);
        QCOMPARE(QCoreApplication::translate("CommandRunner", source.toUtf8().constData(), nullptr,
                                             count),
                 shown);
    }
    void everyCountedTextOfOursHasItsForms() {
        // The texts whose words do not change with the count.
        const QStringList invariant = {
            QStringLiteral("and %n more"), QStringLiteral("%n of them under another name"),
            QStringLiteral("%n not written"), QStringLiteral("%n left by the cancel")};
        const QStringList counted = EnglishPlurals::counted();
        const QRegularExpression call(
            QStringLiteral("\\btr\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)"));
        const QRegularExpression piece(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
        const QRegularExpression unsure(QStringLiteral("\\w\\((s|es)\\)"));
        int texts = 0;
        for (const char* room : {"app", "cli", "editing"}) {
            QDirIterator files(QStringLiteral(TV_SOURCE_DIR "/") + QLatin1String(room),
                               {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString path = files.next();
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QString code = QString::fromUtf8(file.readAll());
                for (const auto& m : unsure.globalMatch(code)) {
                    const qsizetype line = code.left(m.capturedStart()).count(QLatin1Char('\n'));
                    // Code such as f(s) is not a text: only inside quotes.
                    const QString text = code.section(QLatin1Char('\n'), int(line), int(line));
                    QVERIFY2(
                        text.count(QLatin1Char('"')) < 2,
                        qPrintable(QStringLiteral("%1:%2: %3").arg(path).arg(line + 1).arg(text)));
                }
                for (const auto& m : call.globalMatch(code)) {
                    QString text;
                    for (const auto& p : piece.globalMatch(m.captured(1)))
                        text += p.captured(1);
                    if (!text.contains(QLatin1String("%n")))
                        continue;
                    ++texts;
                    QVERIFY2(
                        counted.contains(text) || invariant.contains(text),
                        qPrintable(QStringLiteral("%1: \"%2\" has no singular").arg(path, text)));
                }
            }
        }
        QVERIFY(texts >= counted.size());
    }

    void aboutNamesTheLibrariesAsTheyReportThemselves() {
        const QString storage = QStringLiteral("/home/ann/Pictures/R&D <new>");
        const AboutFacts facts = AboutFacts::gather(storage);
        QCOMPARE(facts.version, QStringLiteral(TESSAVIEW_VERSION));
        QMap<QString, QString> versions;
        for (const AboutFacts::Library& library : facts.libraries) {
            QVERIFY(!library.licence.isEmpty());
            versions[library.name] = library.version;
        }
        QCOMPARE(versions.keys(), (QStringList{"Exiv2", "Qt", "libgphoto2", "libheif"}));
        QCOMPARE(versions["Qt"], QString::fromLatin1(qVersion()));
        QCOMPARE(versions["Exiv2"],
                 firstMatch(toolOutput("exiv2", {"--version"}), "exiv2 (\\d+\\.\\d+\\.\\d+)"));
        QCOMPARE(versions["libgphoto2"], firstMatch(toolOutput("gphoto2", {"--version"}),
                                                    "libgphoto2\\s+(\\d+\\.\\d+\\.\\d+)"));
        QCOMPARE(versions["libheif"], firstMatch(toolOutput("heif-info", {"--help"}),
                                                 "libheif version: (\\d+\\.\\d+\\.\\d+)"));
        QCOMPARE(facts.settingsFile, QSettings().fileName());
        const QString html = facts.toHtml();
        QVERIFY(html.contains(QStringLiteral("/home/ann/Pictures/R&amp;D &lt;new&gt;")));
        QVERIFY(html.contains(facts.settingsFile.toHtmlEscaped()));
    }
};

int main(int argc, char** argv) {
    return runGuiTests<ChromeControlsTest>(argc, argv);
}

#include "ChromeControlsTest.moc"
