#include "metadata/PropertyKeys.h"
#include "metadata/XmpNames.h"
#include "metadata/engine/XmpPacket.h"
#include "metadata/engine/XmpTreeEdit.h"

#include <QMap>

#include <algorithm>
#include <optional>

namespace {

using Node = XmpPacket::Node;
using Kind = Node::Kind;
using MaybeNode = std::optional<Node>;

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        case '\'':
            out += QStringLiteral("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

class XmpPacket::Editor {
public:
    explicit Editor(const XmpPacket& packet)
        : m_packet(packet), m_trees(packet.m_rdfPrefix, packet.m_namespaceOfPrefix) {
        for (const Description& description : packet.m_descriptions)
            m_prefixes.append(description.prefixOfNamespace);
    }

    Result<QByteArray> edit(const QVariantMap& changes) {
        using R = Result<QByteArray>;
        QMap<QString, QList<std::pair<QString, QVariant>>> groups;
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            const QString top = XmpNames::topLevelOf(it.key());
            groups[top].append({it.key().mid(top.size()), it.value()});
        }
        for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
            const Status status = editProperty(group.key(), group.value());
            if (!status)
                return R::fail(status.error());
        }
        for (auto insert = m_inserts.cbegin(); insert != m_inserts.cend(); ++insert) {
            const Status status = insertInto(insert.key(), insert.value());
            if (!status)
                return R::fail(status.error());
        }
        QString text = m_packet.m_text;
        std::stable_sort(m_splices.begin(), m_splices.end(), [](const Splice& a, const Splice& b) {
            if (a.start != b.start)
                return a.start > b.start;
            return a.end > b.end;
        });
        for (const Splice& splice : std::as_const(m_splices))
            text.replace(splice.start, splice.end - splice.start, splice.text);
        return R::ok(repadded(std::move(text)));
    }

private:
    struct Splice {
        qsizetype start;
        qsizetype end;
        QString text;
    };

    Status editProperty(const QString& top, const QList<std::pair<QString, QVariant>>& changes) {
        QList<qsizetype> existing;
        for (qsizetype i = 0; i < m_packet.m_properties.size(); ++i) {
            if (m_packet.m_properties[i].node.key == top)
                existing.append(i);
        }
        MaybeNode node =
            existing.isEmpty() ? MaybeNode() : MaybeNode(m_packet.m_properties[existing[0]].node);
        for (const auto& [path, value] : changes) {
            auto changed = m_trees.apply(std::move(node), top, path, value);
            if (!changed)
                return Status::fail(changed.error());
            node = std::move(changed.value());
        }
        if (existing.isEmpty()) {
            if (node)
                m_inserts[descriptionFor(node->ns)].append(*node);
            return Status::ok();
        }
        const Property& first = m_packet.m_properties[existing[0]];
        if (node && XmpTreeEdit::same(*node, first.node) && existing.size() == 1)
            return Status::ok();
        // A property stated twice is left once.
        for (qsizetype i = 1; i < existing.size(); ++i)
            cut(m_packet.m_properties[existing[i]]);
        if (!node) {
            cut(first);
        } else if (first.attribute && node->kind == Kind::Text) {
            m_splices.append({first.valueStart, first.valueEnd, escaped(node->text)});
        } else if (first.attribute) {
            cut(first);
            m_inserts[first.description].append(*node);
        } else {
            const QString indent = indentAt(first.start);
            const auto element = serialize(*node, indent, first.description);
            if (!element)
                return Status::fail(element.error());
            m_splices.append({first.start, first.end, element.value()});
        }
        return Status::ok();
    }

    int descriptionFor(const QString& ns) const {
        for (int i = 0; i < m_prefixes.size(); ++i) {
            if (m_prefixes[i].contains(ns))
                return i;
        }
        return 0;
    }

