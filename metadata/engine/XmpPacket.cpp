#include "metadata/engine/XmpPacket.h"

#include "metadata/XmpNames.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString RdfNs = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString XmlNs = QStringLiteral("http://www.w3.org/XML/1998/namespace");
constexpr int MaxDepth = 32;

QString keyOf(QStringView ns, QStringView prefix, QStringView name) {
    QString conventional = XmpNames::prefixOf(ns.toString());
    if (conventional.isEmpty())
        conventional = prefix.toString();
    return conventional + QLatin1Char(':') + name.toString();
}

// An ASCII XML name: a letter or underscore, then letters, digits and ._-
bool isXmlName(QStringView name) {
    const auto letter = [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    };
    if (name.isEmpty() || !letter(name.front()))
        return false;
    return std::all_of(name.begin() + 1, name.end(), [&](QChar c) {
        return letter(c) || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
    });
}

} // namespace

// Walks the packet's tokens, noting where each top-level property lies.
class XmpPacket::Reader {
public:
    explicit Reader(XmpPacket& packet) : m_packet(packet), m_xml(packet.m_text) {}

    Status read() {
        while (next()) {
            if (m_xml.tokenType() == QXmlStreamReader::DTD)
                return Status::fail(QStringLiteral("it declares a document type"));
            if (m_xml.isStartElement() && m_xml.namespaceUri() == RdfNs &&
                m_xml.name() == QLatin1String("RDF")) {
                m_packet.m_rdfPrefix = m_xml.prefix().toString();
                const Status status = readRdf();
                if (!status)
                    return status;
                // What follows the RDF is the wrapper's end and the padding,
                // which readers leave unread; only there may an edit re-pad.
                m_packet.m_rdfEnd = m_offset;
                return Status::ok();
            }
        }
        if (m_xml.hasError())
            return Status::fail(m_xml.errorString());
        return Status::fail(QStringLiteral("it has no RDF"));
    }

private:
    bool next() {
        if (m_xml.atEnd())
            return false;
        m_tokenStart = m_offset;
        m_xml.readNext();
        m_offset = qsizetype(m_xml.characterOffset());
        // The reader has looked one character ahead when it reports a tag:
        // a tag begins at its own "<", which no attribute value may hold.
        if (m_xml.isStartElement() || m_xml.isEndElement())
            m_tokenStart = m_packet.m_text.lastIndexOf(u'<', m_offset - 1);
        if (m_xml.isStartElement()) {
            QHash<QString, QString> scope =
                m_scopes.isEmpty() ? QHash<QString, QString>() : m_scopes.last();
            for (const QXmlStreamNamespaceDeclaration& d : m_xml.namespaceDeclarations()) {
                // A prefix that is no XML name is never written again: an edit
                // declares a name of its own for that namespace.
                if (!isXmlName(d.prefix()))
                    continue;
                scope.insert(d.namespaceUri().toString(), d.prefix().toString());
                m_packet.m_namespaceOfPrefix.insert(d.prefix().toString(),
                                                    d.namespaceUri().toString());
            }
            m_scopes.append(scope);
        } else if (m_xml.isEndElement() && !m_scopes.isEmpty()) {
            m_scopes.removeLast();
        }
        return !m_xml.hasError() && m_xml.tokenType() != QXmlStreamReader::EndDocument;
    }

    Status readRdf() {
        while (next()) {
            if (m_xml.isEndElement())
                return Status::ok();
            if (m_xml.isStartElement()) {
                const Status status = readDescription();
                if (!status)
                    return status;
            }
        }
        return Status::fail(QStringLiteral("its RDF is cut short"));
    }

    // A start tag's attribute: where its blanks, its value and its end lie.
    bool findAttribute(qsizetype tagStart, qsizetype tagEnd, QStringView qualified,
                       Property& property) const {
        const QString& text = m_packet.m_text;
        qsizetype at = tagStart + 1;
        while (at < tagEnd && !text[at].isSpace() && text[at] != QLatin1Char('>') &&
               text[at] != QLatin1Char('/'))
            ++at;
        while (at < tagEnd) {
            const qsizetype blanks = at;
            while (at < tagEnd && text[at].isSpace())
                ++at;
            const qsizetype nameStart = at;
            while (at < tagEnd && !text[at].isSpace() && text[at] != QLatin1Char('='))
                ++at;
            const QStringView name = QStringView(text).sliced(nameStart, at - nameStart);
            while (at < tagEnd && (text[at].isSpace() || text[at] == QLatin1Char('=')))
                ++at;
            if (at >= tagEnd || (text[at] != QLatin1Char('"') && text[at] != QLatin1Char('\'')))
                return false;
            const QChar quote = text[at];
            const qsizetype close = text.indexOf(quote, at + 1);
            if (close < 0 || close >= tagEnd)
                return false;
            if (name == qualified) {
                property.start = blanks;
                property.valueStart = at + 1;
                property.valueEnd = close;
                property.end = close + 1;
                return true;
            }
            at = close + 1;
        }
        return false;
    }

