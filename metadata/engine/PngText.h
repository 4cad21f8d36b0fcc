#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

// The text chunks of a PNG, where some writers keep metadata: XMP in an iTXt
// chunk, EXIF and IPTC as hex "raw profiles" in zTXt chunks.
namespace PngText {

// A chunk with its length and checksum.
QByteArray chunk(const QByteArray& type, const QByteArray& data);

// A text chunk of the keyword: tEXt where Latin-1 holds the text, as the
// standard keywords are mostly written, else an uncompressed iTXt in UTF-8.
QByteArray textChunk(const QByteArray& keyword, const QString& text);

// A zlib stream inflated, at most limit bytes of it; nothing when the stream
// is damaged or inflates past the limit.
std::optional<QByteArray> inflate(QByteArrayView deflated, qsizetype limit = 16 << 20);
QByteArray deflate(const QByteArray& bytes);

// The keyword and text of a tEXt, zTXt or iTXt chunk's data; nothing for a
// form we do not read or a text that does not inflate.
std::optional<std::pair<QByteArray, QByteArray>> text(const QByteArray& type,
                                                      const QByteArray& data);

// A raw profile's text ("\nNAME\n   LENGTH\nHEX...") and the bytes it holds.
QByteArray profileBytes(const QByteArray& text);
QByteArray profileText(const QByteArray& name, const QByteArray& bytes);

} // namespace PngText
