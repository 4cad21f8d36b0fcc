#include "cli/JsonDump.h"
#include "metadata/MetadataService.h"
#include "support/TestPhotos.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <limits>

namespace {

// What a JSON reader makes of the text dump writes must be what the
// dictionary holds, as a JSON object takes it.
QVariantMap readBack(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << qPrintable(error.errorString());
    return document.object().toVariantMap();
}
QVariantMap asJsonHolds(const QVariantMap& dictionary) {
    return QJsonObject::fromVariantMap(dictionary).toVariantMap();
}

} // namespace

TEST(JsonDump, everyRealPhotoReadsBackAsItsDictionary) {
    const QStringList names = stillPhotoFixtures();
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const auto properties = workerService().readProperties(fixturePath(name));
        ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
        EXPECT_EQ(readBack(dictionaryToJson(properties->dictionary)),
                  asJsonHolds(properties->dictionary));
    }
}

TEST(JsonDump, awkwardValuesReadBackAsTheyAre) {
    const QVariantMap awkward{
        {QStringLiteral("escapes"),
         QString::fromUtf8("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f é ☃ \xF0\x9F\x98\x80 end")},
        {QStringLiteral("beyond 2^53"), qlonglong(9007199254740993LL)},
        {QStringLiteral("third"), 1.0 / 3},
        {QStringLiteral("whole double"), 300.0},
        {QStringLiteral("negative zero"), -0.0},
        {QStringLiteral("infinity"), std::numeric_limits<double>::infinity()},
        {QStringLiteral("not a number"), std::numeric_limits<double>::quiet_NaN()},
        {QStringLiteral("huge"), 1e300},
        {QStringLiteral("1e21"), 1e21},
        {QStringLiteral("tiny"), 1e-7},
        {QStringLiteral("big whole"), 123456789012.0},
        {QStringLiteral("negative whole"), -4096.0},
        {QStringLiteral("unsigned max"), qulonglong(std::numeric_limits<qulonglong>::max())},
        {QStringLiteral("float"), 0.1f},
        {QStringLiteral("int"), -5},
        {QStringLiteral("unsigned"), 7u},
        {QStringLiteral("true"), true},
        {QStringLiteral("null"), QVariant()},
        {QStringLiteral("empty list"), QVariantList()},
        {QStringLiteral("empty set"), QVariantMap()},
        {QStringLiteral("texts"), QStringList{QStringLiteral("p"), QStringLiteral("q")}},
        {QStringLiteral("nested"),
         QVariantList{1, QStringLiteral("s"), QVariantMap{{QStringLiteral("k"), false}},
                      QVariantList{}, QVariantList{2.5}}},
        {QString::fromUtf8("ключ"), QStringLiteral("value")},
        {QStringLiteral("Zeta"), 1},
        {QStringLiteral("alpha"), 2},
    };
    EXPECT_EQ(readBack(dictionaryToJson(awkward)), asJsonHolds(awkward));
    EXPECT_EQ(dictionaryToJson({}), QByteArray("{\n}\n"));

    // Texts with a lone surrogate keep it as its escape; bytes and dates
    // come out as text.
    const QVariantMap unusual{{QStringLiteral("high"), QString(QChar(0xD800))},
                              {QStringLiteral("low"), QString(QChar(0xDC00)) + QLatin1Char('x')},
                              {QStringLiteral("bytes"), QByteArray("bytes?")},
                              {QStringLiteral("date"), QDate(2024, 2, 29)}};
    const QByteArray text = dictionaryToJson(unusual);
    for (const char* expected : {"\"high\": \"\\ud800\"", "\"low\": \"\\udc00x\"",
                                 "\"bytes\": \"Ynl0ZXM_\"", "\"date\": \"2024-02-29\""})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.constData();
}