    void cut(const Property& property) {
        qsizetype start = property.start;
        if (!property.attribute) {
            // The element's line goes with it.
            const QString& text = m_packet.m_text;
            qsizetype at = start;
            while (at > 0 && (text[at - 1] == u' ' || text[at - 1] == u'\t'))
                --at;
            if (at > 0 && text[at - 1] == u'\n') {
                start = at - 1;
                if (start > 0 && text[start - 1] == u'\r')
                    --start;
            }
        }
        m_splices.append({start, property.end, QString()});
    }

    QString indentAt(qsizetype position) const {
        const QString& text = m_packet.m_text;
        const qsizetype lineStart = text.lastIndexOf(u'\n', position - 1) + 1;
        qsizetype end = lineStart;
        while (end < position && (text[end] == u' ' || text[end] == u'\t'))
            ++end;
        return text.mid(lineStart, end - lineStart);
    }

    // The prefix the description's scope gives a namespace, declaring it on
    // the description when it has none there.
    Result<QString> prefixFor(const QString& ns, int description) {
        auto& scope = m_prefixes[description];
        const auto found = scope.constFind(ns);
        if (found != scope.cend())
            return Result<QString>::ok(*found);
        QString base = XmpNames::prefixOf(ns);
        if (base.isEmpty()) {
            for (auto it = m_packet.m_namespaceOfPrefix.cbegin();
                 it != m_packet.m_namespaceOfPrefix.cend() && base.isEmpty(); ++it) {
                if (it.value() == ns)
                    base = it.key();
            }
        }
        if (base.isEmpty())
            base = QStringLiteral("ns");
        QString prefix = base;
        for (int n = 1; std::any_of(scope.cbegin(), scope.cend(),
                                    [&](const QString& taken) { return taken == prefix; });
             ++n)
            prefix = base + QString::number(n);
        scope.insert(ns, prefix);
        const Description& d = m_packet.m_descriptions[description];
        const qsizetype at = d.tagEnd - (d.selfClosing ? 2 : 1);
        m_splices.append({at, at, QStringLiteral(" xmlns:%1=\"%2\"").arg(prefix, escaped(ns))});
        return Result<QString>::ok(prefix);
    }

    Result<QString> qualified(const Node& node, int description) {
        auto prefix = prefixFor(node.ns, description);
        if (!prefix)
            return prefix;
        return Result<QString>::ok(prefix.value() + node.key.mid(node.key.indexOf(u':')));
    }

    // An element for the node, its inner lines indented below the given indent.
    Result<QString> serialize(const Node& node, const QString& indent, int description) {
        auto name = qualified(node, description);
        if (!name)
            return name;
        return inner(node, name.value(), QString(), indent, description);
    }

    Result<QString> inner(const Node& node, const QString& name, const QString& attributes,
                          const QString& indent, int description) {
        using R = Result<QString>;
        const QString rdf = m_packet.m_rdfPrefix;
        const QString open = QLatin1Char('<') + name + attributes;
        const QString close = QStringLiteral("</") + name + QLatin1Char('>');
        const QString in = indent + QLatin1Char(' ');
        switch (node.kind) {
        case Kind::Text:
            return R::ok(open + QLatin1Char('>') + escaped(node.text) + close);
        case Kind::Struct: {
            QString out = open + QStringLiteral(" %1:parseType=\"Resource\">").arg(rdf);
            for (const Node& field : node.children) {
                auto element = serialize(field, in, description);
                if (!element)
                    return element;
                out += QLatin1Char('\n') + in + element.value();
            }
            return R::ok(out + QLatin1Char('\n') + indent + close);
        }
        case Kind::Bag:
        case Kind::Seq:
        case Kind::Alt:
            break;
        }
        const QString array = rdf + (node.kind == Kind::Bag   ? QStringLiteral(":Bag")
                                     : node.kind == Kind::Seq ? QStringLiteral(":Seq")
                                                              : QStringLiteral(":Alt"));
        const QString itemIndent = in + QLatin1Char(' ');
        QString out = open + QLatin1Char('>') + QLatin1Char('\n') + in + QLatin1Char('<') + array +
                      QLatin1Char('>');
        for (const Node& item : node.children) {
            const QString lang = item.lang.isEmpty()
                                     ? QString()
                                     : QStringLiteral(" xml:lang=\"%1\"").arg(escaped(item.lang));
            auto element = inner(item, rdf + QStringLiteral(":li"), lang, itemIndent, description);
            if (!element)
                return element;
            out += QLatin1Char('\n') + itemIndent + element.value();
        }
        return R::ok(out + QLatin1Char('\n') + in + QStringLiteral("</") + array +
                     QLatin1Char('>') + QLatin1Char('\n') + indent + close);
    }

