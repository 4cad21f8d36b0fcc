#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One key a change dictionary would change: "{GPS}.Latitude" for a key of a
// set, "Orientation" for a top-level key; a null "to" removes the key.
struct KeyChange {
    QString key;
    QVariant from; // null when the photo does not have the key
    QVariant to;

    bool operator==(const KeyChange& other) const;
};

// The keys of the photo's dictionary that the change dictionary would change,
// values compared as the writer compares them: a set removed lists each of
// its keys, a key set to its own value is no change. Sets in dictionary
// order, keys in key order.
QList<KeyChange> previewChanges(const QVariantMap& dictionary, const QVariantMap& changes);

// The keys whose values differ between two dictionaries of one photo, in the
// same form and order.
QList<KeyChange> dictionaryChanges(const QVariantMap& before, const QVariantMap& after);
