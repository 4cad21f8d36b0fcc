#include "editing/GazetteerData.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

// The file, made by tools/make-gazetteer.py:
//   "TVGZ", u16 version (3), u16 0, u32 payload size, u32 check of the
//   payload (LE, see payloadCheck), then the payload as it stands. Version 2
//   held it packed (u32 packed size instead of the check, then u32 payload
//   size (BE) and a zlib stream, as qCompress writes); unpacking took half
//   of every load, which each places and zone command pays before its
//   first photo.
// The payload: unsigned LEB128 numbers (v), zigzag for signed ones (z):
//   v texts, v text bytes, the texts each ending in NUL
//   v countries, each: 2 ASCII letters, v name
//   v zones, each: v name
//   v states, each: v country, v name
//   v places, each: z lat, z lon (1e-5 degrees, from the previous place),
//                   v name, v state, v zone
//   v languages, each: 2 ASCII letters, v names, each: v place (from the
//                   previous one), v name
//   4 doubles (LE): scale x, scale y, translate x, translate y
//   v polygons, each: v country, v rings, each: v points, each: z x, z y
//                   (from the previous point of the ring)
// and nothing after.

namespace {

constexpr qsizetype headerSize = 16;
constexpr quint32 largestPayload = 64u << 20;

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    bool atEnd() const { return m_at == m_bytes.size(); }
    qsizetype left() const { return m_bytes.size() - m_at; }

    void fail(const QString& why) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 at byte %2").arg(why).arg(m_at);
    }

    // Most of a load is spent here: the bytes are read through a pointer.
    quint64 number() {
        const auto* data = reinterpret_cast<const uchar*>(m_bytes.constData());
        const qsizetype end = m_bytes.size();
        quint64 value = 0;
        for (int shift = 0; shift < 64 && m_at < end; shift += 7) {
            const uchar byte = data[m_at++];
            value |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return value;
        }
        fail(m_at >= end ? QStringLiteral("the data ends inside a number")
                         : QStringLiteral("a number is too long"));
        return 0;
    }

    qint64 signedNumber() {
        const quint64 v = number();
        return (v & 1) ? -qint64(v >> 1) - 1 : qint64(v >> 1);
    }

    // A count, each item of which takes at least minBytes more.
    uint32_t count(const char* what, qsizetype minBytes) {
        const quint64 n = number();
        if (!failed() && n > quint64(left() / std::max<qsizetype>(1, minBytes)))
            fail(QStringLiteral("%1 count %2 is more than the data holds").arg(what).arg(n));
        return failed() ? 0 : uint32_t(n);
    }

    // An index below the limit.
    uint32_t index(const char* what, size_t limit) {
        const quint64 n = number();
        if (!failed() && n >= limit)
            fail(QStringLiteral("%1 %2 is out of range").arg(what).arg(n));
        return failed() ? 0 : uint32_t(n);
    }

    QByteArray bytes(qsizetype n) {
        if (n > left()) {
            fail(QStringLiteral("the data ends early"));
            return {};
        }
        // A copy: the bytes read may lie in the caller's file.
        QByteArray out(m_bytes.constData() + m_at, n);
        m_at += n;
        return out;
    }

    double real() {
        const QByteArray raw = bytes(8);
        if (raw.size() != 8)
            return 0;
        const quint64 bits = qFromLittleEndian<quint64>(raw.constData());
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    QString m_error;
};

bool readTexts(Reader& in, GazetteerData& d) {
    const uint32_t count = in.count("text", 1);
    const uint32_t size = in.count("text byte", 1);
    if (in.failed())
        return false;
    if (count > size) {
        in.fail(QStringLiteral("more texts than text bytes"));
        return false;
    }
    d.textBytes = in.bytes(size);
    d.textStarts.reserve(count);
    qsizetype start = 0;
    for (uint32_t i = 0; i < count && !in.failed(); ++i) {
        const qsizetype end = d.textBytes.indexOf('\0', start);
        if (end < 0)
            in.fail(QStringLiteral("text %1 has no end").arg(i));
        d.textStarts.push_back(uint32_t(start));
        start = end + 1;
    }
    if (!in.failed() && start != d.textBytes.size())
        in.fail(QStringLiteral("the text bytes hold more than the texts"));
    return !in.failed();
}

