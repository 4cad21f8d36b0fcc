#include "editing/DateStamp.h"
#include "metadata/AtomicFile.h"
#include "metadata/engine/MetadataLibrary.h"
#include "support/StampInk.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

#include <gtest/gtest.h>

namespace {

const QString stampFont = QStringLiteral("DejaVu Sans");
constexpr int stampSize = 40;
// Far from every colour of the test photos in at least one channel.
const QColor stampColour = QColor(255, 0, 255);
// JPEG at quality 95 moves a pixel by less than this; the text by far more.
constexpr int noise = 64;

StampStyle style(StampCorner corner) {
    StampStyle s;
    s.fontName = stampFont;
    s.fontSize = stampSize;
    s.color = stampColour;
    s.corner = corner;
    return s;
}

QFontMetricsF metrics() {
    QFont font(stampFontFamily(stampFont));
    font.setPixelSize(stampSize);
    QImage device(1, 1, QImage::Format_RGB32);
    return QFontMetricsF(font, &device);
}

QSizeF measured(const QString& text) {
    return metrics().size(Qt::TextSingleLine, text);
}

qreal ascent() {
    return metrics().ascent();
}

std::vector<SelectedPhoto> selection(const QStringList& paths) {
    std::vector<SelectedPhoto> photos;
    for (const QString& path : paths)
        photos.emplace_back(int(photos.size()), path, QFileInfo(path).fileName());
    return photos;
}

QString exifDate(const QString& file) {
    return exiftoolRead(file).value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString();
}

struct Stamped {
    TestFolder folder;
    QString input;
    QString storage;
    OperationReport report;
};

// Copies the fixture in, changes it with exiv2 where asked, and stamps it.
void stamp(Stamped& run, const QString& fixture, const QString& as, StampCorner corner,
           const QStringList& exiv2Changes = {}) {
    run.input = run.folder.copyPhoto(fixture, as);
    for (const QString& change : exiv2Changes)
        runTool(QStringLiteral("exiv2"), {QStringLiteral("-M") + change, run.input});
    run.storage = run.folder.file(QStringLiteral("storage"));
    QDir().mkpath(run.storage);
    run.report = runDateStamp(selection({run.input}), run.storage, style(corner), workerService());
}

} // namespace

TEST(DateStamp, eachCornerPutsTheTextWhereItsRectangleSays) {
    const struct {
        StampCorner corner;
        const char* title;
    } cases[] = {
        {StampCorner::LowerLeft, "Lower left corner"},
        {StampCorner::LowerRight, "Lower right corner"},
        {StampCorner::UpperLeft, "Upper left corner"},
        {StampCorner::UpperRight, "Upper right corner"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        Stamped run;
        stamp(run, QStringLiteral("DSCN0010.jpg"), QString(), c.corner);
        ASSERT_EQ(run.report.written.size(), 1);
        const QString output = run.report.written.first();
        const QImage photo = uprightDecode(run.input);
        const QImage stamped = uprightDecode(output);
        ASSERT_EQ(stamped.size(), QSize(640, 480));
        const QString text = exifDate(run.input);
        EXPECT_EQ(text, QStringLiteral("2008:10:22 16:28:39"));
        const QRectF expected =
            expectedTextBox(QLatin1String(c.title), QSizeF(photo.size()), measured(text));
        const InkBox ink = inkBox(photo, stamped, noise);
        EXPECT_TRUE(inkFitsTextBox(ink.box, expected, ascent()))
            << "ink " << ink.box.x() << "," << ink.box.y() << " " << ink.box.width() << "x"
            << ink.box.height() << "; text " << expected.x() << "," << expected.y() << " "
            << expected.width() << "x" << expected.height();
        // The ink is the chosen colour.
        int inChosenColour = 0;
        for (int y = ink.box.top(); y <= ink.box.bottom(); ++y) {
            for (int x = ink.box.left(); x <= ink.box.right(); ++x) {
                const QRgb p = stamped.pixel(x, y);
                inChosenColour += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) > 200;
            }
        }
        EXPECT_GT(inChosenColour, ink.pixels / 4);
    }
}

