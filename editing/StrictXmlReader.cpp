#include "editing/StrictXmlReader.h"

#include "editing/TrackLog.h"

#include <algorithm>
#include <cstring>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool endsName(char c) {
    return isSpace(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'';
}

QLatin1StringView localName(QByteArrayView name) {
    const qsizetype colon = name.lastIndexOf(':');
    const QByteArrayView local = colon < 0 ? name : name.sliced(colon + 1);
    return QLatin1StringView(local.data(), local.size());
}

QString shown(QByteArrayView text) {
    return QString::fromUtf8(text.first(std::min<qsizetype>(text.size(), 40)));
}

void appendUtf8(QByteArray* out, char32_t code) {
    if (code < 0x80) {
        out->append(char(code));
    } else if (code < 0x800) {
        out->append(char(0xC0 | (code >> 6)));
        out->append(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->append(char(0xE0 | (code >> 12)));
        out->append(char(0x80 | ((code >> 6) & 0x3F)));
        out->append(char(0x80 | (code & 0x3F)));
    } else {
        out->append(char(0xF0 | (code >> 18)));
        out->append(char(0x80 | ((code >> 12) & 0x3F)));
        out->append(char(0x80 | ((code >> 6) & 0x3F)));
        out->append(char(0x80 | (code & 0x3F)));
    }
}

} // namespace

StrictXmlReader::StrictXmlReader(const QByteArray& bytes)
    : m_bytes(bytes), m_data(m_bytes.constData()), m_size(m_bytes.size()) {
    if (m_bytes.startsWith("\xEF\xBB\xBF"))
        m_at = 3;
}

bool StrictXmlReader::failAt(qsizetype at, const QString& reason) {
    if (m_error.isEmpty()) {
        const qint64 line = std::count(m_data, m_data + std::min(at, m_size), '\n') + 1;
        m_error = QStringLiteral("line %1: %2").arg(line).arg(reason);
    }
    return false;
}

bool StrictXmlReader::fail(const QString& reason) {
    return failAt(m_tokenAt, reason);
}

bool StrictXmlReader::skipPast(QByteArrayView end, const char* what) {
    const qsizetype found = QByteArrayView(m_data, m_size).indexOf(end, m_at);
    if (found < 0)
        return failAt(m_at, QStringLiteral("%1 that never ends").arg(QLatin1String(what)));
    m_at = found + end.size();
    return true;
}

// Entities are refused where they are declared, before any could be used.
bool StrictXmlReader::skipDoctype() {
    char quote = 0;
    int brackets = 0;
    for (qsizetype i = m_at + 9; i < m_size; ++i) {
        const char c = m_data[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '>' && brackets <= 0) {
            m_at = i + 1;
            return true;
        } else if (c == '<' && brackets > 0) {
            const QByteArrayView rest(m_data + i, m_size - i);
            if (rest.startsWith("<!ENTITY") || rest.startsWith("<!NOTATION"))
                return failAt(i, QStringLiteral("the document type declares entities, which a "
                                                "track log never needs"));
        }
    }
    return failAt(m_at, QStringLiteral("a document type that never ends"));
}

bool StrictXmlReader::resolve(QByteArrayView raw, QByteArray* out) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype amp = raw.indexOf('&', from);
        out->append(raw.sliced(from, (amp < 0 ? raw.size() : amp) - from));
        if (amp < 0)
            return true;
        const qsizetype semicolon = raw.indexOf(';', amp);
        const QByteArrayView ref = semicolon < 0 || semicolon - amp > 12
                                       ? QByteArrayView()
                                       : raw.sliced(amp + 1, semicolon - amp - 1);
        const qsizetype at = (raw.data() - m_data) + amp;
        if (ref.isEmpty())
            return failAt(at, QStringLiteral("a bare & (write &amp;)"));
        if (ref == "lt")
            out->append('<');
        else if (ref == "gt")
            out->append('>');
        else if (ref == "amp")
            out->append('&');
        else if (ref == "apos")
            out->append('\'');
        else if (ref == "quot")
            out->append('"');
        else if (ref.startsWith('#')) {
            bool ok = false;
            const uint code = ref.startsWith("#x") ? ref.sliced(2).toByteArray().toUInt(&ok, 16)
                                                   : ref.sliced(1).toByteArray().toUInt(&ok, 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return failAt(at,
                              QStringLiteral("a bad character reference (&%1;)").arg(shown(ref)));
            appendUtf8(out, char32_t(code));
        } else {
            return failAt(at, QStringLiteral("an entity reference (&%1;)").arg(shown(ref)));
        }
        from = semicolon + 1;
    }
}

