#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One row of the property outline: the display name, the value (empty for a
// set) and, for a set, its own rows.
struct PropertyNode {
    QString key;
    QString rawKey; // the dictionary's own key
    QVariant val;
    QList<PropertyNode> children;
    bool hasChildren = false;
};

// The outline of a dictionary: keys in ascending raw-key order (not display
// order), nested dictionaries as nodes with children.
QList<PropertyNode> propTree(const QVariantMap& dictionary);

// A value as the outline and the form show it: lists joined by ", ".
QString displayText(const QVariant& value);
