#include "metadata/WorkerProtocol.h"

#include <cstring>
#include <limits>
#include <map>

namespace WorkerProtocol {
namespace {

// The CBOR major types, the top three bits of each item's first byte.
enum : quint8 {
    UnsignedType = 0,
    NegativeType = 1,
    BytesType = 2,
    TextType = 3,
    ArrayType = 4,
    MapType = 5,
    SimpleType = 7
};

// Messages are CBOR, written straight from the variant maps by the frame
// writer and read back by the frame reader: a property dictionary crosses the
// process boundary with every selected photo and every dump, and building a
// QCborValue tree on each side cost more than the copy itself. A value of a
// type no message holds (none of the dictionary's) is written as undefined,
// which reads back as no value at all: never as a removal.
class FrameWriter {
public:
    bool writeMap(const QVariantMap& map) {
        writeHead(MapType, quint64(map.size()));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            writeText(it.key());
            if (!writeValue(it.value()))
                return false;
        }
        return true;
    }

    QByteArray take() { return std::move(m_out); }

private:
    // The shortest head for the argument, as the CBOR rules want it.
    void writeHead(quint8 major, quint64 argument) {
        const char type = char(major << 5);
        if (argument < 24) {
            m_out += char(type | char(argument));
            return;
        }
        const int width = argument <= 0xff          ? 1
                          : argument <= 0xffff      ? 2
                          : argument <= 0xffffffffu ? 4
                                                    : 8;
        m_out += char(type | char(width == 1 ? 24 : width == 2 ? 25 : width == 4 ? 26 : 27));
        for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
            m_out += char((argument >> shift) & 0xff);
    }

    void writeText(const QString& text) {
        const qsizetype length = text.size();
        const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
        bool ascii = true;
        for (qsizetype i = 0; i < length && ascii; ++i)
            ascii = units[i] < 0x80;
        if (!ascii) {
            const QByteArray utf8 = text.toUtf8();
            writeHead(TextType, quint64(utf8.size()));
            m_out += utf8;
            return;
        }
        writeHead(TextType, quint64(length));
        const qsizetype start = m_out.size();
        m_out.resize(start + length);
        char* out = m_out.data() + start;
        for (qsizetype i = 0; i < length; ++i)
            out[i] = char(units[i]);
    }

    void writeInteger(qint64 number) {
        if (number >= 0)
            writeHead(UnsignedType, quint64(number));
        else
            writeHead(NegativeType, quint64(-1 - number));
    }

    template <typename List> bool writeArray(const List& items) {
        writeHead(ArrayType, quint64(items.size()));
        for (const auto& item : items) {
            if (!writeValue(QVariant(item)))
                return false;
        }
        return true;
    }

    bool writeValue(const QVariant& value) {
        switch (value.typeId()) {
        case QMetaType::UnknownType:
            m_out += char(0xf7); // undefined
            return true;
        case QMetaType::Nullptr:
            m_out += char(0xf6);
            return true;
        case QMetaType::Bool:
            m_out += char(value.toBool() ? 0xf5 : 0xf4);
            return true;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            writeInteger(value.toLongLong());
            return true;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double number = value.toDouble();
            quint64 bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            m_out += char(0xfb);
            for (int shift = 56; shift >= 0; shift -= 8)
                m_out += char((bits >> shift) & 0xff);
            return true;
        }
        case QMetaType::QString:
            writeText(*static_cast<const QString*>(value.constData()));
            return true;
        case QMetaType::QByteArray: {
            const QByteArray& bytes = *static_cast<const QByteArray*>(value.constData());
            writeHead(BytesType, quint64(bytes.size()));
            m_out += bytes;
            return true;
        }
        case QMetaType::QVariantMap:
            return writeMap(*static_cast<const QVariantMap*>(value.constData()));
        case QMetaType::QVariantList:
            return writeArray(*static_cast<const QVariantList*>(value.constData()));
        case QMetaType::QStringList:
            return writeArray(*static_cast<const QStringList*>(value.constData()));
        case QMetaType::ULongLong: {
            // Beyond what the reader's integers hold, as the nearest double.
            const quint64 number = value.toULongLong();
            if (number > quint64(std::numeric_limits<qint64>::max()))
                return writeValue(QVariant(double(number)));
            writeHead(UnsignedType, number);
            return true;
        }
        default:
            m_out += char(0xf7); // undefined
            return true;
        }
    }

    QByteArray m_out;
};

// Reads the CBOR that the frame writer produces (definite lengths, integers,
// single and double floats, texts, bytes, arrays, maps with text keys in order, false, true,
// null, undefined) straight from the bytes into variants. Anything else, or
// anything inconsistent, makes it give up, and the frame is refused. A
// frame comes from a process that may have been corrupted by a hostile photo,
// so every length is checked against what is left.
class FrameReader {
public:
    explicit FrameReader(const QByteArray& frame)
        : m_data(reinterpret_cast<const uchar*>(frame.constData())), m_size(frame.size()) {}

