#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "support/TestPhotos.h"

#include <QTimeZone>
#include <gtest/gtest.h>

// Run once in UTC and once two hours east of it; TV_EXPECTED_OFFSET says which.
namespace {
int expectedOffset() {
    return qEnvironmentVariableIntValue("TV_EXPECTED_OFFSET");
}
QDateTime utc(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}
} // namespace

TEST(DateText, runsInTheZoneItWasStartedFor) {
    EXPECT_EQ(QDateTime(QDate(2014, 5, 6), QTime(7, 8, 9)).offsetFromUtc(), expectedOffset());
}

TEST(DateText, acceptsTheTwoLayoutsInLocalTimeOrInTheZoneTheyName) {
    for (const char* text : {"2014:05:06 07:08:09", "2014-05-06 07:08:09"}) {
        const auto when = DateText::parse(QString::fromLatin1(text));
        ASSERT_TRUE(when.has_value()) << text;
        EXPECT_EQ(when->toUTC(), utc(2014, 5, 6, 7, 8, 9).addSecs(-expectedOffset())) << text;
    }
    const struct {
        const char* text;
        QDateTime instant;
        const char* offset;
    } zoned[] = {
        {"2014:05:06 07:08:09+02:00", utc(2014, 5, 6, 5, 8, 9), "+02:00"},
        {"2014-05-06 07:08:09-0530", utc(2014, 5, 6, 12, 38, 9), "-05:30"},
        {"2014:05:06 07:08:09Z", utc(2014, 5, 6, 7, 8, 9), "+00:00"},
    };
    for (const auto& c : zoned) {
        const auto when = DateText::parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(when.has_value()) << c.text;
        EXPECT_EQ(when->toUTC(), c.instant) << c.text;
        EXPECT_EQ(DateText::splitZone(QString::fromLatin1(c.text)).offset.toStdString(), c.offset);
    }
    EXPECT_EQ(DateText::normalise(QStringLiteral("2014-05-06 07:08:09-05:00")),
              QStringLiteral("2014:05:06 07:08:09-05:00"));
}

TEST(DateText, refusesTextsThatAreNotACalendarDateAndTime) {
    for (const char* text :
         {"2014/05/06 07:08:09", "2014:13:01 00:00:00", "2014:02:29 00:00:00",
          "2014:04:31 12:00:00", "2014:05:06 24:00:00", "2014:05:06 07:60:00",
          "2014:05:06 07:08:60", "", "2014:05:06", "2014:05:06 07:08:09 +0200",
          " 2014:05:06 07:08:09", "2014:5:6 7:8:9", "2014:05-06 07:08:09", "abcd:ef:gh ij:kl:mn",
          "2014:05:06 07:08:09+15:00", "2014:05:06 07:08:09+02"}) {
        EXPECT_FALSE(DateText::isValid(QString::fromLatin1(text))) << text;
    }
    EXPECT_TRUE(DateText::isValid(QStringLiteral("2016:02:29 23:59:59")));
}

TEST(DateText, normalisesDashesToColonsAndNothingElse) {
    EXPECT_EQ(DateText::normalise(QStringLiteral("2014-05-06 07:08:09")),
              QStringLiteral("2014:05:06 07:08:09"));
    EXPECT_EQ(DateText::normalise(QStringLiteral("2014:05:06 07:08:09")),
              QStringLiteral("2014:05:06 07:08:09"));
    EXPECT_EQ(DateText::normalise(QStringLiteral("a-b c")), QStringLiteral("a:b c"));
}

TEST(DateText, shortensOnlyTextsOfExactlyThreeParts) {
    const struct {
        const char* text;
        const char* shortened;
    } cases[] = {
        {"2014-05-06 05:08:09 +0000", "2014-05-06 05:08:09"},
        {"2014:05:06 07:08:09", "2014:05:06 07:08:09"},
        {"a b c d", "a b c d"},
        {"a  b", "a "}, // two spaces split into three parts, one of them empty
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateText::shorten(QString::fromLatin1(c.text)).toStdString(), c.shortened);
}

TEST(DateText, writesTimePointsInLocalTimeSoTheyParseBackToTheSameInstant) {
    const QDateTime instant = utc(2014, 5, 6, 5, 8, 9);
    const QString offset =
        expectedOffset() == 0 ? QStringLiteral("+0000") : QStringLiteral("+0200");
    const QString local = expectedOffset() == 0 ? QStringLiteral("2014-05-06 05:08:09")
                                                : QStringLiteral("2014-05-06 07:08:09");
    EXPECT_EQ(DateText::describeTimePoint(instant), local + QLatin1Char(' ') + offset);
    EXPECT_EQ(DateText::timePointText(instant), local);
    EXPECT_EQ(DateText::parse(DateText::timePointText(instant))->toUTC(), instant);

    // A one-day shift keeps the wall-clock time in every zone.
    const QDateTime shifted =
        DateText::parse(QStringLiteral("2014:05:06 07:08:09"))->addSecs(86400);
    EXPECT_EQ(DateText::normalise(DateText::timePointText(shifted)),
              QStringLiteral("2014:05:07 07:08:09"));
}

TEST(FileTimes, setsTheModificationTimeAndReadsItBack) {
    TestFolder folder;
    const QString path = folder.writeFile(QStringLiteral("dated.jpg"), "x");
    const QDateTime when = *DateText::parse(QStringLiteral("2014:05:06 07:08:09"));
    ASSERT_TRUE(setFileTimes(path, when, when).isOk());
    const auto times = readFileTimes(path);
    ASSERT_TRUE(times.isOk());
    EXPECT_EQ(times->modified, when);
    EXPECT_EQ(DateText::timePointText(times->modified), QStringLiteral("2014-05-06 07:08:09"));
    EXPECT_TRUE(times->created.isValid());

    // Only a creation time given: it becomes the modification time.
    const QDateTime created = when.addDays(-1);
    ASSERT_TRUE(setFileTimes(path, created, std::nullopt).isOk());
    EXPECT_EQ(readFileTimes(path)->modified, created);

    EXPECT_FALSE(readFileTimes(folder.file(QStringLiteral("missing.jpg"))).isOk());
    EXPECT_FALSE(setFileTimes(folder.file(QStringLiteral("missing.jpg")), when, when).isOk());
}