    Status insertInto(int description, const QList<Node>& nodes) {
        if (m_packet.m_descriptions.isEmpty())
            return Status::fail(QStringLiteral("the XMP packet has no description to add to"));
        const Description& d = m_packet.m_descriptions[description];
        const auto element = std::find_if(
            m_packet.m_properties.cbegin(), m_packet.m_properties.cend(),
            [&](const Property& p) { return p.description == description && !p.attribute; });
        const QString outer = indentAt(d.tagStart);
        const QString indent =
            element != m_packet.m_properties.cend() ? indentAt(element->start) : outer + u' ';
        QString text;
        for (const Node& node : nodes) {
            auto serialized = serialize(node, indent, description);
            if (!serialized)
                return Status::fail(serialized.error());
            text += QLatin1Char('\n') + indent + serialized.value();
        }
        if (d.selfClosing)
            m_splices.append({d.tagEnd - 2, d.tagEnd,
                              QLatin1Char('>') + text + QLatin1Char('\n') + outer +
                                  QStringLiteral("</%1>").arg(d.name)});
        else
            m_splices.append({d.contentEnd, d.contentEnd, text});
        return Status::ok();
    }

    // The padding before the packet's end takes up what the edit grew or
    // shrank it by, as far as it reaches; it is counted in the packet's
    // encoding, where a blank takes one to four bytes.
    QByteArray repadded(QString text) const {
        const qsizetype unit = std::max<qsizetype>(1, m_packet.encoded(QStringLiteral(" ")).size());
        const qsizetype delta = m_packet.encoded(text).size() - m_packet.m_bytes.size();
        // Padding lies after the RDF: blanks inside a value are the value's.
        const qsizetype rdfEnd = m_packet.m_rdfEnd + (text.size() - m_packet.m_text.size());
        const qsizetype trailer = text.lastIndexOf(u"<?xpacket end");
        if (delta == 0 || trailer < rdfEnd)
            return m_packet.encoded(text);
        qsizetype start = trailer;
        while (start > rdfEnd && (text[start - 1] == u' ' || text[start - 1] == u'\n' ||
                                  text[start - 1] == u'\r' || text[start - 1] == u'\t'))
            --start;
        // The line break after the last element stays.
        if (start < trailer && (text[start] == u'\n' || text[start] == u'\r'))
            ++start;
        if (delta < 0) {
            text.insert(start, QString(-delta / unit, u' '));
        } else {
            const qsizetype room = std::max<qsizetype>(0, trailer - start - 1);
            text.remove(start, std::min(room, (delta + unit - 1) / unit));
        }
        return m_packet.encoded(text);
    }

    const XmpPacket& m_packet;
    const XmpTreeEdit m_trees;
    QList<QHash<QString, QString>> m_prefixes; // per description, with what the edit declares
    QMap<int, QList<Node>> m_inserts;          // new elements, per description
    QList<Splice> m_splices;
};

Result<QByteArray> XmpPacket::edited(const QVariantMap& changes) const {
    return Editor(*this).edit(changes);
}

QStringList XmpPacket::emptyProperties() const {
    QStringList empty;
    for (const Property& property : m_properties) {
        if (property.node.kind != Kind::Text && property.node.children.isEmpty())
            empty << property.node.key;
    }
    return empty;
}