TEST(DateStamp, aRotatedPhotoIsStampedAsPeopleSeeItAndWrittenUpright) {
    Stamped run;
    stamp(run, QStringLiteral("DSCN0010.jpg"), QStringLiteral("turned.jpg"), StampCorner::UpperLeft,
          {QStringLiteral("set Exif.Image.Orientation 6")});
    ASSERT_EQ(exiftoolRead(run.input).value(QStringLiteral("IFD0:Orientation")).toInt(), 6);
    ASSERT_EQ(run.report.written.size(), 1);
    const QString output = run.report.written.first();
    const QJsonObject tags = exiftoolRead(output);
    EXPECT_EQ(tags.value(QStringLiteral("File:ImageWidth")).toInt(), 480);
    EXPECT_EQ(tags.value(QStringLiteral("File:ImageHeight")).toInt(), 640);
    const QJsonValue orientation = tags.value(QStringLiteral("IFD0:Orientation"));
    EXPECT_TRUE(orientation.isUndefined() || orientation.toInt() == 1);

    // Read as stored, without turning: the pixels themselves stand upright,
    // and the text lies in their upper-left corner.
    QImageReader raw(output);
    raw.setAutoTransform(false);
    const QImage stamped = raw.read();
    const QImage upright = uprightDecode(run.input);
    ASSERT_EQ(stamped.size(), upright.size());
    const InkBox ink = inkBox(upright, stamped, noise);
    EXPECT_TRUE(
        inkFitsTextBox(ink.box,
                       expectedTextBox(QStringLiteral("Upper left corner"), QSizeF(upright.size()),
                                       measured(QStringLiteral("2008:10:22 16:28:39"))),
                       ascent()));
    // Nothing but the text differs: a sideways stamp would differ everywhere.
    EXPECT_LT(ink.pixels, ink.box.width() * ink.box.height());
}

TEST(DateStamp, eachOutputIsEncodedAsItsNameSaysWithThePhotosPixelSize) {
    const struct {
        const char* fixture;
        const char* as;
        const char* output;
        QByteArray magic;
        const char* fileType;
        bool renamed;
    } cases[] = {
        {"Canon_40D.jpg", "IMG_0001.JPG", "IMG_0001.JPG", QByteArray("\xff\xd8\xff", 3), "JPEG",
         false},
        {"photo.png", "", "photo.png", QByteArray("\x89PNG", 4), "PNG", false},
        {"Arbitro.tiff", "", "Arbitro.tiff", QByteArray("II*\0", 4), "TIFF", false},
        {"photo.webp", "", "photo.webp", QByteArray("RIFF", 4), "WEBP", false},
        // Qt reads GIF but cannot write it.
        {"photo.png", "animation.gif", "animation.jpg", QByteArray("\xff\xd8\xff", 3), "JPEG",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.as[0] ? c.as : c.fixture);
        TestFolder folder;
        QString input = folder.copyPhoto(QLatin1String(c.fixture), QLatin1String(c.as));
        if (QByteArray(c.as).endsWith(".gif")) {
            // A real GIF made of the fixture.
            const QString gif = folder.file(QStringLiteral("made.gif"));
            runTool(QStringLiteral("convert"), {input, gif});
            QFile::remove(input);
            QFile::rename(gif, input);
        }
        const QString storage = folder.file(QStringLiteral("storage"));
        QDir().mkpath(storage);
        const QByteArray before = fileBytes(input);
        const OperationReport report = runDateStamp(
            selection({input}), storage, style(StampCorner::LowerRight), workerService());
        const QString output = storage + QLatin1Char('/') + QLatin1String(c.output);
        ASSERT_EQ(report.written, QStringList{output});
        EXPECT_TRUE(fileBytes(output).startsWith(c.magic));
        const QJsonObject tags = exiftoolRead(output);
        EXPECT_EQ(tags.value(QStringLiteral("File:FileType")).toString(),
                  QLatin1String(c.fileType));
        EXPECT_EQ(QImageReader(output).size(), QImageReader(input).size());
        // A photo written as JPEG is not written under another name: it says so.
        EXPECT_TRUE(report.renamed.isEmpty());
        ASSERT_EQ(report.remarked.size(), c.renamed ? 1 : 0);
        if (c.renamed) {
            EXPECT_EQ(report.remarked[0].path, input);
            EXPECT_TRUE(report.remarked[0].reason.contains(output));
        }
        // No metadata set of the source is carried over; the source is untouched.
        for (auto it = tags.begin(); it != tags.end(); ++it) {
            for (const char* group : {"ExifIFD:", "GPS:", "IPTC:", "XMP-"})
                EXPECT_FALSE(it.key().startsWith(QLatin1String(group))) << qPrintable(it.key());
        }
        EXPECT_EQ(fileBytes(input), before);
    }
}

