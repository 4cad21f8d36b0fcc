#include "metadata/PropertyTree.h"

#include "metadata/DisplayNames.h"

#include <QStringList>

QList<PropertyNode> propTree(const QVariantMap& dictionary) {
    QList<PropertyNode> nodes;
    // QVariantMap iterates its keys in ascending case-sensitive order.
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        PropertyNode node;
        node.key = displayNameForKey(it.key());
        node.rawKey = it.key();
        if (it.value().typeId() == QMetaType::QVariantMap) {
            node.val = QString();
            node.children = propTree(it.value().toMap());
            node.hasChildren = true;
        } else {
            node.val = it.value();
        }
        nodes << node;
    }
    return nodes;
}

QString displayText(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        QStringList parts;
        for (const QVariant& item : value.toList())
            parts << displayText(item);
        return parts.join(QStringLiteral(", "));
    }
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 12);
    return value.toString();
}
