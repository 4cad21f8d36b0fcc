#include "metadata/OutcomeCheck.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

#include <QStringList>

using PropertyKeys::isRemoval;

QString describeValue(const QVariant& value) {
    if (isRemoval(value))
        return QStringLiteral("nothing");
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        QStringList items;
        for (const QVariant& item : value.toList())
            items << describeValue(item);
        return QLatin1Char('[') + items.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    if (PropertyValues::isNumber(value))
        return value.toString();
    QString text = value.toString();
    if (text.size() > 40)
        text = text.left(37) + QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

Status checkOutcome(const QList<KeyChange>& planned, const QList<KeyChange>& happened) {
    QStringList problems;
    for (const KeyChange& plan : planned) {
        const auto found = std::find_if(happened.cbegin(), happened.cend(),
                                        [&](const KeyChange& c) { return c.key == plan.key; });
        if (found == happened.cend()) {
            problems << QStringLiteral("%1 was not written").arg(plan.key);
        } else if (isRemoval(plan.to) != isRemoval(found->to) ||
                   !PropertyValues::same(plan.to, found->to)) {
            problems << QStringLiteral("%1 reads back as %2 instead of %3")
                            .arg(plan.key, describeValue(found->to), describeValue(plan.to));
        }
    }
    for (const KeyChange& change : happened) {
        const bool asked = std::any_of(planned.cbegin(), planned.cend(),
                                       [&](const KeyChange& c) { return c.key == change.key; });
        if (!asked)
            problems << QStringLiteral("%1 changed from %2 to %3 unasked")
                            .arg(change.key, describeValue(change.from), describeValue(change.to));
    }
    if (problems.isEmpty())
        return Status::ok();
    constexpr qsizetype shown = 3;
    QString why = QStringList(problems.mid(0, shown)).join(QLatin1String("; "));
    if (problems.size() > shown)
        why += QStringLiteral("; and %1 more").arg(problems.size() - shown);
    return Status::fail(QStringLiteral("the write did not do what was planned: %1").arg(why));
}

Status checkOutcome(const QVariantMap& before, const QVariantMap& changes,
                    const QVariantMap& after) {
    return checkOutcome(previewChanges(before, changes), dictionaryChanges(before, after));
}