bool readTables(Reader& in, GazetteerData& d) {
    const size_t texts = d.textStarts.size();
    d.countries.resize(in.count("country", 3));
    for (auto& country : d.countries) {
        const QByteArray code = in.bytes(2);
        if (code.size() == 2) {
            country.code[0] = code[0];
            country.code[1] = code[1];
        }
        country.name = in.index("country name", texts);
    }
    d.zones.resize(in.count("zone", 1));
    for (auto& zone : d.zones)
        zone = in.index("zone name", texts);
    d.states.resize(in.count("state", 2));
    for (auto& state : d.states) {
        state.country = in.index("state's country", d.countries.size());
        state.name = in.index("state name", texts);
    }
    return !in.failed();
}

bool readPlaces(Reader& in, GazetteerData& d) {
    d.places.resize(in.count("place", 5));
    qint64 lat = 0, lon = 0;
    for (auto& place : d.places) {
        lat += in.signedNumber();
        lon += in.signedNumber();
        if (lat < -9000000 || lat > 9000000 || lon < -18000000 || lon > 18000000) {
            in.fail(QStringLiteral("a place lies outside the globe"));
            return false;
        }
        place.lat = int32_t(lat);
        place.lon = int32_t(lon);
        place.name = in.index("place name", d.textStarts.size());
        place.state = in.index("place's state", d.states.size());
        place.zone = in.index("place's zone", d.zones.size());
        if (in.failed())
            return false;
    }
    return true;
}

bool readLanguages(Reader& in, GazetteerData& d) {
    d.languages.resize(in.count("language", 3));
    for (auto& language : d.languages) {
        const QByteArray code = in.bytes(2);
        if (code.size() == 2) {
            language.code[0] = code[0];
            language.code[1] = code[1];
        }
        language.names.resize(in.count("translated name", 2));
        uint64_t place = 0;
        for (auto& [index, name] : language.names) {
            place += in.number();
            if (!in.failed() && place >= d.places.size())
                in.fail(QStringLiteral("a translated name's place is out of range"));
            index = uint32_t(place);
            name = in.index("translated name", d.textStarts.size());
            if (in.failed())
                return false;
        }
    }
    return !in.failed();
}

bool readBorders(Reader& in, GazetteerData& d) {
    d.scaleX = in.real();
    d.scaleY = in.real();
    d.translateX = in.real();
    d.translateY = in.real();
    if (!(d.scaleX > 1e-9 && d.scaleY > 1e-9 && d.scaleX < 1 && d.scaleY < 1 &&
          std::abs(d.translateX) <= 360 && std::abs(d.translateY) <= 90)) {
        in.fail(QStringLiteral("the border grid is not sound"));
        return false;
    }
    d.polygons.resize(in.count("polygon", 2));
    for (auto& polygon : d.polygons) {
        polygon.country = in.index("polygon's country", d.countries.size());
        polygon.firstRing = uint32_t(d.rings.size());
        polygon.ringCount = in.count("ring", 1);
        polygon.minX = polygon.minY = std::numeric_limits<int32_t>::max();
        polygon.maxX = polygon.maxY = std::numeric_limits<int32_t>::min();
        for (uint32_t r = 0; r < polygon.ringCount && !in.failed(); ++r) {
            const uint32_t count = in.count("point", 2);
            if (count < 3) {
                in.fail(QStringLiteral("a ring of fewer than three points"));
                return false;
            }
            d.rings.push_back({uint32_t(d.points.size()), count});
            qint64 x = 0, y = 0;
            for (uint32_t p = 0; p < count; ++p) {
                x += in.signedNumber();
                y += in.signedNumber();
                if (std::abs(x) > (1 << 24) || std::abs(y) > (1 << 24)) {
                    in.fail(QStringLiteral("a border point lies off the grid"));
                    return false;
                }
                d.points.push_back({int32_t(x), int32_t(y)});
                polygon.minX = std::min(polygon.minX, int32_t(x));
                polygon.maxX = std::max(polygon.maxX, int32_t(x));
                polygon.minY = std::min(polygon.minY, int32_t(y));
                polygon.maxY = std::max(polygon.maxY, int32_t(y));
            }
        }
        if (in.failed())
            return false;
    }
    return true;
}

} // namespace

