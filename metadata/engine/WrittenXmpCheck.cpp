#include "metadata/engine/WrittenXmpCheck.h"

#include "metadata/OutcomeCheck.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpNames.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/XmpExtension.h"
#include "metadata/engine/XmpPacket.h"

namespace {

using namespace PropertyKeys;

Status unasked(const QString& what) {
    return Status::fail(
        QStringLiteral("the write changed %1, which no change asked for").arg(what));
}

// Two XMP values the same, where a list of one item reads as that item: a
// text written to an array property reads back as the array.
bool sameXmpValue(const QVariant& a, const QVariant& b) {
    const auto single = [](const QVariant& v) {
        const bool list =
            v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList;
        return list && v.toList().size() == 1 ? v.toList().first() : v;
    };
    return Exiv2Values::sameValue(single(a), single(b));
}

} // namespace

Status checkXmpWritten(const QMap<QString, QVariant>& planned, bool removed,
                       const XmpPacketBlocks& before, const XmpPacketBlocks& after) {
    const auto now = XmpExtension::values(
        after.packet.isEmpty() ? XmpPacket::emptyPacket(false) : after.packet, after.extension);
    if (!now)
        return Status::fail(
            QStringLiteral("the written XMP packet does not read back: %1").arg(now.error()));
    if (!after.extensionProblem.isEmpty())
        return Status::fail(QStringLiteral("the written XMP packet does not read back: %1")
                                .arg(after.extensionProblem));
    const QVariantMap values = now.value();
    if (removed)
        return values.isEmpty() ? Status::ok() : unasked(QStringLiteral("the XMP packet"));
    QStringList problems;
    for (auto key = planned.cbegin(); key != planned.cend(); ++key) {
        const QString name = XmpSet + QLatin1Char('.') + key.key();
        if (isRemoval(key.value())) {
            if (values.contains(key.key()))
                problems << QStringLiteral("%1 was not removed").arg(name);
        } else if (!values.contains(key.key())) {
            problems << QStringLiteral("%1 was not written").arg(name);
        } else if (!sameXmpValue(values.value(key.key()), key.value())) {
            problems << QStringLiteral("%1 reads back as %2 instead of %3")
                            .arg(name, describeValue(values.value(key.key())),
                                 describeValue(key.value()));
        }
    }
    if (!problems.isEmpty())
        return Status::fail(QStringLiteral("the written photo does not hold what was planned: %1")
                                .arg(problems.join(QLatin1String("; "))));
    const auto old = XmpExtension::values(
        before.packet.isEmpty() ? XmpPacket::emptyPacket(false) : before.packet, before.extension);
    if (!old)
        return before.packet == after.packet ? Status::ok()
                                             : unasked(QStringLiteral("the XMP packet"));
    // A structure or array a step writes into is written whole.
    const auto concerned = [&](const QString& key) {
        const QString top = XmpNames::topLevelOf(key);
        return std::any_of(planned.keyBegin(), planned.keyEnd(),
                           [&](const QString& step) { return XmpNames::topLevelOf(step) == top; });
    };
    const QVariantMap was = old.value();
    for (const QVariantMap* side : {&was, &values}) {
        for (auto it = side->cbegin(); it != side->cend(); ++it) {
            if (!concerned(it.key()) &&
                (!was.contains(it.key()) || !values.contains(it.key()) ||
                 !Exiv2Values::sameValue(was.value(it.key()), values.value(it.key()))))
                return unasked(XmpSet + QLatin1Char('.') + it.key());
        }
    }
    return Status::ok();
}
