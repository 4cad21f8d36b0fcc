#include "metadata/engine/TiffLayout.h"
#include "metadata/engine/ImageFacts.h"
#include "metadata/engine/TagTable.h"

#include <gtest/gtest.h>

namespace {

// TIFF structures laid out by hand: a header, then directories where the
// case puts them, each with entries tagged 1, 2, ... and its next offset.
class Layout {
public:
    Layout(bool little, quint32 first) : m_little(little) {
        m_bytes = little ? QByteArray("II*\0", 4) : QByteArray("MM\0*", 4);
        put(4, first, 4);
    }
    Layout& directory(quint32 at, int entries, quint32 next) {
        put(at, quint32(entries), 2);
        for (int i = 0; i < entries; ++i) {
            const qsizetype entry = at + 2 + 12 * i;
            put(entry, quint32(i + 1), 2);
            put(entry + 2, 3, 2);         // SHORT
            put(entry + 4, 1, 4);         // one of them
            put(entry + 8, 0x100 + i, 2); // inline
        }
        put(at + 2 + 12 * entries, next, 4);
        return *this;
    }
    // Sets the first entry of the directory at `at` to one value.
    Layout& entry(quint32 at, quint16 tag, quint16 type, quint32 value) {
        put(at + 2, tag, 2);
        put(at + 4, type, 2);
        put(at + 10, value, type == 3 ? 2 : 4);
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    void put(qsizetype at, quint32 value, int size) {
        if (m_bytes.size() < at + size)
            m_bytes.resize(at + size, '\0');
        for (int i = 0; i < size; ++i)
            m_bytes[at + (m_little ? i : size - 1 - i)] = char((value >> (8 * i)) & 0xff);
    }

    bool m_little;
    QByteArray m_bytes;
};

} // namespace

// The one walk of TIFF directories that every reader, writer and check here
// takes: what it gives, and where and why it stops.
TEST(TiffLayout, walksDirectoriesByOneSetOfRules) {
    using D = IfdWalk::Damage;
    const struct {
        const char* what;
        QByteArray bytes;
        QList<int> entries; // per page walked
        bool looped;
        D damage;
    } cases[] = {
        {"two pages, little-endian",
         Layout(true, 8).directory(8, 2, 40).directory(40, 1, 0).bytes(),
         {2, 1},
         false,
         D::None},
        {"two pages, big-endian",
         Layout(false, 8).directory(8, 2, 40).directory(40, 1, 0).bytes(),
         {2, 1},
         false,
         D::None},
        {"no directory", Layout(true, 0).bytes() + QByteArray(8, '\0'), {}, false, D::None},
        {"a first directory over the header",
         Layout(true, 4).bytes() + QByteArray(32, '\0'),
         {},
         false,
         D::Outside},
        {"a first directory past the end",
         Layout(true, 400).directory(8, 1, 0).bytes(),
         {},
         false,
         D::Outside},
        {"a directory without its next offset",
         Layout(true, 8).directory(8, 2, 0).bytes().chopped(2),
         {},
         false,
         D::CutShort},
        {"a second page back to the first",
         Layout(true, 8).directory(8, 1, 40).directory(40, 1, 8).bytes(),
         {1, 1},
         true,
         D::None},
        {"a page that points at itself",
         Layout(true, 8).directory(8, 1, 8).bytes(),
         {1},
         true,
         D::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto header = TiffHeader::read(c.bytes);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->magic, 42);
        TiffPages pages(c.bytes, *header);
        QList<int> entries;
        for (IfdWalk page : pages) {
            int tag = 0;
            for (const IfdEntry& entry : page) {
                EXPECT_EQ(entry.tag, ++tag);
                EXPECT_EQ(entry.valueAt(), entry.at + 8);
                EXPECT_EQ(quint8(c.bytes[entry.valueAt() + (header->little ? 0 : 1)]), tag - 1);
            }
            entries << tag;
        }
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(pages.pagesWalked(), c.entries.size());
        EXPECT_EQ(pages.looped(), c.looped);
        EXPECT_EQ(pages.damage(), c.damage);
    }
    EXPECT_FALSE(TiffHeader::read(QByteArray("IM*\0\x08\0\0\0", 8)));
    EXPECT_FALSE(TiffHeader::read(QByteArray("II*\0\x08", 5)));
}

// A TIFF inside other bytes (an EXIF block in a file, a maker note): offsets
// count from its header, and nothing past its end is read.
TEST(TiffLayout, walksATiffInsideOtherBytesWithinItsEnd) {
    const QByteArray tiff = Layout(true, 8).directory(8, 1, 30).directory(30, 2, 0).bytes();
    const QByteArray file = QByteArray("Exif\0\0", 6) + tiff + QByteArray(20, '\xff');
    const auto header = TiffHeader::read(file, 6);
    ASSERT_TRUE(header);
    TiffPages whole(file, *header, 6, 6 + tiff.size());
    while (whole.next()) {
    }
    EXPECT_EQ(whole.pagesWalked(), 2);
    EXPECT_EQ(whole.damage(), IfdWalk::Damage::None);

    TiffPages cut(file, *header, 6, 6 + tiff.size() - 1);
    while (cut.next()) {
    }
    EXPECT_EQ(cut.pagesWalked(), 1);
    EXPECT_EQ(cut.damage(), IfdWalk::Damage::CutShort);

    const auto second = IfdWalk(file, true, 30, 6).find(2);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->at, 6 + 30 + 2 + 12);
    IfdEntry pointed = *second;
    pointed.count = 3; // six bytes: no longer in the field
    pointed.field = 100;
    EXPECT_EQ(pointed.valueAt(6), 106);
    EXPECT_FALSE(IfdWalk(file, true, 30, 6).find(3));
}

// A RAW is told by what its directories say of its data: a raw photometric
// interpretation in IFD0 or in a SubIFD, or a DNG version.
TEST(TiffLayout, tellsARawByItsDirectories) {
    const auto one = [](quint16 tag, quint16 type, quint32 value) {
        return Layout(true, 8).directory(8, 2, 0).entry(8, tag, type, value).bytes();
    };
    const quint16 Short = 3, Long = 4;
    const struct {
        const char* what;
        QByteArray bytes;
        TiffRawKind kind;
    } cases[] = {
        {"RGB data", one(Tag::Photometric, Short, 2), TiffRawKind::None},
        {"colour filter array data in IFD0", one(Tag::Photometric, Short, 32803),
         TiffRawKind::CameraRaw},
        {"linear raw data in IFD0", one(Tag::Photometric, Short, 34892), TiffRawKind::CameraRaw},
        {"another tag of the same value", one(Tag::StripByteCounts, Long, 32803),
         TiffRawKind::None},
        {"colour filter array data in a SubIFD",
         Layout(true, 8)
             .directory(8, 2, 0)
             .entry(8, Tag::SubIfds, Long, 40)
             .directory(40, 1, 0)
             .entry(40, Tag::Photometric, Short, 32803)
             .bytes(),
         TiffRawKind::CameraRaw},
        {"a DNG version", one(Tag::DngVersion, Long, 0x01040000), TiffRawKind::Dng},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tiffRawKind(c.bytes), c.kind);
    }
}
