#include "metadata/WorkerProtocol.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/EngineMetadataService.h"
#include "support/TestPhotos.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QDate>
#include <QRandomGenerator>
#include <QTimeZone>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Compared as CBOR, value for value and type for type: QVariant equality
// would let an integer stand for a double, and a NaN never equals itself.
QByteArray asCbor(const QVariantMap& message) {
    return QCborValue::fromVariant(message).toCbor();
}

std::optional<QVariantMap> crossed(const QVariantMap& message) {
    return WorkerProtocol::decode(WorkerProtocol::encode(message));
}

} // namespace

TEST(WorkerProtocol, carriesTheDictionariesOfRealPhotosUnchanged) {
    EngineMetadataService engine;
    const QStringList names = stillPhotoFixtures();
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const auto properties = engine.readProperties(fixturePath(name));
        ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
        const QVariantMap answer = WorkerProtocol::propertiesAnswer(properties);
        const auto decoded = crossed(answer);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(asCbor(*decoded), asCbor(answer));
        const auto back = WorkerProtocol::propertiesOf(*decoded);
        ASSERT_TRUE(back.isOk());
        EXPECT_EQ(back->dictionary, properties->dictionary);
        EXPECT_EQ(back->imageCount, properties->imageCount);
    }
}

TEST(WorkerProtocol, carriesEveryKindOfValue) {
    RewriteJob job;
    job.inputPath = QString::fromUtf8("/photos/été ☃.jpg");
    job.outputPath = QStringLiteral("/storage/out.jpg");
    job.changes = {
        {PropertyKeys::GpsSet, QVariantMap{{PropertyKeys::Latitude, QVariant(12.5)},
                                           {PropertyKeys::Altitude, PropertyKeys::removal()}}},
        {PropertyKeys::IptcSet, PropertyKeys::removal()},
        {QStringLiteral("Keywords"), QStringList{QStringLiteral("lake"), QString()}},
    };
    job.overlaySourceProperties = true;
    job.fileModified = QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56, 250), QTimeZone::utc());
    const auto request = crossed(WorkerProtocol::rewriteRequest(job));
    ASSERT_TRUE(request.has_value());
    const RewriteJob back = WorkerProtocol::jobOf(*request);
    EXPECT_EQ(back.inputPath, job.inputPath);
    EXPECT_EQ(back.fileModified, job.fileModified); // to the millisecond
    const QVariantMap gps = back.changes.value(PropertyKeys::GpsSet).toMap();
    EXPECT_TRUE(PropertyKeys::isRemoval(gps.value(PropertyKeys::Altitude)));
    EXPECT_TRUE(PropertyKeys::isRemoval(back.changes.value(PropertyKeys::IptcSet)));
    job.fileModified.reset();
    EXPECT_FALSE(WorkerProtocol::jobOf(*crossed(WorkerProtocol::rewriteRequest(job)))
                     .fileModified.has_value());

    // Each value as it is read back: the same value of the same type, but
    // for what no message holds.
    struct Case {
        const char* name;
        QVariant sent;
        QVariant read;
    };
    const Case cases[] = {
        {"int", -5, qint64(-5)},
        {"uint", 4000000000u, qint64(4000000000)},
        {"smallest", std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::min()},
        {"largest", std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()},
        {"beyond the integers", std::numeric_limits<quint64>::max(), 18446744073709551616.0},
        {"double", 1.0 / 3, 1.0 / 3},
        {"whole double", 300.0, 300.0},
        {"float", 0.1f, double(0.1f)},
        {"bytes", QByteArray("\0\xff\x01zz", 5), QByteArray("\0\xff\x01zz", 5)},
        {"empty text", QString(), QString()},
        {"lone surrogate", QString(QChar(0xD800)), QString(QChar(0xD800)).toUtf8()},
        {"removal", PropertyKeys::removal(), PropertyKeys::removal()},
        {"no value", QVariant(), QVariant()},
        {"unknown type", QDate(2024, 2, 29), QVariant()},
        {"nested", QVariantList{QVariantList{}, QVariantMap{{QStringLiteral("k"), false}}},
         QVariantList{QVariantList{}, QVariantMap{{QStringLiteral("k"), false}}}},
    };
    for (const Case& c : cases) {
        const auto decoded = crossed({{QStringLiteral("v"), c.sent}});
        ASSERT_TRUE(decoded.has_value()) << c.name;
        const QVariant read = decoded->value(QStringLiteral("v"));
        if (c.read.typeId() == QMetaType::QByteArray && c.sent.typeId() == QMetaType::QString) {
            EXPECT_EQ(read.toString().toUtf8(), c.read.toByteArray()) << c.name;
            continue;
        }
        EXPECT_EQ(read.typeId(), c.read.typeId()) << c.name;
        EXPECT_EQ(asCbor({{QStringLiteral("v"), read}}), asCbor({{QStringLiteral("v"), c.read}}))
            << c.name;
    }
    const auto nan = crossed({{QStringLiteral("v"), std::numeric_limits<double>::quiet_NaN()}});
    EXPECT_TRUE(std::isnan(nan->value(QStringLiteral("v")).toDouble()));
}