    Status readDescription() {
        Description description;
        description.tagStart = m_tokenStart;
        description.tagEnd = m_offset;
        description.contentEnd = m_offset;
        description.prefixOfNamespace = m_scopes.last();
        description.name = m_xml.qualifiedName().toString();
        const int index = int(m_packet.m_descriptions.size());
        for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
            if (attribute.namespaceUri() == RdfNs || attribute.namespaceUri() == XmlNs ||
                attribute.namespaceUri().isEmpty())
                continue;
            Property property;
            property.description = index;
            property.attribute = true;
            property.node.key =
                keyOf(attribute.namespaceUri(), attribute.prefix(), attribute.name());
            property.node.ns = attribute.namespaceUri().toString();
            property.node.text = attribute.value().toString();
            if (!findAttribute(description.tagStart, description.tagEnd, attribute.qualifiedName(),
                               property))
                return Status::fail(QStringLiteral("an attribute of a description is malformed"));
            m_packet.m_properties.append(property);
        }
        m_packet.m_descriptions.append(description);
        while (next()) {
            if (m_xml.isEndElement()) {
                m_packet.m_descriptions[index].selfClosing =
                    m_offset == description.tagEnd &&
                    QStringView(m_packet.m_text).sliced(0, m_offset).endsWith(u"/>");
                return Status::ok();
            }
            if (!m_xml.isStartElement())
                continue;
            Property property;
            property.description = index;
            property.start = m_tokenStart;
            auto node = readNode(0);
            if (!node)
                return Status::fail(node.error());
            property.node = std::move(node.value());
            property.end = m_offset;
            m_packet.m_descriptions[index].contentEnd = m_offset;
            m_packet.m_properties.append(property);
        }
        return Status::fail(QStringLiteral("a description is cut short"));
    }

    // The value of the element the reader stands on, up to its end tag.
    Result<Node> readNode(int depth) {
        using R = Result<Node>;
        if (depth > MaxDepth)
            return R::fail(QStringLiteral("its values are nested too deeply"));
        Node node;
        node.key = keyOf(m_xml.namespaceUri(), m_xml.prefix(), m_xml.name());
        node.ns = m_xml.namespaceUri().toString();
        bool structure = false;
        for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
            if (attribute.namespaceUri() == XmlNs && attribute.name() == QLatin1String("lang")) {
                node.lang = attribute.value().toString();
            } else if (attribute.namespaceUri() == RdfNs) {
                if (attribute.name() == QLatin1String("resource"))
                    node.text = attribute.value().toString();
                else if (attribute.name() == QLatin1String("parseType") &&
                         attribute.value() == QLatin1String("Resource"))
                    structure = true;
            } else if (!attribute.namespaceUri().isEmpty()) {
                Node field;
                field.key = keyOf(attribute.namespaceUri(), attribute.prefix(), attribute.name());
                field.ns = attribute.namespaceUri().toString();
                field.text = attribute.value().toString();
                node.children.append(field);
                structure = true;
            }
        }
        QString text;
        while (next()) {
            if (m_xml.isEndElement())
                break;
            if (m_xml.isCharacters()) {
                text += m_xml.text();
                continue;
            }
            if (!m_xml.isStartElement())
                continue;
            const bool rdf = m_xml.namespaceUri() == RdfNs;
            const QStringView name = m_xml.name();
            if (rdf && (name == QLatin1String("Bag") || name == QLatin1String("Seq") ||
                        name == QLatin1String("Alt"))) {
                node.kind = name == QLatin1String("Bag")   ? Node::Kind::Bag
                            : name == QLatin1String("Seq") ? Node::Kind::Seq
                                                           : Node::Kind::Alt;
                while (next() && !m_xml.isEndElement()) {
                    if (!m_xml.isStartElement())
                        continue;
                    auto item = readNode(depth + 1);
                    if (!item)
                        return item;
                    node.children.append(std::move(item.value()));
                }
                continue;
            }
            if (rdf && name == QLatin1String("value")) {
                auto value = readNode(depth + 1);
                if (!value)
                    return value;
                node.text = value->text;
                continue;
            }
            if (rdf && name == QLatin1String("Description")) {
                // A structure as a nested description: its fields are its own.
                auto inner = readNode(depth + 1);
                if (!inner)
                    return inner;
                node.children += inner->children;
                structure = true;
                continue;
            }
            auto field = readNode(depth + 1);
            if (!field)
                return field;
            node.children.append(std::move(field.value()));
            structure = true;
        }
        if (structure && node.kind == Node::Kind::Text)
            node.kind = Node::Kind::Struct;
        else if (node.kind == Node::Kind::Text && node.text.isEmpty())
            node.text = text;
        return R::ok(std::move(node));
    }

    XmpPacket& m_packet;
    QXmlStreamReader m_xml;
    QList<QHash<QString, QString>> m_scopes;
    qsizetype m_tokenStart = 0;
    qsizetype m_offset = 0;
};

