#include "metadata/engine/PngText.h"

#include <QList>

#include <zlib.h>

namespace PngText {

namespace {
QByteArray bigEndian32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((value >> (24 - 8 * i)) & 0xff);
    return out;
}
} // namespace

QByteArray chunk(const QByteArray& type, const QByteArray& data) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(type.constData()), uInt(type.size()));
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(quint32(crc));
}

QByteArray textChunk(const QByteArray& keyword, const QString& text) {
    const QByteArray latin = text.toLatin1();
    if (QString::fromLatin1(latin) == text && !latin.contains('\0'))
        return chunk("tEXt", keyword + '\0' + latin);
    // Flag and method (uncompressed), then an empty language and translation.
    return chunk("iTXt", keyword + QByteArray(5, '\0') + text.toUtf8());
}

std::optional<QByteArray> inflate(QByteArrayView deflated, qsizetype limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = uInt(deflated.size());
    QByteArray out;
    int status = Z_OK;
    while (status == Z_OK) {
        const qsizetype have = out.size();
        const qsizetype grow = std::max<qsizetype>(4096, deflated.size() * 2);
        if (have >= limit) {
            status = Z_MEM_ERROR;
            break;
        }
        out.resize(std::min(have + grow, limit));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + have);
        stream.avail_out = uInt(out.size() - have);
        status = ::inflate(&stream, Z_NO_FLUSH);
        out.resize(qsizetype(stream.total_out));
        if (status == Z_BUF_ERROR && stream.avail_in > 0)
            status = Z_OK; // more room wanted
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return out;
}

QByteArray deflate(const QByteArray& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(bytes.constData()), uLong(bytes.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(qsizetype(size));
    return out;
}

std::optional<std::pair<QByteArray, QByteArray>> text(const QByteArray& type,
                                                      const QByteArray& data) {
    const qsizetype nul = data.indexOf('\0');
    if (nul < 0)
        return std::nullopt;
    const QByteArray keyword = data.left(nul);
    if (type == "tEXt")
        return std::pair{keyword, data.mid(nul + 1)};
    if (type == "zTXt") {
        const auto inflated = inflate(QByteArrayView(data).sliced(std::min(nul + 2, data.size())));
        if (!inflated)
            return std::nullopt;
        return std::pair{keyword, *inflated};
    }
    if (type != "iTXt" || nul + 3 > data.size())
        return std::nullopt;
    // iTXt: flag, method, language, translated keyword, text.
    const bool compressed = data[nul + 1] != 0;
    const qsizetype language = data.indexOf('\0', nul + 3);
    const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
    if (translated < 0)
        return std::nullopt;
    const QByteArray text = data.mid(translated + 1);
    if (!compressed)
        return std::pair{keyword, text};
    const auto inflated = inflate(text);
    if (!inflated)
        return std::nullopt;
    return std::pair{keyword, *inflated};
}

QByteArray profileBytes(const QByteArray& text) {
    const QList<QByteArray> lines = text.trimmed().split('\n');
    if (lines.size() < 3)
        return {};
    QByteArray hex;
    for (qsizetype i = 2; i < lines.size(); ++i)
        hex += lines[i].trimmed();
    return QByteArray::fromHex(hex);
}

QByteArray profileText(const QByteArray& name, const QByteArray& bytes) {
    QByteArray out = '\n' + name + '\n' + QByteArray::number(bytes.size()).rightJustified(8, ' ');
    const QByteArray hex = bytes.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 72)
        out += '\n' + hex.mid(at, 72);
    return out + '\n';
}

} // namespace PngText
