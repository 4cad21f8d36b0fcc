#include "metadata/WorkerProtocol.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/LocalMetadataService.h"
#include "support/TestPhotos.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QDate>
#include <QRandomGenerator>
#include <QUrl>

#include <gtest/gtest.h>
#include <limits>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// What a message became after crossing with the general CBOR conversion, as
// the worker's messages did before they were streamed.
QVariantMap throughCborValues(const QVariantMap& message) {
    return QCborValue::fromCbor(QCborValue::fromVariant(message).toCbor()).toVariant().toMap();
}

// Compared as CBOR, value for value and type for type: QVariant equality
// would let an integer stand for a double, and a NaN never equals itself.
QByteArray asCbor(const QVariantMap& message) {
    return QCborValue::fromVariant(message).toCbor();
}

void expectCrossesAsBefore(const QVariantMap& message) {
    // Byte for byte the CBOR the general conversion writes.
    const QByteArray frame = WorkerProtocol::encode(message);
    EXPECT_EQ(frame, QCborValue::fromVariant(message).toCbor());
    const auto decoded = WorkerProtocol::decode(frame);
    ASSERT_TRUE(decoded.has_value());
    const QVariantMap before = throughCborValues(message);
    EXPECT_EQ(asCbor(*decoded), asCbor(before));
    EXPECT_EQ(asCbor(QCborValue::fromCbor(frame).toVariant().toMap()), asCbor(before));
}

} // namespace

TEST(WorkerProtocol, carriesTheDictionariesOfRealPhotosUnchanged) {
    LocalMetadataService engine;
    const QStringList names = stillPhotoFixtures();
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const auto properties = engine.readProperties(fixturePath(name));
        ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
        const QVariantMap answer = WorkerProtocol::propertiesAnswer(properties);
        expectCrossesAsBefore(answer);
        const auto back =
            WorkerProtocol::propertiesOf(*WorkerProtocol::decode(WorkerProtocol::encode(answer)));
        ASSERT_TRUE(back.isOk());
        EXPECT_EQ(back->dictionary, properties->dictionary);
        EXPECT_EQ(back->imageCount, properties->imageCount);
    }
}

