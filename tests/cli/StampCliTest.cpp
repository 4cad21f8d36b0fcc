#include "support/StampInk.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

struct StampRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool with its settings in the given folder, as the window keeps them.
StampRun stampCli(const QStringList& arguments, const QString& config) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TV_CLI_BINARY), QStringList{QStringLiteral("stamp")} + arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the tool must never crash";
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void storeSettings(const QString& config, const QString& font, int size, const QString& corner) {
    QSettings store(config + QStringLiteral("/Tessaview/Tessaview.conf"), QSettings::IniFormat);
    store.setValue(QStringLiteral("fontName"), font);
    store.setValue(QStringLiteral("fontsize"), size);
    store.setValue(QStringLiteral("Postion"), corner);
    store.sync();
}

QRectF textBox(const QString& corner, const QSize& image, const QString& text, int size,
               qreal* ascent) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    QImage device(1, 1, QImage::Format_RGB32);
    const QFontMetricsF metrics(font, &device);
    *ascent = metrics.ascent();
    return expectedTextBox(corner, QSizeF(image), metrics.size(Qt::TextSingleLine, text));
}

} // namespace

TEST(CliStamp, theStoredSettingsAreTheDefaultsAndTheOptionsOverrideThem) {
    TestFolder folder;
    const QString config = folder.file(QStringLiteral("config"));
    storeSettings(config, QStringLiteral("DejaVu Sans"), 30, QStringLiteral("Upper right corner"));
    const QString input = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString date = QStringLiteral("2008:10:22 16:28:39");
    int run = 0;
    const struct {
        QStringList options;
        const char* corner;
        int size;
        QRgb colour;
    } cases[] = {
        {{}, "Upper right corner", 30, qRgb(255, 255, 255)},
        {{QStringLiteral("--corner"), QStringLiteral("lower-left"), QStringLiteral("--size"),
          QStringLiteral("44"), QStringLiteral("--color"), QStringLiteral("#FF00FF")},
         "Lower left corner",
         44,
         qRgb(255, 0, 255)},
        {{QStringLiteral("--font"), QStringLiteral("DejaVu Sans"), QStringLiteral("--corner"),
          QStringLiteral("lower-right"), QStringLiteral("--color"), QStringLiteral("#000000")},
         "Lower right corner",
         30,
         qRgb(0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.corner);
        // A folder each: a stamp in one folder would build on the one before.
        const QString out = folder.file(QStringLiteral("out%1").arg(++run));
        const QString output = out + QStringLiteral("/DSCN0010.jpg");
        const StampRun result =
            stampCli(c.options + QStringList{QStringLiteral("--out"), out, input}, config);
        ASSERT_EQ(result.exitCode, 0) << qPrintable(result.err);
        EXPECT_TRUE(result.err.isEmpty()) << qPrintable(result.err);
        const QImage photo = uprightDecode(input);
        const QImage stamped = uprightDecode(output);
        const InkBox ink = inkBox(photo, stamped, 64);
        qreal ascent = 0;
        const QRectF text = textBox(QLatin1String(c.corner), photo.size(), date, c.size, &ascent);
        EXPECT_TRUE(inkFitsTextBox(ink.box, text, ascent))
            << ink.box.x() << "," << ink.box.y() << " " << ink.box.width() << "x"
            << ink.box.height() << " vs " << text.x() << "," << text.y();
        // The glyphs' middle pixels are the chosen colour.
        int inColour = 0;
        for (int y = ink.box.top(); y <= ink.box.bottom(); ++y) {
            for (int x = ink.box.left(); x <= ink.box.right(); ++x) {
                const QRgb p = stamped.pixel(x, y);
                inColour += std::abs(qRed(p) - qRed(c.colour)) < 40 &&
                            std::abs(qGreen(p) - qGreen(c.colour)) < 40 &&
                            std::abs(qBlue(p) - qBlue(c.colour)) < 40;
            }
        }
        EXPECT_GT(inColour, ink.pixels / 5);
    }
}

TEST(CliStamp, aDryRunWritesNothingAndSaysWhatItWouldWrite) {
    TestFolder folder;
    const QString config = folder.file(QStringLiteral("config"));
    const QString jpeg = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString notes = folder.writeFile(QStringLiteral("notes.jpg"), "shopping list");
    const QString out = folder.file(QStringLiteral("out"));
    const StampRun run =
        stampCli({QStringLiteral("--dry-run"), QStringLiteral("--out"), out, jpeg, notes}, config);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(out));
    const QJsonObject line = QJsonDocument::fromJson(run.out.trimmed().toUtf8()).object();
    EXPECT_EQ(line.value(QStringLiteral("file")).toString(), jpeg);
    EXPECT_EQ(line.value(QStringLiteral("output")).toString(),
              out + QStringLiteral("/DSCN0010.jpg"));
    EXPECT_EQ(line.value(QStringLiteral("format")).toString(), QStringLiteral("jpeg"));
    EXPECT_EQ(line.value(QStringLiteral("text")).toString(), QStringLiteral("2008:10:22 16:28:39"));
    EXPECT_EQ(run.err.trimmed(),
              notes + QStringLiteral(": cannot decode its pixels: Unsupported image format"));
}

TEST(CliStamp, skippedAndRenamedPhotosAreNamedOnStandardError) {
    TestFolder folder;
    const QString config = folder.file(QStringLiteral("config"));
    const QString png = folder.copyPhoto(QStringLiteral("photo.png"));
    const QString gif = folder.file(QStringLiteral("still.gif"));
    runTool(QStringLiteral("convert"), {png, gif});
    const QString broken = folder.writeFile(QStringLiteral("broken.jpg"), "\xff\xd8\xff");
    const QString out = folder.file(QStringLiteral("out"));
    const StampRun run = stampCli({QStringLiteral("--out"), out, gif, broken, png}, config);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("photo.png"), QStringLiteral("still.jpg")}));
    EXPECT_TRUE(run.err.contains(gif + QStringLiteral(": written as JPEG to ") + out +
                                 QStringLiteral("/still.jpg")))
        << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(broken + QStringLiteral(": cannot decode its pixels: ")))
        << qPrintable(run.err);
}

TEST(CliStamp, malformedLinesAreUsageErrors) {
    TestFolder folder;
    const QString config = folder.file(QStringLiteral("config"));
    const QString out = folder.file(QStringLiteral("out"));
    const QList<QStringList> misuses = {
        {QStringLiteral("a.jpg")},
        {QStringLiteral("--out"), out},
        {QStringLiteral("--corner"), QStringLiteral("middle"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--size"), QStringLiteral("0"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--size"), QStringLiteral("big"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--color"), QStringLiteral("red"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--color"), QStringLiteral("#12345"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--out"), out,
         QStringLiteral("a.jpg")},
        {QStringLiteral("--out")},
    };
    for (const QStringList& arguments : misuses) {
        const StampRun run = stampCli(arguments, config);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(QLatin1Char(' ')));
        EXPECT_TRUE(run.err.contains(QLatin1String("Usage:"))) << qPrintable(run.err);
    }
    EXPECT_FALSE(QFileInfo::exists(out));
    QProcess help;
    help.start(QStringLiteral(TV_CLI_BINARY), {QStringLiteral("--help")});
    help.waitForFinished();
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    for (const char* word :
         {"stamp", "--corner", "upper-left", "--font", "--size", "--color", "#RRGGBB"})
        EXPECT_TRUE(text.contains(QLatin1String(word))) << word;
}
