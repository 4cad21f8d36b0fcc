#include "metadata/engine/XmpEdit.h"

#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorTable.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/XmpPacket.h"

using namespace PropertyKeys;

namespace {

// What a packet that does not read may hold of a set that is removed: such
// a packet cannot be edited, and keeping it would keep what the user
// removed.
bool mayMirrorRemovedSet(const QByteArray& packet, const MetadataEdit& edit) {
    static const std::pair<QString, QList<QByteArray>> mirrors[] = {
        {GpsSet, {"exif:GPS"}},
        {ExifSet, {"exif:", "exifEX:", "aux:"}},
        {TiffSet, {"tiff:"}},
        {IptcSet, {"Iptc4xmpCore", "Iptc4xmpExt", "photoshop:", "dc:"}},
    };
    for (const auto& [set, markers] : mirrors) {
        if (!edit.removesSet(set))
            continue;
        for (const QByteArray& marker : markers) {
            if (packet.contains(marker))
                return true;
        }
    }
    return false;
}

} // namespace

Result<std::optional<QByteArray>> editXmpPacket(const QByteArray* packet, const MetadataEdit& edit,
                                                QStringList* notes) {
    using R = Result<std::optional<QByteArray>>;
    if (edit.removesSet(XmpSet))
        return R::ok(packet ? std::optional<QByteArray>(QByteArray()) : std::nullopt);
    QVariantMap changes;
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == XmpSet)
            changes.insert(step.key, step.value);
    }
    const bool writes = std::any_of(changes.cbegin(), changes.cend(),
                                    [](const QVariant& value) { return !isRemoval(value); });
    if (!packet && !writes)
        return R::ok(std::nullopt);
    if (changes.isEmpty() && !mayMirrorRemovedSet(*packet, edit))
        return R::ok(std::nullopt);
    auto parsed = XmpPacket::parse(packet ? *packet : XmpPacket::emptyPacket(true));
    if (!parsed)
        return R::fail(parsed.error());
    // A removed set takes its empty structures too (an "exif:Flash" whose
    // fields some writer left out), which no key of the set shows.
    for (const QString& set : {TiffSet, ExifSet, GpsSet, IptcSet}) {
        if (!edit.removesSet(set))
            continue;
        for (const QString& key : parsed->emptyProperties()) {
            if (XmpMirrorTable::mirrorsRemovedSet(set, key))
                changes.insert(key, removal());
        }
    }
    if (changes.isEmpty())
        return R::ok(std::nullopt);
    auto edited = parsed->edited(changes);
    if (!edited)
        return R::fail(edited.error());
    if (packet && edited.value() == parsed->bytes())
        return R::ok(std::nullopt);
    if (notes)
        *notes << parsed->repairs();
    return R::ok(std::optional<QByteArray>(std::move(edited.value())));
}