// Text the readers pass over is checked all the same: outside the root only
// blanks, and no reference to an undeclared entity anywhere.
bool StrictXmlReader::checkText(qsizetype from, qsizetype to) {
    const QByteArrayView text(m_data + from, to - from);
    if (m_open.empty()) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!isSpace(text[i]))
                return failAt(from + i, QStringLiteral("text outside the document's element"));
        }
        return true;
    }
    if (text.indexOf('&') < 0)
        return true;
    QByteArray scratch;
    return resolve(text, &scratch);
}

bool StrictXmlReader::readStartTag() {
    qsizetype i = m_at + 1;
    while (i < m_size && !endsName(m_data[i]))
        ++i;
    const QByteArrayView name(m_data + m_at + 1, i - m_at - 1);
    if (name.isEmpty())
        return failAt(m_at, QStringLiteral("a \"<\" that starts no element"));
    if (m_open.empty() && m_rootSeen)
        return failAt(m_at, QStringLiteral("a second document element <%1>").arg(shown(name)));
    m_attributes.clear();
    bool empty = false;
    for (;;) {
        while (i < m_size && isSpace(m_data[i]))
            ++i;
        if (i >= m_size)
            return failAt(m_at, QStringLiteral("<%1> never closed").arg(shown(name)));
        if (m_data[i] == '>')
            break;
        if (m_data[i] == '/') {
            if (i + 1 >= m_size || m_data[i + 1] != '>')
                return failAt(i, QStringLiteral("a \"/\" inside <%1>").arg(shown(name)));
            empty = true;
            ++i;
            break;
        }
        const qsizetype nameStart = i;
        while (i < m_size && !endsName(m_data[i]))
            ++i;
        const QByteArrayView attribute(m_data + nameStart, i - nameStart);
        while (i < m_size && isSpace(m_data[i]))
            ++i;
        if (attribute.isEmpty() || i + 1 >= m_size || m_data[i] != '=')
            return failAt(i,
                          QStringLiteral("an attribute of <%1> without a value").arg(shown(name)));
        ++i;
        while (i < m_size && isSpace(m_data[i]))
            ++i;
        const char quote = i < m_size ? m_data[i] : 0;
        if (quote != '"' && quote != '\'')
            return failAt(i, QStringLiteral("the value of %1 is not quoted").arg(shown(attribute)));
        const char* end =
            static_cast<const char*>(std::memchr(m_data + i + 1, quote, size_t(m_size - i - 1)));
        if (!end)
            return failAt(i, QStringLiteral("the value of %1 never ends").arg(shown(attribute)));
        const QByteArrayView value(m_data + i + 1, end - (m_data + i + 1));
        if (value.indexOf('<') >= 0)
            return failAt(i, QStringLiteral("a \"<\" in the value of %1").arg(shown(attribute)));
        for (const auto& [other, unused] : m_attributes) {
            if (other == attribute)
                return failAt(
                    i, QStringLiteral("%1 twice in <%2>").arg(shown(attribute), shown(name)));
        }
        m_attributes.emplace_back(attribute, value);
        i = end - m_data + 1;
        if (i < m_size && !isSpace(m_data[i]) && m_data[i] != '>' && m_data[i] != '/')
            return failAt(
                i, QStringLiteral("no space between the attributes of <%1>").arg(shown(name)));
    }
    m_open.push_back(name);
    if (int(m_open.size()) > TrackLogLimits::MaxDepth)
        return failAt(
            m_at,
            QStringLiteral("elements nested deeper than %1 levels").arg(TrackLogLimits::MaxDepth));
    m_rootSeen = true;
    m_name = localName(name);
    m_pendingEnd = empty;
    m_at = i + 1;
    return true;
}

bool StrictXmlReader::readEndTag(QByteArrayView* ended) {
    qsizetype i = m_at + 2;
    while (i < m_size && !endsName(m_data[i]))
        ++i;
    const QByteArrayView name(m_data + m_at + 2, i - m_at - 2);
    while (i < m_size && isSpace(m_data[i]))
        ++i;
    if (i >= m_size || m_data[i] != '>')
        return failAt(m_at, QStringLiteral("</%1 never closed").arg(shown(name)));
    if (m_open.empty())
        return failAt(m_at, QStringLiteral("</%1> without its start").arg(shown(name)));
    if (name != m_open.back())
        return failAt(
            m_at,
            QStringLiteral("</%1> where </%2> belongs").arg(shown(name), shown(m_open.back())));
    m_open.pop_back();
    m_name = localName(name);
    *ended = name;
    m_at = i + 1;
    return true;
}