TEST(WorkerProtocol, carriesEveryKindOfValueAsTheGeneralConversionDid) {
    RewriteJob job;
    job.inputPath = QString::fromUtf8("/photos/été ☃.jpg");
    job.outputPath = QStringLiteral("/storage/out.jpg");
    job.changes = {
        {PropertyKeys::GpsSet, QVariantMap{{PropertyKeys::Latitude, QVariant(12.5f)},
                                           {PropertyKeys::Altitude, PropertyKeys::removal()}}},
        {PropertyKeys::IptcSet, PropertyKeys::removal()},
        {QStringLiteral("Keywords"), QStringList{QStringLiteral("lake"), QString()}},
    };
    job.overlaySourceProperties = true;
    job.fileModified = QDateTime(QDate(2014, 5, 6), QTime(12, 34, 56, 250), Qt::UTC);
    expectCrossesAsBefore(WorkerProtocol::rewriteRequest(job));
    // The file date crosses to the millisecond, and a job without one has none.
    const auto dated = WorkerProtocol::jobOf(
        *WorkerProtocol::decode(WorkerProtocol::encode(WorkerProtocol::rewriteRequest(job))));
    EXPECT_EQ(dated.fileModified, job.fileModified);
    job.fileModified.reset();
    EXPECT_FALSE(WorkerProtocol::jobOf(*WorkerProtocol::decode(WorkerProtocol::encode(
                                           WorkerProtocol::rewriteRequest(job))))
                     .fileModified.has_value());

    expectCrossesAsBefore({
        {QStringLiteral("invalid"), QVariant()},
        {QStringLiteral("int"), -5},
        {QStringLiteral("uint"), 4000000000u},
        {QStringLiteral("smallest"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("largest"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("double"), 1.0 / 3},
        {QStringLiteral("whole double"), 300.0},
        {QStringLiteral("not a number"), std::numeric_limits<double>::quiet_NaN()},
        {QStringLiteral("bytes"), QByteArray("\0\xff\x01zz", 5)},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("lone surrogate"), QString(QChar(0xD800))},
        {QStringLiteral("nested"),
         QVariantList{QVariantList{}, QVariantMap{}, QVariantMap{{QStringLiteral("k"), false}}}},
        {QStringLiteral("preview"),
         WorkerProtocol::previewAnswer(Result<PhotoPreview>::ok({QByteArray(70000, 'p'), {}}))},
    });

    // Types the stream coder leaves to the general conversion.
    expectCrossesAsBefore({{QStringLiteral("huge"), std::numeric_limits<quint64>::max()},
                           {QStringLiteral("date"), QDate(2024, 2, 29)},
                           {QStringLiteral("url"), QUrl(QStringLiteral("https://example.org"))}});
}

TEST(WorkerProtocol, refusesFramesThatAreNotAWellFormedMap) {
    const QByteArray good = WorkerProtocol::encode(
        {{QStringLiteral("ok"), true}, {QStringLiteral("list"), QVariantList{1, 2, 3}}});
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(WorkerProtocol::decode(good.left(cut)).has_value()) << cut;
    EXPECT_FALSE(WorkerProtocol::decode(QCborValue(QCborArray{1, 2}).toCbor()).has_value());

    // A map {"k": [[...[1]...]]}: nesting that the general conversion reads
    // is read as it reads it, past the frame reader's own depth too; nesting
    // far deeper is refused, not followed down the stack.
    auto nested = [](int depth) {
        QByteArray bytes("\xa1\x61k", 3);
        bytes += QByteArray(depth, char(0x81));
        return bytes + char(0x01);
    };
    for (int depth : {1, 16, 31, 32, 33, 100, 1000}) {
        const auto decoded = WorkerProtocol::decode(nested(depth));
        ASSERT_TRUE(decoded.has_value()) << depth;
        EXPECT_EQ(asCbor(*decoded), asCbor(QCborValue::fromCbor(nested(depth)).toVariant().toMap()))
            << depth;
        QVariant inner = decoded->value(QStringLiteral("k"));
        for (int level = 1; level < depth; ++level)
            inner = inner.toList().value(0);
        EXPECT_EQ(inner.toList(), QVariantList{1}) << depth;
    }
    for (int depth : {5000, 100000}) {
        QCborParserError error;
        QCborValue::fromCbor(nested(depth), &error);
        ASSERT_NE(error.error, QCborError::NoError) << depth;
        EXPECT_FALSE(WorkerProtocol::decode(nested(depth)).has_value()) << depth;
    }

    // Keys that are not texts read as the general conversion reads them.
    const QByteArray numericKeys = QCborValue(QCborMap{{1, QStringLiteral("one")}}).toCbor();
    const auto decoded = WorkerProtocol::decode(numericKeys);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, QCborValue::fromCbor(numericKeys).toVariant().toMap());
}

TEST(WorkerProtocol, readsDamagedFramesExactlyAsTheGeneralConversionDoes) {
    // A worker corrupted by a hostile photo may send anything: whatever the
    // frame reader makes of a damaged frame must be what the general
    // conversion makes of it, and neither may crash.
    LocalMetadataService engine;
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
        QCborParserError error;
        const QCborValue general = QCborValue::fromCbor(damaged, &error);
        const bool generalTakes = error.error == QCborError::NoError && general.isMap();
        ASSERT_EQ(decoded.has_value(), generalTakes) << round;
        if (decoded) {
            ++accepted;
            ASSERT_EQ(asCbor(*decoded), asCbor(general.toVariant().toMap())) << round;
        }
    }
    // Single-byte changes to texts and numbers leave many frames readable.
    EXPECT_GT(accepted, 400);
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
        EXPECT_EQ(frame, QCborValue::fromVariant(message).toCbor());

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
        EXPECT_EQ(asCbor(*decoded), asCbor(throughCborValues(message)));
    }
    ::close(sockets[0]);
    ::close(sockets[1]);
}
