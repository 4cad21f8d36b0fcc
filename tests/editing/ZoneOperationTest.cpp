#include "editing/ZoneOperation.h"
#include "metadata/PropertyKeys.h"

#include <gtest/gtest.h>

using namespace PropertyKeys;

namespace {

QVariantMap photoTakenAt(const QString& wall, const QString& offset) {
    QVariantMap exif{{DateTimeOriginal, wall},
                     {DateTimeDigitized, wall},
                     {QStringLiteral("SubSecTimeOriginal"), QStringLiteral("25")},
                     {QStringLiteral("ExifVersion"), QStringLiteral("0221")}};
    if (!offset.isEmpty())
        exif.insert(QStringLiteral("OffsetTimeOriginal"), offset);
    QString xmpDate = wall;
    xmpDate.replace(4, 1, QLatin1Char('-')).replace(7, 1, QLatin1Char('-')).replace(10, 1, 'T');
    const QString iptcTime = wall.mid(11).remove(QLatin1Char(':')) +
                             (offset.isEmpty() ? QString() : QString(offset).remove(':'));
    return {{ExifSet, exif},
            {XmpSet, QVariantMap{{QStringLiteral("exif:DateTimeOriginal"),
                                  xmpDate + QStringLiteral(".25") + offset}}},
            {IptcSet, QVariantMap{{QStringLiteral("DateCreated"), wall.left(10).remove(':')},
                                  {QStringLiteral("TimeCreated"), iptcTime}}}};
}

} // namespace

// London's clocks go from 01:00 to 02:00 on 31 March 2024 and from 02:00
// back to 01:00 on 27 October: 01:30 never comes in spring and comes twice
// in autumn.
TEST(DatesZone, writesTheOffsetOfTheDayAndMovesTheWallTimeOnlyToKeepTheInstant) {
    const struct {
        const char* name;
        const char* wall;
        const char* own; // the photo's OffsetTimeOriginal
        ZoneClock clock;
        const char* fromZone;
        const char *wallAfter, *offsetAfter, *xmpAfter, *iptcAfter;
    } rows[] = {
        {"spring_wall_time_that_never_comes", "2024:03:31 01:30:00", "", ZoneClock::KeepWallTime,
         "", "2024:03:31 01:30:00", "+00:00", "2024-03-31T01:30:00.25+00:00", "013000+0000"},
        {"autumn_wall_time_that_comes_twice", "2024:10:27 01:30:00", "", ZoneClock::KeepWallTime,
         "", "2024:10:27 01:30:00", "+01:00", "2024-10-27T01:30:00.25+01:00", "013000+0100"},
        {"spring_camera_on_utc", "2024:03:31 01:30:00", "+00:00", ZoneClock::KeepInstant, "",
         "2024:03:31 02:30:00", "+01:00", "2024-03-31T02:30:00.25+01:00", "023000+0100"},
        {"autumn_camera_on_utc", "2024:10:27 01:30:00", "+00:00", ZoneClock::KeepInstant, "",
         "2024:10:27 01:30:00", "+00:00", "2024-10-27T01:30:00.25+00:00", "013000+0000"},
        {"autumn_camera_on_berlin_time", "2024:10:27 01:30:00", "", ZoneClock::KeepInstant,
         "Europe/Berlin", "2024:10:27 00:30:00", "+01:00", "2024-10-27T00:30:00.25+01:00",
         "003000+0100"},
        {"camera_on_new_york_time_the_day_before", "2024:10:26 20:30:00", "",
         ZoneClock::KeepInstant, "America/New_York", "2024:10:27 01:30:00", "+01:00",
         "2024-10-27T01:30:00.25+01:00", "013000+0100"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ZoneSettings settings;
        settings.zone = QTimeZone("Europe/London");
        settings.clock = row.clock;
        if (*row.fromZone)
            settings.fromZone = QTimeZone(row.fromZone);
        const QVariantMap photo =
            photoTakenAt(QString::fromLatin1(row.wall), QString::fromLatin1(row.own));
        const PhotoChanges out = zonePlan(settings).changesFor(photo);
        ASSERT_TRUE(out.skipReason.isEmpty()) << out.skipReason.toStdString();
        // What the photo holds afterwards: a value unchanged is not written again.
        QVariantMap after = photo;
        for (const QString& set : {ExifSet, XmpSet, IptcSet}) {
            QVariantMap values = photo.value(set).toMap();
            const QVariantMap changed = out.changes.value(set).toMap();
            for (auto it = changed.cbegin(); it != changed.cend(); ++it)
                values.insert(it.key(), it.value());
            after.insert(set, values);
        }
        const QVariantMap exif = after.value(ExifSet).toMap();
        EXPECT_EQ(exif.value(DateTimeOriginal).toString().toStdString(), row.wallAfter);
        EXPECT_EQ(exif.value(DateTimeDigitized).toString().toStdString(), row.wallAfter);
        EXPECT_EQ(exif.value(QStringLiteral("OffsetTimeOriginal")).toString().toStdString(),
                  row.offsetAfter);
        EXPECT_EQ(exif.value(QStringLiteral("OffsetTimeDigitized")).toString().toStdString(),
                  row.offsetAfter);
        EXPECT_FALSE(exif.contains(QStringLiteral("OffsetTime"))) << "the photo has no TIFF date";
        EXPECT_EQ(exif.value(QStringLiteral("ExifVersion")).toString(), QStringLiteral("0231"))
            << "the offsets need EXIF 2.31";
        EXPECT_EQ(after.value(XmpSet)
                      .toMap()
                      .value(QStringLiteral("exif:DateTimeOriginal"))
                      .toString()
                      .toStdString(),
                  row.xmpAfter);
        const QVariantMap iptc = after.value(IptcSet).toMap();
        EXPECT_EQ(iptc.value(QStringLiteral("TimeCreated")).toString().toStdString(),
                  row.iptcAfter);
    }
}

TEST(DatesZone, skipsAPhotoWithoutADateOrWithoutAZoneToConvertFrom) {
    ZoneSettings settings;
    settings.zone = QTimeZone("Europe/London");
    EXPECT_EQ(zonePlan(settings).changesFor({}).skipReason.toStdString(), "no date");
    settings.clock = ZoneClock::KeepInstant;
    EXPECT_TRUE(zonePlan(settings)
                    .changesFor(photoTakenAt(QStringLiteral("2024:05:01 12:00:00"), QString()))
                    .skipReason.contains(QLatin1String("--from-zone")));
}
