#include "metadata/engine/XmpTreeEdit.h"

#include "metadata/PropertyKeys.h"
#include "metadata/XmpNames.h"

namespace {

using Node = XmpPacket::Node;
using Kind = Node::Kind;
using MaybeNode = std::optional<Node>;

const QString RdfNs = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");

bool isList(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

Result<QString> textOf(const QString& key, const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantMap || isList(value))
        return Result<QString>::fail(QStringLiteral("cannot write %1: not a text").arg(key));
    if (value.typeId() == QMetaType::Bool)
        return Result<QString>::ok(value.toBool() ? QStringLiteral("True")
                                                  : QStringLiteral("False"));
    const QString text = value.toString();
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') ||
            c.unicode() == 0xfffe || c.unicode() == 0xffff)
            return Result<QString>::fail(
                QStringLiteral("cannot write %1: it holds a character XML cannot hold").arg(key));
    }
    return Result<QString>::ok(text);
}

Node textNode(const QString& key, const QString& ns, const QString& text,
              const QString& lang = QString()) {
    Node node;
    node.key = key;
    node.ns = ns;
    node.text = text;
    node.lang = lang;
    return node;
}

} // namespace

bool XmpTreeEdit::same(const Node& a, const Node& b) {
    if (a.kind != b.kind || a.key != b.key || a.ns != b.ns || a.text != b.text ||
        a.lang != b.lang || a.children.size() != b.children.size())
        return false;
    for (qsizetype i = 0; i < a.children.size(); ++i) {
        if (!same(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

QString XmpTreeEdit::namespaceOf(const QString& key) const {
    const QString prefix = XmpNames::prefixOfKey(key);
    const QString known = XmpNames::namespaceOf(prefix);
    return known.isEmpty() ? m_namespaceOfPrefix.value(prefix) : known;
}

Result<XmpTreeEdit::MaybeNode> XmpTreeEdit::apply(MaybeNode node, const QString& key,
                                                  QStringView path, const QVariant& value) const {
    using R = Result<MaybeNode>;
    const QString ns = namespaceOf(key);
    if (ns.isEmpty())
        return R::fail(
            QStringLiteral("cannot write %1: its prefix names no known namespace").arg(key));
    if (path.isEmpty())
        return valueNode(std::move(node), key, ns, value);
    if (!node) {
        node = Node();
        node->key = key;
        node->ns = ns;
        node->kind = path.startsWith(u'/')                          ? Kind::Struct
                     : XmpNames::formOf(key) == XmpNames::Form::Bag ? Kind::Bag
                                                                    : Kind::Seq;
    }
    if (path.startsWith(u'/')) {
        if (node->kind != Kind::Struct)
            return R::fail(QStringLiteral("cannot write %1: not a structure").arg(key));
        qsizetype end = 1;
        while (end < path.size() && path[end] != u'/' && path[end] != u'[')
            ++end;
        const QString field = path.sliced(1, end - 1).toString();
        const auto at = std::find_if(node->children.begin(), node->children.end(),
                                     [&](const Node& n) { return n.key == field; });
        MaybeNode child = at == node->children.end() ? MaybeNode() : MaybeNode(*at);
        auto changed = apply(std::move(child), field, path.sliced(end), value);
        if (!changed)
            return changed;
        if (at != node->children.end() && changed.value())
            *at = *changed.value();
        else if (at != node->children.end())
            node->children.erase(at);
        else if (changed.value())
            node->children.append(*changed.value());
    } else {
        const qsizetype close = path.indexOf(u']');
        bool ok = false;
        const qsizetype index = close < 0 ? 0 : path.sliced(1, close - 1).toLongLong(&ok);
        if (!ok || node->kind == Kind::Struct || node->kind == Kind::Text || index < 1 ||
            index > node->children.size() + 1)
            return R::fail(
                QStringLiteral("cannot write %1%2: no such item").arg(key, path.toString()));
        MaybeNode item =
            index <= node->children.size() ? MaybeNode(node->children[index - 1]) : MaybeNode();
        const QString itemKey = m_rdfPrefix + QStringLiteral(":li");
        auto changed = apply(std::move(item), itemKey, path.sliced(close + 1), value);
        if (!changed)
            return changed;
        if (changed.value()) {
            changed.value()->key = itemKey;
            changed.value()->ns = RdfNs;
            if (index <= node->children.size())
                node->children[index - 1] = *changed.value();
            else
                node->children.append(*changed.value());
        } else if (index <= node->children.size()) {
            node->children.removeAt(index - 1);
        }
    }
    if (node->children.isEmpty() && node->kind != Kind::Text)
        return R::ok(std::nullopt);
    return R::ok(std::move(node));
}

Result<XmpTreeEdit::MaybeNode> XmpTreeEdit::valueNode(MaybeNode node, const QString& key,
                                                      const QString& ns,
                                                      const QVariant& value) const {
    using R = Result<MaybeNode>;
    if (PropertyKeys::isRemoval(value))
        return R::ok(std::nullopt);
    const XmpNames::Form form = XmpNames::formOf(key);
    Kind kind = node                                          ? node->kind
                : form == XmpNames::Form::Seq                 ? Kind::Seq
                : form == XmpNames::Form::Bag                 ? Kind::Bag
                : form == XmpNames::Form::LanguageAlternative ? Kind::Alt
                                                              : Kind::Text;
    Node out;
    out.key = key;
    out.ns = ns;
    const QString item = m_rdfPrefix + QStringLiteral(":li");
    if (isList(value)) {
        out.kind = kind == Kind::Seq ? Kind::Seq : Kind::Bag;
        for (const QVariant& element : value.toList()) {
            auto text = textOf(key, element);
            if (!text)
                return R::fail(text.error());
            out.children.append(textNode(item, RdfNs, text.value()));
        }
        return out.children.isEmpty() ? R::ok(std::nullopt) : R::ok(out);
    }
    auto text = textOf(key, value);
    if (!text)
        return R::fail(text.error());
    if (kind == Kind::Alt) {
        // The default language changes; the others stay.
        out = node ? *node : out;
        out.kind = Kind::Alt;
        const auto fallback =
            std::find_if(out.children.begin(), out.children.end(),
                         [](const Node& n) { return n.lang == QLatin1String("x-default"); });
        if (fallback != out.children.end())
            fallback->text = text.value();
        else
            out.children.prepend(textNode(item, RdfNs, text.value(), QStringLiteral("x-default")));
        return R::ok(out);
    }
    if (kind == Kind::Bag || kind == Kind::Seq) {
        out.kind = kind;
        out.children.append(textNode(item, RdfNs, text.value()));
        return R::ok(out);
    }
    out.text = text.value();
    return R::ok(out);
}