bool StrictXmlReader::next(Token* token) {
    if (failed())
        return false;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        *token = Token::End;
        return true;
    }
    for (;;) {
        const char* lt =
            static_cast<const char*>(std::memchr(m_data + m_at, '<', size_t(m_size - m_at)));
        const qsizetype at = lt ? lt - m_data : m_size;
        if (!checkText(m_at, at))
            return false;
        m_at = at;
        if (!lt) {
            if (!m_open.empty())
                return failAt(
                    m_size,
                    QStringLiteral("the document ends inside <%1>").arg(shown(m_open.back())));
            if (!m_rootSeen)
                return failAt(m_size, QStringLiteral("no element"));
            return false;
        }
        m_tokenAt = m_at;
        const QByteArrayView rest(m_data + m_at, m_size - m_at);
        if (rest.startsWith("</")) {
            QByteArrayView name;
            if (!readEndTag(&name))
                return false;
            *token = Token::End;
            return true;
        }
        if (rest.startsWith("<?")) {
            if (!skipPast("?>", "a processing instruction"))
                return false;
        } else if (rest.startsWith("<!--")) {
            if (!skipPast("-->", "a comment"))
                return false;
        } else if (rest.startsWith("<![CDATA[")) {
            if (m_open.empty())
                return failAt(m_at, QStringLiteral("text outside the document's element"));
            if (!skipPast("]]>", "a CDATA section"))
                return false;
        } else if (rest.startsWith("<!DOCTYPE")) {
            if (m_rootSeen)
                return failAt(m_at, QStringLiteral("a document type inside the document"));
            if (!skipDoctype())
                return false;
        } else if (rest.startsWith("<!")) {
            return failAt(m_at, QStringLiteral("unknown markup \"%1\"").arg(shown(rest.first(2))));
        } else {
            if (!readStartTag())
                return false;
            *token = Token::Start;
            return true;
        }
    }
}

std::optional<QByteArray> StrictXmlReader::attribute(QLatin1StringView name) {
    for (const auto& [key, value] : m_attributes) {
        if (QLatin1StringView(key.data(), key.size()) != name)
            continue;
        QByteArray resolved;
        if (!resolve(value, &resolved))
            return std::nullopt;
        return resolved;
    }
    return std::nullopt;
}

std::optional<QByteArray> StrictXmlReader::text() {
    QByteArray out;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return out;
    }
    const QByteArrayView element = m_open.back();
    for (;;) {
        const char* lt =
            static_cast<const char*>(std::memchr(m_data + m_at, '<', size_t(m_size - m_at)));
        if (!lt) {
            failAt(m_size, QStringLiteral("the document ends inside <%1>").arg(shown(element)));
            return std::nullopt;
        }
        if (!resolve(QByteArrayView(m_data + m_at, lt - (m_data + m_at)), &out))
            return std::nullopt;
        m_at = lt - m_data;
        const QByteArrayView rest(lt, m_size - m_at);
        if (rest.startsWith("</")) {
            QByteArrayView ended;
            if (!readEndTag(&ended))
                return std::nullopt;
            return out;
        }
        if (rest.startsWith("<![CDATA[")) {
            const qsizetype end = rest.indexOf("]]>");
            if (end < 0) {
                failAt(m_at, QStringLiteral("a CDATA section that never ends"));
                return std::nullopt;
            }
            out.append(rest.sliced(9, end - 9));
            m_at += end + 3;
        } else if (rest.startsWith("<!--")) {
            if (!skipPast("-->", "a comment"))
                return std::nullopt;
        } else if (rest.startsWith("<?")) {
            if (!skipPast("?>", "a processing instruction"))
                return std::nullopt;
        } else {
            failAt(m_at,
                   QStringLiteral("an element inside <%1>, which holds text").arg(shown(element)));
            return std::nullopt;
        }
    }
}

bool StrictXmlReader::skip() {
    const int outside = depth() - 1;
    Token token;
    while (next(&token)) {
        if (token == Token::End && depth() == outside)
            return true;
    }
    return false;
}
