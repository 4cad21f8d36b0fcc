#include "metadata/engine/XmpPacket.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QFile>
#include <QRegularExpression>

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
