// The gazetteer on its own: how long it takes to load, and what it says of
// positions, for bench/places-compare.py to hold against a peer's.
//   tv_bench_places load                 the load time, best of 5
//   tv_bench_places sample N SEED        N positions within 3 km of random places
//   tv_bench_places locate < POSITIONS   "lat lon" in, "lat lon code zone city" out
#include "editing/Gazetteer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <numbers>

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("load");
    double best = 1e9;
    std::shared_ptr<const Gazetteer> gazetteer;
    for (int round = 0; round < (mode == QLatin1String("load") ? 5 : 1); ++round) {
        QElapsedTimer timer;
        timer.start();
        auto loaded = Gazetteer::load(Gazetteer::defaultPath());
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (!loaded) {
            std::fprintf(stderr, "%s\n", loaded.error().toUtf8().constData());
            return 1;
        }
        gazetteer = loaded.value();
        best = std::min(best, ms);
    }
    if (mode == QLatin1String("load")) {
        // The first query builds nothing more: the index is made while loading.
        QElapsedTimer timer;
        timer.start();
        const Location where = gazetteer->locate(43.4674, 11.8851, 10);
        std::printf("gazetteer: %zu places, loaded in %.1f ms (best of 5); first locate %.2f ms "
                    "(%s)\n",
                    gazetteer->placeCount(), best, double(timer.nsecsElapsed()) / 1e6,
                    where.city ? where.city->name.toUtf8().constData() : "-");
        return 0;
    }
    QTextStream out(stdout);
    if (mode == QLatin1String("sample") && argc > 3) {
        QRandomGenerator random(quint32(std::atoi(argv[3])));
        for (int i = 0; i < std::atoi(argv[2]); ++i) {
            const auto& place =
                gazetteer->placeAt(random.bounded(uint32_t(gazetteer->placeCount())));
            const double km = random.generateDouble() * 3,
                         angle = random.generateDouble() * 2 * std::numbers::pi;
            const double lat = place.latitude + km / 111.2 * std::cos(angle);
            const double lon =
                place.longitude +
                km / (111.2 * std::max(0.05, std::cos(lat * std::numbers::pi / 180))) *
                    std::sin(angle);
            out << QString::number(lat, 'f', 6) << ' ' << QString::number(lon, 'f', 6) << '\n';
        }
        return 0;
    }
    QTextStream in(stdin);
    QString line;
    while (in.readLineInto(&line)) {
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() < 2)
            continue;
        const double lat = parts[0].toDouble(), lon = parts[1].toDouble();
        const Location where = gazetteer->locate(lat, lon, 10);
        out << parts[0] << ' ' << parts[1] << ' '
            << (where.countryCode.isEmpty() ? QStringLiteral("-") : where.countryCode) << ' '
            << where.zone << ' ' << (where.city ? where.city->name : QStringLiteral("-")) << '\n';
    }
    return 0;
}
