#include "templates/PropertyListCodec.h"
#include "templates/PropertyListReaders.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>

#include <cmath>

#include <cstring>

namespace {

using namespace PropertyListLimits;

// A binary property list: objects addressed through an offset table, each
// read with every offset, count and reference checked against the bytes.
// Shared references are followed, so what they expand to is counted.
class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& bytes) : m_bytes(bytes) {}

    Result<QVariant> read() {
        using R = Result<QVariant>;
        const qint64 size = m_bytes.size();
        if (size < 8 + 32)
            return R::fail(QStringLiteral("a binary property list cut short"));
        const qint64 trailer = size - 32;
        m_offsetSize = int(quint8(m_bytes[trailer + 6]));
        m_refSize = int(quint8(m_bytes[trailer + 7]));
        const quint64 objects = unsignedAt(trailer + 8, 8);
        const quint64 top = unsignedAt(trailer + 16, 8);
        m_table = qint64(unsignedAt(trailer + 24, 8));
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return R::fail(QStringLiteral("a binary property list with a damaged trailer"));
        if (objects == 0 || objects > quint64(MaxObjects))
            return R::fail(QStringLiteral("a binary property list of %1 objects").arg(objects));
        m_count = qint64(objects);
        if (m_table < 8 || m_table > trailer || m_count * m_offsetSize > trailer - m_table)
            return R::fail(QStringLiteral("the offset table lies outside the file"));
        if (top >= objects)
            return R::fail(QStringLiteral("the top object is not in the list"));
        return object(qint64(top), 1);
    }