// Qt cannot decode HEIF here: the metadata worker decodes it, upright, and
// the copy is a JPEG under the photo's base name.
TEST(DateStamp, aHeifPhotoIsDecodedByTheWorkerAndWrittenAsJpeg) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("IMG_5195.HEIC"));
    const QString storage = folder.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    const OperationReport report =
        runDateStamp(selection({input}), storage, style(StampCorner::LowerRight), workerService());
    const QString output = storage + QStringLiteral("/IMG_5195.jpg");
    ASSERT_EQ(report.written, QStringList{output});
    ASSERT_EQ(report.remarked.size(), 1);
    EXPECT_TRUE(fileBytes(output).startsWith(QByteArray("\xff\xd8\xff", 3)));
    // The size the file says its image has, as shown.
    const auto properties = workerService().readProperties(input);
    ASSERT_TRUE(properties.isOk());
    EXPECT_EQ(QImageReader(output).size(),
              QSize(properties->dictionary.value(QStringLiteral("PixelWidth")).toInt(),
                    properties->dictionary.value(QStringLiteral("PixelHeight")).toInt()));
}

TEST(DateStamp, aJpegCopyIsAtQuality95) {
    Stamped run;
    stamp(run, QStringLiteral("Nikon_D70.jpg"), QString(), StampCorner::LowerLeft);
    ASSERT_EQ(run.report.written.size(), 1);
    EXPECT_EQ(runTool(QStringLiteral("identify"),
                      {QStringLiteral("-format"), QStringLiteral("%Q"), run.report.written.first()})
                  .trimmed(),
              QStringLiteral("95"));
}

TEST(DateStamp, aSecondRunStampsTheWorkingCopyAndReplacesIt) {
    Stamped run;
    stamp(run, QStringLiteral("DSCN0010.jpg"), QString(), StampCorner::LowerLeft);
    const QString output = run.storage + QStringLiteral("/DSCN0010.jpg");
    const QImage first = uprightDecode(output);
    const QString firstText = stampDateText(workerService(), output);
    const OperationReport second = runDateStamp(selection({run.input}), run.storage,
                                                style(StampCorner::UpperRight), workerService());
    EXPECT_EQ(second.written, QStringList{output});
    EXPECT_TRUE(second.renamed.isEmpty());
    EXPECT_EQ(QDir(run.storage).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("DSCN0010.jpg")});
    const InkBox ink = inkBox(first, uprightDecode(output), noise);
    EXPECT_TRUE(inkFitsTextBox(ink.box,
                               expectedTextBox(QStringLiteral("Upper right corner"),
                                               QSizeF(first.size()), measured(firstText)),
                               ascent()));
}

