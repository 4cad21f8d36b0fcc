#include "metadata/PropertyKeys.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "support/TestPhotos.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace PropertyKeys;

// The in-place writers parse what other programs wrote: photos damaged at
// random in their metadata are either refused with a reason or written as a
// photo that reads back, never anything in between (and, under the
// sanitizers, never read outside their bytes).
TEST(WriterDamage, aDamagedPhotoIsRefusedWithAReasonOrWrittenSoItReadsBack) {
    const QVariantMap changes[] = {
        {{GpsSet, removal()}},
        {{TiffSet, QVariantMap{{Artist, QStringLiteral("a longer artist than any before")}}}},
        {{IptcSet, QVariantMap{{Keywords, QStringList{QStringLiteral("one")}}}}},
    };
    QRandomGenerator random(20261207);
    int refused = 0, written = 0;
    for (const QString& photo : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("IMG_5195.HEIC"),
                                 QStringLiteral("multipage.tiff"), QStringLiteral("photo.png"),
                                 QStringLiteral("photo.webp")}) {
        const QByteArray source = fileBytes(fixturePath(photo));
        // The metadata lies in the first bytes of each of these photos.
        const qsizetype span = std::min<qsizetype>(source.size(), 16 * 1024);
        for (int round = 0; round < 150; ++round) {
            QByteArray damaged = source;
            const int flips = 1 + int(random.bounded(8));
            for (int i = 0; i < flips; ++i)
                damaged[qsizetype(random.bounded(int(span)))] = char(random.bounded(256));
            for (const QVariantMap& change : changes) {
                const auto result = rewritePhoto(damaged, change);
                if (!result.isOk()) {
                    EXPECT_FALSE(result.error().isEmpty());
                    ++refused;
                    continue;
                }
                ++written;
                EXPECT_EQ(sniffPhotoFormat(result.value()), sniffPhotoFormat(source))
                    << qPrintable(photo) << " round " << round;
            }
        }
    }
    // Both answers happen: the damage is neither always fatal nor always harmless.
    EXPECT_GT(refused, 0);
    EXPECT_GT(written, 0);
}

// A TIFF whose chain of directories is damaged is refused with the reason
// the one walk of its directories gives, whichever check meets it first.
TEST(WriterDamage, refusesATiffWhoseDirectoriesAreDamagedWithTheReason) {
    const QByteArray source = fileBytes(fixturePath(QStringLiteral("multipage.tiff")));
    ASSERT_EQ(countImages(PhotoFormat::Tiff, source), 2);
    const bool little = source.startsWith("II");
    const auto withFirstAt = [&](quint32 offset) {
        QByteArray bytes = source;
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = char((offset >> (8 * (little ? i : 3 - i))) & 0xff);
        return bytes;
    };
    const QString lost = QStringLiteral("truncated or damaged image data");
    const struct {
        const char* what;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"no first directory", withFirstAt(0),
         QStringLiteral("damaged EXIF: it has no first directory")},
        {"a first directory over the header", withFirstAt(4), lost},
        {"a first directory past the end", withFirstAt(quint32(source.size())), lost},
        {"a first directory cut short", withFirstAt(quint32(source.size() - 6)), lost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = rewritePhoto(c.bytes, {{GpsSet, removal()}});
        ASSERT_FALSE(result.isOk());
        EXPECT_EQ(result.error(), c.reason);
    }
}