QString GazetteerData::text(uint32_t index) const {
    if (index >= textStarts.size())
        return {};
    const uint32_t start = textStarts[index];
    const uint32_t end =
        index + 1 < textStarts.size() ? textStarts[index + 1] - 1 : uint32_t(textBytes.size()) - 1;
    return QString::fromUtf8(textBytes.constData() + start, end - start);
}

namespace {

// FNV-1a over the payload's 64-bit little-endian words (the last one filled
// with zeros), folded to 32 bits. It finds a damaged file as surely as a
// CRC where any change is of one word, at a fifth of the cost.
quint32 payloadCheck(const char* data, qsizetype size) {
    quint64 hash = 0xcbf29ce484222325ull;
    qsizetype at = 0;
    for (; at + 8 <= size; at += 8)
        hash = (hash ^ qFromLittleEndian<quint64>(data + at)) * 0x100000001b3ull;
    if (at < size) {
        uchar tail[8] = {};
        std::memcpy(tail, data + at, size_t(size - at));
        hash = (hash ^ qFromLittleEndian<quint64>(tail)) * 0x100000001b3ull;
    }
    return quint32(hash ^ (hash >> 32));
}

// The payload of a version 2 or 3 file, or why there is none.
Result<QByteArray> payloadOf(const QByteArray& file) {
    using R = Result<QByteArray>;
    if (file.size() < headerSize || !file.startsWith("TVGZ"))
        return R::fail(QStringLiteral("not a gazetteer file"));
    const auto* head = reinterpret_cast<const uchar*>(file.constData());
    const quint16 version = qFromLittleEndian<quint16>(head + 4);
    const quint32 payloadSize = qFromLittleEndian<quint32>(head + 8);
    const quint32 check = qFromLittleEndian<quint32>(head + 12);
    const auto sizesWrong = [] {
        return R::fail(QStringLiteral("the gazetteer's sizes do not match its length"));
    };
    if (payloadSize > largestPayload)
        return sizesWrong();
    if (version == 3) {
        if (qint64(payloadSize) + headerSize != file.size())
            return sizesWrong();
        const auto* data = file.constData() + headerSize;
        if (payloadCheck(data, qsizetype(payloadSize)) != check)
            return R::fail(QStringLiteral("the gazetteer's data is damaged (its check differs)"));
        return R::ok(QByteArray::fromRawData(data, qsizetype(payloadSize)));
    }
    if (version != 2)
        return R::fail(QStringLiteral("gazetteer version %1 is not known").arg(version));
    if (qint64(check) + headerSize + 4 != file.size() ||
        qFromBigEndian<quint32>(head + headerSize) != payloadSize)
        return sizesWrong();
    QByteArray payload = qUncompress(head + headerSize, qsizetype(check) + 4);
    if (payload.size() != qsizetype(payloadSize))
        return R::fail(QStringLiteral("the gazetteer's data does not unpack"));
    return R::ok(std::move(payload));
}

} // namespace

// The payload of a version 3 file is read where it lies: the text bytes are
// copied out, so nothing read refers to the file after this returns.
Result<GazetteerData> readGazetteerData(const QByteArray& file) {
    using R = Result<GazetteerData>;
    const auto payload = payloadOf(file);
    if (!payload)
        return R::fail(payload.error());
    GazetteerData d;
    Reader in(payload.value());
    if (readTexts(in, d) && readTables(in, d) && readPlaces(in, d) && readLanguages(in, d) &&
        readBorders(in, d) && !in.atEnd())
        in.fail(QStringLiteral("data after the borders"));
    if (in.failed())
        return R::fail(QStringLiteral("damaged gazetteer: ") + in.error());
    return R::ok(std::move(d));
}
