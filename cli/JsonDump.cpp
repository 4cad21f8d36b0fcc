#include "cli/JsonDump.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Writes what QJsonDocument::toJson(Indented) writes for the value types a
// property dictionary holds, without building a JSON document first: dump is
// run over thousands of photos by scripts.
class IndentedJsonWriter {
public:
    bool writeObject(const QVariantMap& map, int depth) {
        m_out += "{\n";
        bool first = true;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!first)
                m_out += ",\n";
            first = false;
            indent(depth + 1);
            if (!writeString(it.key()))
                return false;
            m_out += ": ";
            if (!writeValue(it.value(), depth + 1))
                return false;
        }
        if (!first)
            m_out += '\n';
        indent(depth);
        m_out += '}';
        return true;
    }

    QByteArray take() { return std::move(m_out); }

private:
    void indent(int depth) { m_out.append(depth * 4, ' '); }

    template <typename List> bool writeArray(const List& items, int depth) {
        m_out += "[\n";
        bool first = true;
        for (const auto& item : items) {
            if (!first)
                m_out += ",\n";
            first = false;
            indent(depth + 1);
            if (!writeValue(QVariant(item), depth + 1))
                return false;
        }
        if (!first)
            m_out += '\n';
        indent(depth);
        m_out += ']';
        return true;
    }

    bool writeValue(const QVariant& value, int depth) {
        switch (value.typeId()) {
        case QMetaType::UnknownType:
            m_out += "null";
            return true;
        case QMetaType::Bool:
            m_out += value.toBool() ? "true" : "false";
            return true;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            m_out += QByteArray::number(value.toLongLong());
            return true;
        case QMetaType::ULongLong: {
            const qulonglong number = value.toULongLong();
            if (number <= qulonglong(std::numeric_limits<qint64>::max()))
                m_out += QByteArray::number(number);
            else
                writeDouble(double(number));
            return true;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            writeDouble(value.toDouble());
            return true;
        case QMetaType::QString:
            return writeString(value.toString());
        case QMetaType::QVariantMap:
            return writeObject(value.toMap(), depth);
        case QMetaType::QVariantList:
            return writeArray(value.toList(), depth);
        case QMetaType::QStringList:
            return writeArray(value.toStringList(), depth);
        case QMetaType::QByteArray:
            // As a JSON document has bytes: their base64url text.
            return writeString(QString::fromLatin1(value.toByteArray().toBase64(
                QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)));
        default:
            // Types no dictionary holds (dates and the like) as their text.
            if (value.canConvert<QString>())
                return writeString(value.toString());
            m_out += "null";
            return true;
        }
    }

    void writeDouble(double number) {
        if (!std::isfinite(number)) {
            m_out += "null";
            return;
        }
        // Whole numbers that fit 64 bits are written out in full, others in
        // the shortest form that reads back as the same double.
        const double magnitude = std::abs(number);
        if (magnitude == std::floor(magnitude) && magnitude < 18446744073709551616.0) {
            if (number < 0)
                m_out += '-';
            m_out += QByteArray::number(qulonglong(magnitude));
            return;
        }
        m_out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    }

    bool writeString(const QString& text) {
        static const char hex[] = "0123456789abcdef";
        const qsizetype length = text.size();
        const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
        // Room for the worst case of plain characters (six bytes each as
        // \u00XX), written through a pointer rather than appended one by one.
        const qsizetype start = m_out.size();
        m_out.resize(start + 2 + 6 * length);
        char* out = m_out.data() + start;
        *out++ = '"';
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t unit = units[i];
            if (unit >= 0x20 && unit < 0x80) {
                if (unit == '"' || unit == '\\')
                    *out++ = '\\';
                *out++ = char(unit);
                continue;
            }
            if (unit < 0x20) {
                *out++ = '\\';
                switch (unit) {
                case '\b':
                    *out++ = 'b';
                    break;
                case '\f':
                    *out++ = 'f';
                    break;
                case '\n':
                    *out++ = 'n';
                    break;
                case '\r':
                    *out++ = 'r';
                    break;
                case '\t':
                    *out++ = 't';
                    break;
                default:
                    *out++ = 'u';
                    *out++ = '0';
                    *out++ = '0';
                    *out++ = hex[unit >> 4];
                    *out++ = hex[unit & 0xf];
                }
                continue;
            }
            // A run of other characters as UTF-8 (at most three bytes for each
            // unit). A surrogate without its partner has no UTF-8 form: it
            // ends the run and is written as its escape, so the text keeps it.
            qsizetype end = i;
            bool lone = false;
            while (end < length && units[end] >= 0x80) {
                if (QChar::isHighSurrogate(units[end]) && end + 1 < length &&
                    QChar::isLowSurrogate(units[end + 1])) {
                    end += 2;
                } else if (QChar::isSurrogate(units[end])) {
                    lone = true;
                    break;
                } else {
                    ++end;
                }
            }
            const QByteArray encoded = QStringView(text).mid(i, end - i).toUtf8();
            out = std::copy(encoded.cbegin(), encoded.cend(), out);
            i = end - 1;
            if (lone) {
                const char16_t unit = units[end];
                *out++ = '\\';
                *out++ = 'u';
                for (int shift = 12; shift >= 0; shift -= 4)
                    *out++ = hex[(unit >> shift) & 0xf];
                i = end;
            }
        }
        *out++ = '"';
        m_out.truncate(out - m_out.constData());
        return true;
    }

    QByteArray m_out;
};

} // namespace

QByteArray dictionaryToJson(const QVariantMap& dictionary) {
    IndentedJsonWriter writer;
    writer.writeObject(dictionary, 0);
    QByteArray text = writer.take();
    text += '\n';
    return text;
}
