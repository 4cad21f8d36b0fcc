#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// A reader of the XML that track logs are written in, for untrusted files:
// UTF-8 (or another ASCII superset) XML 1.0 without entities beyond the five
// predefined and character references. A document type that declares
// entities is refused before anything could be expanded; elements nest at
// most TrackLogLimits::MaxDepth deep; every fault names its line. It reads
// the bytes in place, several times faster than a general reader, which a
// track of a million points needs.
class StrictXmlReader {
public:
    explicit StrictXmlReader(const QByteArray& bytes);

    enum class Token { Start, End };
    // The next start or end of an element (an empty element gives both):
    // false at the end of the document or on a fault, which error() says.
    bool next(Token* token);
    // The element's name without its namespace prefix.
    QLatin1StringView name() const { return m_name; }
    // An attribute of the element whose start was read last, its references resolved.
    std::optional<QByteArray> attribute(QLatin1StringView name);
    int depth() const { return int(m_open.size()); }
    // The text of an element without children whose start was read last;
    // the reader is then at its end.
    std::optional<QByteArray> text();
    // Passes over the element whose start was read last.
    bool skip();
    // Records a fault at the current line; false, for returning.
    bool fail(const QString& reason);
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

private:
    bool failAt(qsizetype at, const QString& reason);
    bool readStartTag();
    bool readEndTag(QByteArrayView* name);
    bool skipPast(QByteArrayView end, const char* what);
    bool skipDoctype();
    bool resolve(QByteArrayView raw, QByteArray* out);
    bool checkText(qsizetype from, qsizetype to);

    QByteArray m_bytes;
    const char* m_data;
    qsizetype m_size;
    qsizetype m_at = 0;
    qsizetype m_tokenAt = 0;            // where the last start or end tag began
    std::vector<QByteArrayView> m_open; // the open elements' full names
    QLatin1StringView m_name;
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    bool m_pendingEnd = false; // an empty element's end comes next
    bool m_rootSeen = false;
    QString m_error;
};
