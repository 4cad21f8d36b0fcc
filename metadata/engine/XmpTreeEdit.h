#pragma once

#include "metadata/Result.h"
#include "metadata/engine/XmpPacket.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

// A change to one property's tree of values, by a path of the "{XMP}" set
// below it: "" for the property itself, "/q:Field" for a field of a
// structure, "[n]" for an item of an array.
class XmpTreeEdit {
public:
    using Node = XmpPacket::Node;
    using MaybeNode = std::optional<Node>;

    // The prefix the packet gives the RDF namespace, and the namespaces its
    // other prefixes name, for keys whose prefix is not a conventional one.
    XmpTreeEdit(QString rdfPrefix, QHash<QString, QString> namespaceOfPrefix)
        : m_rdfPrefix(std::move(rdfPrefix)), m_namespaceOfPrefix(std::move(namespaceOfPrefix)) {}

    // The node (nothing: the property is absent) with the value (a removal
    // value removes it) set at the path; nothing when nothing is left of it.
    Result<MaybeNode> apply(MaybeNode node, const QString& key, QStringView path,
                            const QVariant& value) const;

    static bool same(const Node& a, const Node& b);

private:
    QString namespaceOf(const QString& key) const;
    Result<MaybeNode> valueNode(MaybeNode node, const QString& key, const QString& ns,
                                const QVariant& value) const;

    QString m_rdfPrefix;
    QHash<QString, QString> m_namespaceOfPrefix;
};