TEST(DateStamp, photosThatCannotBeDecodedAreNamedWithTheirReasons) {
    TestFolder folder;
    const QString good = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    // A HEIF cut short: its boxes read, its image data is gone.
    const QString heic =
        folder.writeFile(QStringLiteral("cut.HEIC"),
                         fileBytes(fixturePath(QStringLiteral("IMG_5195.HEIC"))).left(4000));
    const QString broken = folder.writeFile(QStringLiteral("broken.jpg"), "\xff\xd8\xff");
    const QString storage = folder.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    const OperationReport report = runDateStamp(selection({heic, good, broken}), storage,
                                                style(StampCorner::LowerLeft), workerService());
    EXPECT_EQ(report.written, QStringList{storage + QStringLiteral("/DSCN0010.jpg")});
    ASSERT_EQ(report.skipped.size(), 2);
    EXPECT_EQ(report.skipped[0].path, heic);
    EXPECT_EQ(report.skipped[1].path, broken);
    for (const auto& skipped : report.skipped)
        EXPECT_TRUE(skipped.reason.startsWith(QStringLiteral("cannot decode its pixels: ")))
            << qPrintable(skipped.reason);
    EXPECT_EQ(QDir(storage).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("DSCN0010.jpg")});
}

TEST(DateStamp, theDateIsTheOriginalWhenBothExifDatesArePresentElseTheFileCreationDate) {
    const struct {
        const char* fixture;
        QStringList changes;
        bool original;
    } cases[] = {
        {"DSCN0010.jpg", {}, true},
        {"DSCN0010.jpg", {QStringLiteral("del Exif.Photo.DateTimeDigitized")}, false},
        {"DSCN0010.jpg", {QStringLiteral("del Exif.Photo.DateTimeOriginal")}, false},
        {"no_exif.jpg", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture +
                     (c.changes.isEmpty() ? QString() : c.changes.first()).toStdString());
        TestFolder folder;
        const QString path = folder.copyPhoto(QLatin1String(c.fixture));
        for (const QString& change : c.changes)
            runTool(QStringLiteral("exiv2"), {QStringLiteral("-M") + change, path});
        const QString expected =
            c.original
                ? QStringLiteral("2008:10:22 16:28:39")
                : QFileInfo(path).birthTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_EQ(stampDateText(workerService(), path), expected);
    }
}

TEST(DateStamp, anOriginalInTheStorageFolderIsReplacedInPlaceAndOneOutsideNeverWritten) {
    TestFolder folder;
    const QString storage = folder.file(QStringLiteral("storage"));
    QDir().mkpath(storage);
    const QString outside = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    const QString inside =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("storage/DSCN0010.jpg"));
    const QByteArray outsideBefore = fileBytes(outside);
    const QByteArray insideBefore = fileBytes(inside);
    const OperationReport report = runDateStamp(selection({outside, inside}), storage,
                                                style(StampCorner::LowerLeft), workerService());
    EXPECT_EQ(report.written.size(), 2);
    EXPECT_EQ(fileBytes(outside), outsideBefore);
    EXPECT_NE(fileBytes(inside), insideBefore);
    EXPECT_TRUE(QImageReader(inside).canRead());
}

TEST(DateStamp, theCornerTitlesAndNamesReadBack) {
    for (StampCorner corner : {StampCorner::UpperLeft, StampCorner::UpperRight,
                               StampCorner::LowerLeft, StampCorner::LowerRight})
        EXPECT_EQ(stampCornerOfTitle(stampCornerTitle(corner)), corner);
    EXPECT_EQ(stampCornerOfTitle(QStringLiteral("Middle")), StampCorner::Other);
    EXPECT_EQ(stampCornerOfName(QStringLiteral("upper-right")), StampCorner::UpperRight);
    EXPECT_FALSE(stampCornerOfName(QStringLiteral("Upper right corner")));
    // Any other title: the fixed rectangle near the lower-left corner.
    EXPECT_EQ(stampTextRect(StampCorner::Other, QSizeF(640, 480), QSizeF(100, 20)),
              QRectF(50, 480 - 30 - 20, 400, 20));
    // Nothing measured: the wide rectangles.
    EXPECT_EQ(stampTextRect(StampCorner::UpperRight, QSizeF(640, 480), QSizeF(0, 0)),
              QRectF(240, 0, 400, 50));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    initialiseMetadataLibrary();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
