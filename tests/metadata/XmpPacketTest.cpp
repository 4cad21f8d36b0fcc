#include "metadata/engine/XmpPacket.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/ForeignXmp.h"
#include "support/TestPhotos.h"

#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

// Packets as writers leave them: each property an element, or Adobe's
// compact form with simple values as attributes of one description.
QByteArray writtenBy(const QString& tool, const QStringList& arguments, const TestFolder& folder) {
    const QString sidecar = folder.file(tool + QStringLiteral(".xmp"));
    QFile::remove(sidecar);
    if (tool == QLatin1String("exiftool")) {
        runTool(tool, QStringList{QStringLiteral("-q"), QStringLiteral("-o"), sidecar} + arguments);
    } else {
        const QString photo = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), tool + ".jpg");
        QStringList modify;
        for (const QString& argument : arguments)
            modify << QStringLiteral("-M") << argument;
        runTool(tool, modify + QStringList{photo});
        const QByteArray packet = fileBytes(photo);
        const qsizetype start = packet.indexOf("<?xpacket begin");
        const qsizetype end = packet.indexOf("<?xpacket end", start);
        return packet.mid(start, packet.indexOf("?>", end) + 2 - start);
    }
    return fileBytes(sidecar);
}

} // namespace

TEST(XmpPacket, editsOnlyTheNamedPropertiesAndKeepsTheRestByteForByte) {
    TestFolder folder;
    const QList<std::pair<const char*, QByteArray>> packets = {
        {"elements",
         writtenBy(QStringLiteral("exiftool"),
                   {QStringLiteral("-XMP-dc:Creator=Ann"), QStringLiteral("-XMP-dc:Subject=lake"),
                    QStringLiteral("-XMP-dc:Subject=hills"),
                    QStringLiteral("-XMP-dc:Description-de=See"),
                    QStringLiteral("-XMP-dc:Description=Lake"),
                    QStringLiteral("-XMP-photoshop:City=Siena"),
                    QStringLiteral("-XMP-iptcCore:CreatorWorkEmail=a@b.c"),
                    QStringLiteral("-XMP-xmp:Rating=3"), fixturePath("Canon_40D.jpg")},
                   folder)},
        {"attributes",
         writtenBy(
             QStringLiteral("exiv2"),
             {QStringLiteral("set Xmp.dc.creator Ann"), QStringLiteral("set Xmp.dc.subject lake"),
              QStringLiteral("set Xmp.dc.description lang=de See"),
              QStringLiteral("set Xmp.dc.description lang=x-default Lake"),
              QStringLiteral("set Xmp.photoshop.City Siena"),
              QStringLiteral("set Xmp.iptc.CreatorContactInfo/Iptc4xmpCore:CiEmailWork a@b.c"),
              QStringLiteral("set Xmp.xmp.Rating 3")},
             folder)},
    };
    const QVariantMap changes = {
        {QStringLiteral("dc:creator"), QStringList{QStringLiteral("Bea")}},
        {QStringLiteral("dc:description"), QStringLiteral("Sea & <sky>")},
        {QStringLiteral("photoshop:City"), PropertyKeys::removal()},
        {QStringLiteral("Iptc4xmpCore:CreatorContactInfo/Iptc4xmpCore:CiEmailWork"),
         PropertyKeys::removal()},
        {QStringLiteral("lr:hierarchicalSubject"), QStringList{QStringLiteral("places|Siena")}},
        {QStringLiteral("xmpMM:History[1]/stEvt:action"), QStringLiteral("saved")},
    };
    for (const auto& [form, bytes] : packets) {
        SCOPED_TRACE(form);
        const auto packet = XmpPacket::parse(bytes);
        ASSERT_TRUE(packet) << qPrintable(packet.error());
        const QVariantMap before = packet->values();
        ASSERT_EQ(before.value(QStringLiteral("dc:creator")).toStringList(), QStringList{"Ann"});
        ASSERT_EQ(before.value(QStringLiteral("dc:description")).toString(), "Lake");
        ASSERT_TRUE(before.contains("Iptc4xmpCore:CreatorContactInfo/Iptc4xmpCore:CiEmailWork"));

        const auto edited = packet->edited(changes);
        ASSERT_TRUE(edited) << qPrintable(edited.error());
        const auto again = XmpPacket::parse(edited.value());
        ASSERT_TRUE(again) << edited->constData();
        QVariantMap expected = before;
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            if (PropertyKeys::isRemoval(it.value()))
                expected.remove(it.key());
            else
                expected.insert(it.key(), it.value());
        }
        EXPECT_EQ(again->values().keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            EXPECT_EQ(again->values().value(it.key()).toStringList(), it.value().toStringList())
                << qPrintable(it.key());

        // The toolkit and what no change names stay as they were written, the
        // other language of the description among it; a padded packet keeps
        // its size.
        const QString text = QString::fromUtf8(edited.value());
        EXPECT_TRUE(text.contains(QLatin1String(">See<")));
        for (const char* kept : {"x:xmptk=.[^'\"]*.", "xmp:Rating(=.|>)3"}) {
            const QString fragment = QRegularExpression(QString::fromLatin1(kept))
                                         .match(QString::fromUtf8(bytes))
                                         .captured();
            ASSERT_FALSE(fragment.isEmpty()) << kept;
            EXPECT_TRUE(text.contains(fragment)) << qPrintable(fragment);
        }
        if (bytes.contains(QByteArray(100, ' '))) {
            EXPECT_EQ(edited->size(), bytes.size());
        }
        // An edit that changes nothing keeps every byte.
        EXPECT_EQ(packet->edited({{QStringLiteral("xmp:Rating"), QStringLiteral("3")}}).value(),
                  bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
    }
}

TEST(XmpPacket, refusesWhatIsNoPacketAndNamesWhy) {
    for (const char* text : {"", "<x:xmpmeta xmlns:x='adobe:ns:meta/'>", "not xml at all",
                             "<!DOCTYPE x [<!ENTITY a 'b'>]><x/>",
                             "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                             "<rdf:Description><dc:x/></rdf:Description></rdf:RDF>"}) {
        const auto packet = XmpPacket::parse(QByteArray(text));
        EXPECT_FALSE(packet) << text;
        EXPECT_TRUE(packet.error().startsWith(QLatin1String("the XMP packet"))) << text;
    }
}

// Packets other writers store in another encoding or with a flaw other
// readers pass over: read as the same properties, and edited in the
// encoding they came in, keeping their size.
TEST(XmpPacket, readsEachEncodingAndWhatOtherReadersReadOfAFlawedText) {
    TestFolder folder;
    const QByteArray utf8 =
        writtenBy(QStringLiteral("exiftool"),
                  {QStringLiteral("-XMP-dc:Creator=Ann"), QStringLiteral("-XMP-dc:Subject=lake"),
                   QStringLiteral("-XMP-photoshop:DateCreated=2001:02:03T04:05:06"),
                   fixturePath("Canon_40D.jpg")},
                  folder);
    const QString text = QString::fromUtf8(utf8);
    QByteArray control = utf8, stray = utf8;
    control.replace("04:05:06<", "04:05:06\x1a<");
    stray.replace("04:05:06<", "04:05:06\xb0<");
    const struct {
        const char* what;
        QByteArray bytes;
        QByteArray start; // how the edited packet begins
        QString date;
        QStringList repairs;
    } cases[] = {
        {"UTF-8", utf8, "<?xpacket", "2001-02-03T04:05:06", {}},
        {"UTF-16BE",
         QStringEncoder(QStringConverter::Utf16BE)(text),
         QByteArray("\0<\0?", 4),
         "2001-02-03T04:05:06",
         {}},
        {"UTF-16LE, padded with zeros",
         QStringEncoder(QStringConverter::Utf16LE)(text) + QByteArray(64, '\0'),
         QByteArray("<\0?\0", 4),
         "2001-02-03T04:05:06",
         {}},
        {"UTF-32BE",
         QStringEncoder(QStringConverter::Utf32BE)(text),
         QByteArray("\0\0\0<", 4),
         "2001-02-03T04:05:06",
         {}},
        {"UTF-32LE",
         QStringEncoder(QStringConverter::Utf32LE)(text),
         QByteArray("<\0\0\0", 4),
         "2001-02-03T04:05:06",
         {}},
        {"a control character in a date",
         control,
         "<?xpacket",
         "2001-02-03T04:05:06",
         {"dropped 1 control character(s) from the XMP packet"}},
        {"a byte that is no UTF-8",
         stray,
         "<?xpacket",
         QStringLiteral("2001-02-03T04:05:06\u00b0"),
         {"read 1 byte(s) of the XMP packet that are not UTF-8 as Latin-1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto packet = XmpPacket::parse(c.bytes);
        ASSERT_TRUE(packet) << qPrintable(packet.error());
        EXPECT_EQ(packet->values().value("dc:creator").toStringList(), QStringList{"Ann"});
        EXPECT_EQ(packet->values().value("photoshop:DateCreated").toString(), c.date);
        EXPECT_EQ(packet->repairs(), c.repairs);
        const auto edited = packet->edited({{"dc:creator", QStringList{"Bea, the second"}},
                                            {"photoshop:DateCreated", "2019-08-07T06:05:04"}});
        ASSERT_TRUE(edited) << qPrintable(edited.error());
        EXPECT_TRUE(edited->startsWith(c.start));
        if (utf8.contains(QByteArray(100, ' '))) {
            EXPECT_EQ(edited->size(), packet->bytes().size());
        }
        const auto again = XmpPacket::parse(edited.value());
        ASSERT_TRUE(again) << qPrintable(again.error());
        EXPECT_EQ(again->values().value("dc:creator").toStringList(),
                  QStringList{"Bea, the second"});
        EXPECT_EQ(again->values().value("dc:subject").toStringList(), QStringList{"lake"});
        EXPECT_TRUE(again->repairs().isEmpty());
    }
}

namespace {

PhotoOutcome rewritten(const QString& input, const QString& output, const QVariantMap& changes) {
    RewriteJob job;
    job.inputPath = input;
    job.outputPath = output;
    job.changes = changes;
    return workerService().rewrite(job);
}

} // namespace

// Through the worker: each such photo reads whole, and a change of the
// artist and the date reaches every copy, with the repairs named; a packet
// that does not read is refused with the reason rather than left stale.
TEST(XmpPacket, photosWithPacketsOtherProgramsWroteAreReadAndWrittenWhole) {
    TestFolder folder;
    const QMap<QString, QString> photos = makeForeignXmpPhotos(folder);
    const QVariantMap changes = {
        {"{TIFF}", QVariantMap{{"Artist", "Bea"}}},
        {"{Exif}", QVariantMap{{"DateTimeOriginal", "2019:08:07 06:05:04"}}},
    };
    const struct {
        const char* photo;
        QStringList notes; // empty and reason set: refused
        QString reason = {};
    } cases[] = {
        {"utf16be.jpg", {}},
        {"utf32le.jpg", {}},
        {"control.jpg", {"dropped 1 control character(s) from the XMP packet"}},
        {"stray.jpg", {"read 1 byte(s) of the XMP packet that are not UTF-8 as Latin-1"}},
        {"extended.jpg", {}},
        {"late.png", {}},
        {"compressed.png", {}},
        {"malformed.jpg",
         {},
         "the XMP packet could not be read (its RDF is cut short), so its copies of "
         "the changed values cannot be kept in step"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.photo);
        const QString input = photos.value(c.photo);
        const auto read = workerService().readProperties(input);
        ASSERT_TRUE(read) << qPrintable(read.error());
        const QVariantMap xmp = read->dictionary.value("{XMP}").toMap();
        if (c.reason.isEmpty()) {
            EXPECT_EQ(xmp.value("dc:creator").toStringList(), QStringList{"Ann"});
            EXPECT_FALSE(xmp.contains("xmpNote:HasExtendedXMP"));
            EXPECT_EQ(read->warnings, QStringList());
        }
        if (QString::fromLatin1(c.photo) == "extended.jpg") {
            EXPECT_GT(xmp.value("dc:description").toString().size(), 80000);
        }

        const QString output = folder.file(QStringLiteral("out_") + c.photo);
        const PhotoOutcome outcome = rewritten(input, output, changes);
        if (!c.reason.isEmpty()) {
            EXPECT_TRUE(outcome.skipped());
            EXPECT_EQ(outcome.reason.toStdString(), c.reason.toStdString());
            EXPECT_FALSE(QFile::exists(output));
            continue;
        }
        ASSERT_TRUE(outcome.written()) << qPrintable(outcome.reason);
        EXPECT_EQ(outcome.notes, c.notes);
        const QJsonObject tags = exiftoolRead(output);
        for (const char* key : {"IFD0:Artist", "XMP-dc:Creator"})
            EXPECT_EQ(tags.value(key).toString(), "Bea") << key;
        for (const char* key : {"ExifIFD:DateTimeOriginal", "XMP-exif:DateTimeOriginal"})
            EXPECT_EQ(tags.value(key).toString().left(19), "2019:08:07 06:05:04") << key;
        if (tags.contains("IPTC:By-line")) {
            EXPECT_EQ(tags.value("IPTC:By-line").toString(), "Bea");
            EXPECT_EQ(tags.value("Photoshop:IPTCDigest"), tags.value("File:CurrentIPTCDigest"));
        }
        const QStringList warnings = validationWarnings({input}).value(0);
        for (const QString& warning : validationWarnings({output}).value(0))
            EXPECT_TRUE(warnings.contains(warning)) << qPrintable(warning);
        EXPECT_EQ(pixelSignatures(output), pixelSignatures(input));
        // Read again, as a second edit does.
        const auto again = workerService().readProperties(output);
        ASSERT_TRUE(again) << qPrintable(again.error());
        EXPECT_EQ(again->dictionary.value("{XMP}").toMap().value("dc:creator").toStringList(),
                  QStringList{"Bea"});
        const PhotoOutcome second =
            rewritten(output, output + ".jpg", {{"{TIFF}", QVariantMap{{"Artist", "Cy"}}}});
        EXPECT_TRUE(second.written()) << qPrintable(second.reason);
        EXPECT_TRUE(second.notes.isEmpty());
    }
}
