#include "metadata/KeyChanges.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

using namespace PropertyKeys;

bool KeyChange::operator==(const KeyChange& other) const {
    return key == other.key && PropertyValues::same(from, other.from) &&
           PropertyValues::same(to, other.to) && isRemoval(from) == isRemoval(other.from) &&
           isRemoval(to) == isRemoval(other.to);
}

namespace {

// A key the writer would change: a removal of a key the photo has, or a value
// other than the photo's.
void compare(QList<KeyChange>& out, const QString& name, const QVariantMap& current,
             const QString& key, const QVariant& value) {
    const bool has = current.contains(key);
    if (isRemoval(value)) {
        if (has)
            out.append({name, current.value(key), removal()});
        return;
    }
    if (has && PropertyValues::same(current.value(key), value))
        return;
    out.append({name, has ? current.value(key) : removal(), value});
}

} // namespace

QList<KeyChange> previewChanges(const QVariantMap& dictionary, const QVariantMap& changes) {
    QList<KeyChange> out;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (!isSetKey(it.key())) {
            compare(out, it.key(), dictionary, it.key(), it.value());
            continue;
        }
        const QVariantMap current = dictionary.value(it.key()).toMap();
        const QString prefix = it.key() + QLatin1Char('.');
        if (isRemoval(it.value())) {
            for (auto key = current.cbegin(); key != current.cend(); ++key)
                out.append({prefix + key.key(), key.value(), removal()});
            continue;
        }
        const QVariantMap values = it.value().toMap();
        for (auto key = values.cbegin(); key != values.cend(); ++key)
            compare(out, prefix + key.key(), current, key.key(), key.value());
    }
    return out;
}

namespace {
void addDifferences(QList<KeyChange>& out, const QString& prefix, const QVariantMap& before,
                    const QVariantMap& after) {
    // Both maps are ordered by key: one walk finds what either lacks.
    auto b = before.cbegin(), a = after.cbegin();
    while (b != before.cend() || a != after.cend()) {
        if (a == after.cend() || (b != before.cend() && b.key() < a.key())) {
            out.append({prefix + b.key(), b.value(), removal()});
            ++b;
        } else if (b == before.cend() || a.key() < b.key()) {
            out.append({prefix + a.key(), removal(), a.value()});
            ++a;
        } else {
            if (!PropertyValues::same(b.value(), a.value()))
                out.append({prefix + b.key(), b.value(), a.value()});
            ++b;
            ++a;
        }
    }
}
} // namespace

QList<KeyChange> dictionaryChanges(const QVariantMap& before, const QVariantMap& after) {
    QVariantMap topBefore, topAfter;
    QStringList sets;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (isSetKey(it.key()))
            sets << it.key();
        else
            topBefore.insert(it.key(), it.value());
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (isSetKey(it.key())) {
            if (!sets.contains(it.key()))
                sets << it.key();
        } else {
            topAfter.insert(it.key(), it.value());
        }
    }
    QList<KeyChange> out;
    addDifferences(out, QString(), topBefore, topAfter);
    sets.sort();
    for (const QString& set : std::as_const(sets))
        addDifferences(out, set + QLatin1Char('.'), before.value(set).toMap(),
                       after.value(set).toMap());
    return out;
}
