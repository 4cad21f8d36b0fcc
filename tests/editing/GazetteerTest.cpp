#include "editing/Gazetteer.h"

#include <QFile>
#include <QTimeZone>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<const Gazetteer> shipped() {
    static const auto loaded = Gazetteer::load(Gazetteer::defaultPath());
    EXPECT_TRUE(loaded.isOk()) << loaded.error().toStdString();
    return loaded.isOk() ? loaded.value() : nullptr;
}

} // namespace

// Each side of a border takes the country it lies in, not that of the
// nearest place, unless the line is too near to tell; the sea far from any
// coast takes none.
TEST(Gazetteer, namesTheCountryThePositionLiesInOnEitherSideOfABorderAndNoneAtSea) {
    const struct {
        const char* name;
        double lat, lon;
        const char* country; // "" at sea
        const char* city;    // "" for none, "*" for any
        const char* zone;
    } rows[] = {
        {"swinoujscie", 53.9105, 14.2471, "PL", "Świnoujście", "Europe/Warsaw"},
        {"ahlbeck", 53.9387, 14.1896, "DE", "*", "Europe/Berlin"},
        {"posadas", -27.3671, -55.8961, "AR", "Posadas", "America/Argentina/Cordoba"},
        {"encarnacion", -27.3306, -55.8667, "PY", "Encarnación", "America/Asuncion"},
        {"tachov", 49.7980, 12.6336, "CZ", "Tachov", "Europe/Prague"},
        {"weiden", 49.6768, 12.1561, "DE", "Weiden", "Europe/Berlin"},
        // On the line of a river border, no place of its own side near.
        {"dubova_on_the_danube", 44.612613, 22.275741, "RO", "Dubova", "Europe/Bucharest"},
        // Farther than 10 km from any place, though in a country.
        {"sahara", 24.0, 3.0, "DZ", "", "Africa/Algiers"},
        {"mid_atlantic", 30.0, -40.0, "", "", "Etc/GMT+3"},
        {"pacific_east_of_the_date_line", 0.0, -170.0, "", "", "Etc/GMT+11"},
        {"north_pole", 90.0, 0.0, "", "", "Etc/GMT"},
        {"south_pole", -90.0, 0.0, "AQ", "", "Etc/GMT"},
        {"chukotka_west_of_the_antimeridian", 65.5, 178.0, "RU", "", "*"},
        {"wrangel_island_east_of_it", 71.5, -179.9, "RU", "", "*"},
        {"vanua_levu_west_of_it", -16.4, 179.4, "FJ", "Labasa", "Pacific/Fiji"},
        {"taveuni_east_of_it", -16.9, -179.98, "FJ", "", "Pacific/Fiji"},
    };
    const auto gazetteer = shipped();
    ASSERT_TRUE(gazetteer);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Location where = gazetteer->locate(row.lat, row.lon, 10);
        EXPECT_EQ(where.countryCode.toStdString(), row.country);
        EXPECT_EQ(where.country.isEmpty(), *row.country == 0);
        if (*row.city == '*') {
            EXPECT_TRUE(where.city.has_value());
        } else {
            EXPECT_EQ(where.city ? where.city->name.toStdString() : "", row.city);
        }
        if (*row.zone != '*') {
            EXPECT_EQ(where.zone.toStdString(), row.zone);
        }
        EXPECT_TRUE(QTimeZone(where.zone.toUtf8()).isValid()) << where.zone.toStdString();
        if (where.city) {
            EXPECT_LE(where.city->distanceKm, 10);
        }
        if (*row.country == 0) {
            EXPECT_TRUE(where.state.isEmpty());
        }
    }
}

// A city's name in a language the data has it in, else its own.
TEST(Gazetteer, namesACityInTheLanguageAskedForWhereItHasTheName) {
    const auto gazetteer = shipped();
    ASSERT_TRUE(gazetteer);
    const auto munich = gazetteer->locate(48.137, 11.575, 10).city;
    ASSERT_TRUE(munich);
    EXPECT_EQ(gazetteer->nameIn(*munich, QStringLiteral("de")).toStdString(), "München");
    EXPECT_EQ(gazetteer->nameIn(*munich, QStringLiteral("it-IT")).toStdString(),
              "Monaco di Baviera");
    EXPECT_EQ(gazetteer->nameIn(*munich, QStringLiteral("xx")).toStdString(), "Munich");
}

// A damaged file is refused with a reason: cut anywhere, a byte changed in
// the header or the data, never a crash. The packed layout of version 2
// still reads.
TEST(Gazetteer, refusesADamagedFileWithAReason) {
    QFile file(Gazetteer::defaultPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    ASSERT_TRUE(Gazetteer::fromBytes(good).isOk());
    QList<QByteArray> damaged = {QByteArray(), good.left(10), good.left(good.size() / 2),
                                 good + "x"};
    for (const qsizetype at : {qsizetype(4), qsizetype(9), qsizetype(17), qsizetype(40),
                               good.size() / 3, good.size() - 5}) {
        QByteArray changed = good;
        changed[at] = char(changed[at] ^ 0x5a);
        damaged << changed;
    }
    for (const QByteArray& bytes : damaged) {
        const auto read = Gazetteer::fromBytes(bytes);
        EXPECT_FALSE(read.isOk()) << bytes.size();
        EXPECT_FALSE(read.error().isEmpty());
    }
    const QByteArray payload = good.mid(16);
    QByteArray packed = good.left(16) + qCompress(payload);
    packed[4] = 2;
    qToLittleEndian<quint32>(quint32(packed.size() - 20), packed.data() + 12);
    const auto older = Gazetteer::fromBytes(packed);
    ASSERT_TRUE(older.isOk()) << older.error().toStdString();
    EXPECT_EQ(older.value()->placeCount(), Gazetteer::fromBytes(good).value()->placeCount());
    const auto missing = Gazetteer::load(QStringLiteral("/nonexistent/places.tvgz"));
    ASSERT_FALSE(missing.isOk());
    EXPECT_TRUE(missing.error().contains(QLatin1String("/nonexistent/places.tvgz")));
}