TEST(WorkerProtocol, refusesFramesThatAreNotAWellFormedMap) {
    const QByteArray good = WorkerProtocol::encode(
        {{QStringLiteral("ok"), true}, {QStringLiteral("list"), QVariantList{1, 2, 3}}});
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(WorkerProtocol::decode(good.left(cut)).has_value()) << cut;
    EXPECT_FALSE(WorkerProtocol::decode(good + char(0)).has_value());
    EXPECT_FALSE(WorkerProtocol::decode(QCborValue(QCborArray{1, 2}).toCbor()).has_value());
    EXPECT_FALSE(WorkerProtocol::decode(QCborValue(QCborMap{{1, QStringLiteral("one")}}).toCbor())
                     .has_value());

    // A map {"k": [[...[1]...]]}: nesting as deep as messages go is read;
    // far deeper is refused, not followed down the stack.
    auto nested = [](int depth) {
        QByteArray bytes("\xa1\x61k", 3);
        bytes += QByteArray(depth, char(0x81));
        return bytes + char(0x01);
    };
    for (int depth : {1, 16, 31}) {
        const auto decoded = WorkerProtocol::decode(nested(depth));
        ASSERT_TRUE(decoded.has_value()) << depth;
        QVariant inner = decoded->value(QStringLiteral("k"));
        for (int level = 1; level < depth; ++level)
            inner = inner.toList().value(0);
        EXPECT_EQ(inner.toList(), QVariantList{1}) << depth;
    }
    for (int depth : {100, 100000})
        EXPECT_FALSE(WorkerProtocol::decode(nested(depth)).has_value()) << depth;
}

TEST(WorkerProtocol, readsDamagedFramesAsWellFormedMessagesOrNotAtAll) {
    // A worker corrupted by a hostile photo may send anything: a damaged
    // frame is refused, or read as a message that crosses again unchanged,
    // and what the general CBOR reader refuses is never taken.
    EngineMetadataService engine;
    const auto properties = engine.readProperties(fixturePath(QStringLiteral("Canon_40D.jpg")));
    ASSERT_TRUE(properties.isOk());
    const QByteArray frame = WorkerProtocol::encode(WorkerProtocol::propertiesAnswer(properties));
    QRandomGenerator random(20261207);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray damaged = frame;
        const int changes = 1 + int(random.bounded(3));
        for (int c = 0; c < changes; ++c) {
            const qsizetype at = qsizetype(random.bounded(quint32(damaged.size())));
            switch (random.bounded(3)) {
            case 0:
                damaged[at] = char(random.bounded(256));
                break;
            case 1:
                damaged.remove(at, 1 + qsizetype(random.bounded(8)));
                break;
            default:
                damaged.insert(at, char(random.bounded(256)));
            }
        }
        const auto decoded = WorkerProtocol::decode(damaged);
        if (!decoded)
            continue;
        ++accepted;
        QCborParserError error;
        const QCborValue general = QCborValue::fromCbor(damaged, &error);
        ASSERT_TRUE(error.error == QCborError::NoError && general.isMap()) << round;
        const auto again = crossed(*decoded);
        ASSERT_TRUE(again.has_value()) << round;
        ASSERT_EQ(asCbor(*again), asCbor(*decoded)) << round;
    }
    // Single-byte changes to texts and numbers leave many frames readable.
    EXPECT_GT(accepted, 150);
}

// CBOR writes a length in the item's first byte up to 23, then in 1, 2, 4 or
// 8 more bytes: texts and byte strings on each side of every step cross the
// frame writer and reader byte for byte.
TEST(WorkerProtocol, carriesTextsAndBytesOfEveryLengthEncoding) {
    int sockets[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    for (const qsizetype length : {0, 1, 23, 24, 255, 256, 65535, 65536, 70000}) {
        SCOPED_TRACE(length);
        QByteArray bytes(length, Qt::Uninitialized);
        for (qsizetype i = 0; i < length; ++i)
            bytes[i] = char((i * 7 + 3) & 0xff);
        const QString text(length, QLatin1Char('t'));
        const QVariantMap message{{QStringLiteral("text"), text},
                                  {QStringLiteral("bytes"), bytes},
                                  {QString(length, QLatin1Char('k')), true}};
        const QByteArray frame = WorkerProtocol::encode(message);
        // Standard CBOR: the general reader takes it as the same message.
        EXPECT_EQ(QCborValue::fromCbor(frame).toVariant().toMap(), message);

        // Through a socket, the writer on a thread of its own: a frame may be
        // larger than what the socket buffers.
        bool sent = false;
        std::thread writer([&] { sent = WorkerProtocol::writeFrame(sockets[0], frame); });
        QByteArray received;
        const auto status = WorkerProtocol::readFrame(sockets[1], &received, 10000);
        writer.join();
        ASSERT_TRUE(sent);
        ASSERT_EQ(status, WorkerProtocol::FrameStatus::Ok);
        EXPECT_EQ(received, frame);
        const auto decoded = WorkerProtocol::decode(received);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->value(QStringLiteral("text")).toString(), text);
        EXPECT_EQ(decoded->value(QStringLiteral("text")).typeId(), QMetaType::QString);
        EXPECT_EQ(decoded->value(QStringLiteral("bytes")).toByteArray(), bytes);
        EXPECT_EQ(decoded->value(QStringLiteral("bytes")).typeId(), QMetaType::QByteArray);
        EXPECT_TRUE(decoded->value(QString(length, QLatin1Char('k'))).toBool());
        EXPECT_EQ(decoded->size(), 3);
    }
    ::close(sockets[0]);
    ::close(sockets[1]);
}