private:
    quint64 unsignedAt(qint64 at, int width) const {
        quint64 value = 0;
        for (int i = 0; i < width; ++i)
            value = (value << 8) | quint8(m_bytes[at + i]);
        return value;
    }

    Result<QVariant> fail(const QString& why) const { return Result<QVariant>::fail(why); }

    // The count that follows a marker: its low nibble, or an integer object.
    std::optional<qint64> countAt(quint8 marker, qint64& at) const {
        const int low = marker & 0xf;
        if (low != 0xf)
            return low;
        if (at >= m_table)
            return std::nullopt;
        const quint8 intMarker = quint8(m_bytes[at]);
        if ((intMarker & 0xf0) != 0x10 || (intMarker & 0xf) > 3)
            return std::nullopt;
        const int width = 1 << (intMarker & 0xf);
        if (at + 1 + width > m_table)
            return std::nullopt;
        const quint64 count = unsignedAt(at + 1, width);
        at += 1 + width;
        if (count > quint64(m_table))
            return std::nullopt;
        return qint64(count);
    }

    Result<QVariant> object(qint64 index, int depth) {
        if (depth > MaxDepth)
            return fail(QStringLiteral("nested deeper than %1 levels").arg(MaxDepth));
        if (++m_visited > MaxObjects)
            return fail(QStringLiteral("more than %1 objects once shared ones are counted")
                            .arg(MaxObjects));
        if (m_onPath.contains(index))
            return fail(QStringLiteral("an object that contains itself"));
        const qint64 offset = qint64(unsignedAt(m_table + index * m_offsetSize, m_offsetSize));
        if (offset < 8 || offset >= m_table)
            return fail(QStringLiteral("object %1 lies outside the object area").arg(index));
        const quint8 marker = quint8(m_bytes[offset]);
        qint64 at = offset + 1;
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09)
                return Result<QVariant>::ok(marker == 0x09);
            return fail(
                QStringLiteral("an object of kind 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
        case 0x1: {
            const int width = 1 << (marker & 0xf);
            if (width > 8)
                return fail(QStringLiteral("an integer wider than 64 bits"));
            if (at + width > m_table)
                return fail(QStringLiteral("object %1 runs past its area").arg(index));
            const quint64 raw = unsignedAt(at, width);
            // Integers of 8 bytes are signed; narrower ones are unsigned.
            return Result<QVariant>::ok(width == 8 ? qlonglong(qint64(raw)) : qlonglong(raw));
        }
        case 0x2: {
            const int width = 1 << (marker & 0xf);
            if ((width != 4 && width != 8) || at + width > m_table)
                return fail(QStringLiteral("a damaged real number"));
            const quint64 raw = unsignedAt(at, width);
            if (width == 4) {
                float x;
                const quint32 bits = quint32(raw);
                std::memcpy(&x, &bits, 4);
                return Result<QVariant>::ok(double(x));
            }
            double x;
            std::memcpy(&x, &raw, 8);
            return Result<QVariant>::ok(x);
        }
        case 0x3: {
            if (marker != 0x33 || at + 8 > m_table)
                return fail(QStringLiteral("a damaged date"));
            const quint64 raw = unsignedAt(at, 8);
            double seconds;
            std::memcpy(&seconds, &raw, 8);
            if (!std::isfinite(seconds) || std::fabs(seconds) > 1e11)
                return fail(QStringLiteral("a date out of range"));
            const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
            return Result<QVariant>::ok(epoch.addMSecs(qint64(seconds * 1000.0)));
        }
        case 0x4:
        case 0x5:
        case 0x6: {
            const auto count = countAt(marker, at);
            const qint64 unit = (marker >> 4) == 0x6 ? 2 : 1;
            if (!count || at + *count * unit > m_table)
                return fail(QStringLiteral("object %1 runs past its area").arg(index));
            m_expanded += *count * unit;
            if (m_expanded > MaxExpandedBytes)
                return fail(
                    QStringLiteral("it expands to more than %1 MB").arg(MaxExpandedBytes >> 20));
            const QByteArray raw = m_bytes.mid(at, *count * unit);
            if ((marker >> 4) == 0x4)
                return Result<QVariant>::ok(raw);
            if ((marker >> 4) == 0x5)
                return Result<QVariant>::ok(QString::fromLatin1(raw));
            QString text(qsizetype(*count), Qt::Uninitialized);
            for (qint64 i = 0; i < *count; ++i)
                text[i] = QChar(char16_t((quint8(raw[2 * i]) << 8) | quint8(raw[2 * i + 1])));
            return Result<QVariant>::ok(text);
        }
        case 0xa:
        case 0xd: {
            const bool dict = (marker >> 4) == 0xd;
            const auto count = countAt(marker, at);
            if (!count || at + *count * m_refSize * (dict ? 2 : 1) > m_table)
                return fail(QStringLiteral("object %1 runs past its area").arg(index));
            m_onPath.insert(index);
            QVariantList items;
            QVariantMap map;
            for (qint64 i = 0; i < *count; ++i) {
                const quint64 ref = unsignedAt(at + i * m_refSize, m_refSize);
                if (ref >= quint64(m_count))
                    return fail(QStringLiteral("a reference to an object that is not there"));
                if (!dict) {
                    auto item = object(qint64(ref), depth + 1);
                    if (!item)
                        return item;
                    items << item.value();
                    continue;
                }
                auto key = object(qint64(ref), depth + 1);
                if (!key)
                    return key;
                if (key->typeId() != QMetaType::QString)
                    return fail(QStringLiteral("a dictionary key that is not text"));
                const quint64 valueRef = unsignedAt(at + (*count + i) * m_refSize, m_refSize);
                if (valueRef >= quint64(m_count))
                    return fail(QStringLiteral("a reference to an object that is not there"));
                auto value = object(qint64(valueRef), depth + 1);
                if (!value)
                    return value;
                const QString name = key->toString();
                if (map.contains(name))
                    return fail(QStringLiteral("the key \"%1\" twice").arg(name.left(40)));
                map.insert(name, value.value());
            }
            m_onPath.remove(index);
            return Result<QVariant>::ok(dict ? QVariant(map) : QVariant(items));
        }
        default:
            return fail(
                QStringLiteral("an object of kind 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
        }
    }

    const QByteArray& m_bytes;
    int m_offsetSize = 0;
    int m_refSize = 0;
    qint64 m_count = 0;
    qint64 m_table = 0;
    qint64 m_visited = 0;
    qint64 m_expanded = 0;
    QSet<qint64> m_onPath;
};

} // namespace

Result<QVariant> readBinaryPropertyList(const QByteArray& bytes) {
    return BinaryReader(bytes).read();
}

Result<QVariant> readPropertyList(const QByteArray& bytes) {
    if (bytes.size() > MaxFileSize)
        return Result<QVariant>::fail(
            QStringLiteral("larger than %1 MB").arg(MaxFileSize / (1024 * 1024)));
    if (bytes.startsWith("bplist00"))
        return readBinaryPropertyList(bytes);
    if (bytes.startsWith("bplist"))
        return Result<QVariant>::fail(QStringLiteral("a binary property list of another version"));
    return readXmlPropertyList(bytes);
}

Result<QVariantMap> readPropertyListDictionary(const QByteArray& bytes) {
    const auto value = readPropertyList(bytes);
    if (!value)
        return Result<QVariantMap>::fail(
            QStringLiteral("not a property list: %1").arg(value.error()));
    if (value->typeId() != QMetaType::QVariantMap)
        return Result<QVariantMap>::fail(
            QStringLiteral("the property list has no dictionary at its root"));
    return Result<QVariantMap>::ok(value->toMap());
}

Result<QVariantMap> fromXmlPropertyList(const QByteArray& xml) {
    return readPropertyListDictionary(xml);
}