namespace {

void flatten(const XmpPacket::Node& node, const QString& key, QVariantMap& out) {
    using Kind = XmpPacket::Node::Kind;
    switch (node.kind) {
    case Kind::Text:
        out.insert(key, node.text);
        return;
    case Kind::Struct:
        for (const XmpPacket::Node& field : node.children)
            flatten(field, key + QLatin1Char('/') + field.key, out);
        return;
    case Kind::Alt:
    case Kind::Bag:
    case Kind::Seq:
        break;
    }
    const bool texts = std::all_of(node.children.cbegin(), node.children.cend(),
                                   [](const XmpPacket::Node& n) { return n.kind == Kind::Text; });
    if (node.kind == Kind::Alt && texts && !node.children.isEmpty() &&
        !node.children.first().lang.isEmpty()) {
        const auto fallback = std::find_if(
            node.children.cbegin(), node.children.cend(),
            [](const XmpPacket::Node& n) { return n.lang == QLatin1String("x-default"); });
        out.insert(key,
                   (fallback == node.children.cend() ? node.children.first() : *fallback).text);
        return;
    }
    if (texts) {
        QVariantList items;
        for (const XmpPacket::Node& item : node.children)
            items << item.text;
        out.insert(key, items);
        return;
    }
    for (qsizetype i = 0; i < node.children.size(); ++i)
        flatten(node.children[i], key + QStringLiteral("[%1]").arg(i + 1), out);
}

} // namespace

Result<XmpPacket> XmpPacket::parse(const QByteArray& bytes) {
    using R = Result<XmpPacket>;
    // One write reads its packet to plan the change, to edit it and to check
    // what it wrote: each thread keeps the last few it read.
    thread_local QList<XmpPacket> recent;
    const Encoding encoding = encodingOf(bytes);
    const QByteArrayView text = unpadded(bytes, encoding);
    for (const XmpPacket& known : std::as_const(recent)) {
        if (known.m_bytes == text)
            return R::ok(known);
    }
    XmpPacket packet;
    packet.m_bytes = text.toByteArray();
    packet.m_encoding = encoding;
    auto decodedText = decoded(text, encoding, &packet.m_repairs);
    if (!decodedText)
        return R::fail(decodedText.error());
    packet.m_text = std::move(decodedText).value();
    const Status status = Reader(packet).read();
    if (!status)
        return R::fail(QStringLiteral("the XMP packet could not be read (%1)").arg(status.error()));
    for (const Property& property : std::as_const(packet.m_properties))
        flatten(property.node, property.node.key, packet.m_values);
    if (recent.size() >= 4)
        recent.removeFirst();
    recent.append(packet);
    return R::ok(std::move(packet));
}

QByteArray XmpPacket::emptyPacket(bool padded) {
    QByteArray packet = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                        "  <rdf:Description rdf:about=\"\"/>\n"
                        " </rdf:RDF>\n"
                        "</x:xmpmeta>\n";
    if (!padded)
        return packet.mid(packet.indexOf("<x:xmpmeta"));
    // The room other writers leave: 2 KB, in lines.
    for (int line = 0; line < 20; ++line)
        packet += QByteArray(99, ' ') + '\n';
    return packet + "<?xpacket end=\"w\"?>";
}

QVariantMap XmpPacket::values() const {
    return m_values;
}