    std::optional<QVariantMap> readMessage() {
        quint8 major = 0;
        quint8 info = 0;
        quint64 argument = 0;
        if (!readHead(major, info, argument) || major != MapType)
            return std::nullopt;
        auto map = readMapBody(argument, 0);
        if (!map || m_pos != m_size)
            return std::nullopt;
        return map;
    }

private:
    bool readHead(quint8& major, quint8& info, quint64& argument) {
        if (m_pos >= m_size)
            return false;
        const quint8 initial = m_data[m_pos++];
        major = initial >> 5;
        info = initial & 0x1f;
        if (info < 24) {
            argument = info;
            return true;
        }
        const int width = info == 24 ? 1 : info == 25 ? 2 : info == 26 ? 4 : info == 27 ? 8 : 0;
        if (width == 0 || m_size - m_pos < width)
            return false; // indefinite lengths and reserved values
        argument = 0;
        for (int i = 0; i < width; ++i)
            argument = (argument << 8) | m_data[m_pos++];
        return true;
    }

    bool fits(quint64 length) const { return length <= quint64(m_size - m_pos); }

    std::optional<QString> readTextBody(quint64 length) {
        if (!fits(length))
            return std::nullopt;
        const char* start = reinterpret_cast<const char*>(m_data + m_pos);
        m_pos += qsizetype(length);
        QString text = QString::fromUtf8(start, qsizetype(length));
        // Malformed UTF-8 comes back with replacement characters; the general
        // conversion decides about texts that hold one.
        if (text.contains(QChar::ReplacementCharacter))
            return std::nullopt;
        return text;
    }

    std::optional<QVariantMap> readMapBody(quint64 count, int depth) {
        if (count > quint64(m_size - m_pos) / 2)
            return std::nullopt;
        // Built as the standard map the variant map wraps, so that keys and
        // values are moved in at the end rather than copied and searched for.
        std::map<QString, QVariant> entries;
        for (quint64 i = 0; i < count; ++i) {
            quint8 major = 0;
            quint8 info = 0;
            quint64 length = 0;
            if (!readHead(major, info, length) || major != TextType)
                return std::nullopt;
            auto key = readTextBody(length);
            if (!key || (!entries.empty() && !(entries.rbegin()->first < *key)))
                return std::nullopt; // keys out of order or repeated
            auto value = readValue(depth + 1);
            if (!value)
                return std::nullopt;
            entries.emplace_hint(entries.end(), std::move(*key), std::move(*value));
        }
        return QVariantMap(std::move(entries));
    }

    std::optional<QVariant> readValue(int depth) {
        // Deeper than any message nests: a hostile frame must not exhaust the stack.
        if (depth > 32)
            return std::nullopt;
        quint8 major = 0;
        quint8 info = 0;
        quint64 argument = 0;
        if (!readHead(major, info, argument))
            return std::nullopt;
        constexpr quint64 largest = quint64(std::numeric_limits<qint64>::max());
        switch (major) {
        case UnsignedType:
            if (argument > largest)
                return std::nullopt;
            return QVariant(qint64(argument));
        case NegativeType:
            if (argument > largest)
                return std::nullopt;
            return QVariant(-1 - qint64(argument));
        case BytesType: {
            if (!fits(argument))
                return std::nullopt;
            QByteArray bytes(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(argument));
            m_pos += qsizetype(argument);
            return QVariant(std::move(bytes));
        }
        case TextType: {
            auto text = readTextBody(argument);
            return text ? std::optional<QVariant>(QVariant(std::move(*text))) : std::nullopt;
        }
        case ArrayType: {
            if (!fits(argument))
                return std::nullopt;
            QVariantList items;
            items.reserve(qsizetype(argument));
            for (quint64 i = 0; i < argument; ++i) {
                auto item = readValue(depth + 1);
                if (!item)
                    return std::nullopt;
                items.append(std::move(*item));
            }
            return QVariant(std::move(items));
        }
        case MapType: {
            auto map = readMapBody(argument, depth);
            return map ? std::optional<QVariant>(QVariant(std::move(*map))) : std::nullopt;
        }
        case SimpleType:
            return simpleValue(info, argument);
        default:
            return std::nullopt; // tags
        }
    }

    static std::optional<QVariant> simpleValue(quint8 info, quint64 bits) {
        switch (info) {
        case 20:
            return QVariant(false);
        case 21:
            return QVariant(true);
        case 22:
            return QVariant::fromValue(nullptr);
        case 23:
            return QVariant();
        case 26: {
            const quint32 single = quint32(bits);
            float number = 0;
            std::memcpy(&number, &single, sizeof single);
            return QVariant(double(number));
        }
        case 27: {
            double number = 0;
            std::memcpy(&number, &bits, sizeof bits);
            return QVariant(number);
        }
        default:
            return std::nullopt;
        }
    }

    const uchar* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace

QByteArray encode(const QVariantMap& message) {
    FrameWriter writer;
    writer.writeMap(message);
    return writer.take();
}

std::optional<QVariantMap> decode(const QByteArray& frame) {
    return FrameReader(frame).readMessage();
}

} // namespace WorkerProtocol
