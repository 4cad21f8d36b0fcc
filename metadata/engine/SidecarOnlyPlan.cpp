#include "metadata/engine/SidecarOnlyPlan.h"

#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorTable.h"
#include "metadata/XmpMirrors.h"
#include "metadata/engine/MetadataEdit.h"

#include <algorithm>

using namespace PropertyKeys;

namespace {
// Whether a step is a date's other copy (its IPTC date or time, its zone
// offset, its sub-seconds) beside the step of the date itself, whose XMP
// copies carry it: a sidecar's date, whole to the second, stands for them.
bool carriedByItsDate(const MetadataEdit& edit, const MetadataEdit::Step& step) {
    for (const XmpMirrorTable::DateMirror& date : XmpMirrorTable::dateMirrors) {
        const QString subSeconds =
            QString(date.offset).replace(QLatin1String("OffsetTime"), QLatin1String("SubSecTime"));
        const bool part =
            (step.set == IptcSet && (step.key == QLatin1String(date.iptcDate) ||
                                     step.key == QLatin1String(date.iptcTime))) ||
            (step.set == ExifSet && (step.key == date.offset || step.key == subSeconds));
        if (part && std::any_of(edit.steps.cbegin(), edit.steps.cend(), [&](const auto& other) {
                return other.set == date.set && other.key == date.key;
            }))
            return true;
    }
    return false;
}

} // namespace

Result<RewritePlan> planSidecarOnly(const QByteArray& source, PhotoFormat format,
                                    const QVariantMap& dictionary, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    const QString name = photoFormatName(format);
    for (const MetadataEdit::Step& step : edit.steps) {
        if (!step.key.isEmpty() && isRemoval(step.value) && carriedByItsDate(edit, step))
            continue;
        if (step.key.isEmpty() || isRemoval(step.value)) {
            // What the photo does not hold is gone already; of its sidecar,
            // the removal takes the copies.
            const QVariantMap set = dictionary.value(step.set).toMap();
            if (step.key.isEmpty() ? set.isEmpty() : !set.contains(step.key))
                continue;
            const QString what = step.key.isEmpty()
                                     ? QStringLiteral("the %1 set").arg(step.set)
                                     : QStringLiteral("%1 of %2").arg(step.key, step.set);
            return R::fail(QStringLiteral("%1 photos are not rewritten: %2 they hold cannot be "
                                          "removed, only overridden in an XMP sidecar")
                               .arg(name, what));
        }
        if (step.set == XmpSet || carriedByItsDate(edit, step))
            continue;
        const QVariantMap one{{step.set, QVariantMap{{step.key, step.value}}}};
        if (XmpMirrors::sidecarChanges(dictionary, {}, one).toMap().isEmpty())
            return R::fail(QStringLiteral("%1 photos are not rewritten, and %2 of %3 has no XMP "
                                          "counterpart to write into the sidecar")
                               .arg(name, step.key, step.set));
    }
    RewritePlan plan;
    plan.addSource(0, source.size());
    return R::ok(std::move(plan));
}
