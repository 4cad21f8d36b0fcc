#include "cli/JsonDump.h"
#include "metadata/MetadataService.h"
#include "support/TestPhotos.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <limits>

namespace {

// What dump wrote before it had a writer of its own; scripts read this.
QByteArray documentJson(const QVariantMap& dictionary) {
    return QJsonDocument(QJsonObject::fromVariantMap(dictionary)).toJson(QJsonDocument::Indented);
}

} // namespace

TEST(JsonDump, writesEveryRealPhotoExactlyAsTheJsonDocumentDoes) {
    const QStringList names = stillPhotoFixtures();
    ASSERT_GE(names.size(), 12);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const auto properties = workerService().readProperties(fixturePath(name));
        ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
        EXPECT_EQ(dictionaryToJson(properties->dictionary), documentJson(properties->dictionary));
    }
}

TEST(JsonDump, agreesWithTheJsonDocumentOnAwkwardValues) {
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
    EXPECT_EQ(dictionaryToJson(awkward), documentJson(awkward));
    EXPECT_EQ(dictionaryToJson({}), documentJson({}));

    // Values the writer leaves to the document come out as the document has them.
    for (const QVariant& unusual :
         {QVariant(QString(QChar(0xD800))), QVariant(QString(QChar(0xDC00)) + QLatin1Char('x')),
          QVariant(QByteArray("bytes")), QVariant(QDate(2024, 2, 29))}) {
        const QVariantMap holder{
            {QStringLiteral("set"), QVariantMap{{QStringLiteral("v"), unusual}}}};
        EXPECT_EQ(dictionaryToJson(holder), documentJson(holder)) << qPrintable(unusual.typeName());
    }
}
