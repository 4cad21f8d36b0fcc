#include "fuzz/FuzzEntries.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/XmpPacket.h"

namespace FuzzEntries {

void iptcBlock(const QByteArray& input) {
    using namespace PropertyKeys;
    if (auto block = IptcBlock::parse(input)) {
        IptcBlock& edited = block.value();
        if (edited.set(Keywords, QStringList{QStringLiteral("eins"), QStringLiteral("drü")}) &&
            edited.set(QStringLiteral("ObjectName"), removal()) &&
            !IptcBlock::parse(edited.serialize()))
            fail(QStringLiteral("edited IPTC datasets do not parse again"));
    }
    // The same bytes as the Photoshop resources that carry the datasets.
    (void)PhotoshopResources::find(input, PhotoshopResources::IptcId);
    const QByteArray iptc("\x1c\x02\x19\x00\x04eins", 9);
    if (const auto resources = PhotoshopResources::withIptc(input, iptc)) {
        if (PhotoshopResources::find(resources.value(), PhotoshopResources::IptcId) != iptc)
            fail(QStringLiteral("the IPTC resource written is not read again"));
    }
    if (const auto resources = PhotoshopResources::withIptc(input, QByteArray())) {
        if (PhotoshopResources::find(resources.value(), PhotoshopResources::IptcId))
            fail(QStringLiteral("the IPTC resource removed is still there"));
    }
}

void xmpEdit(const QByteArray& input) {
    using namespace PropertyKeys;
    const auto packet = XmpPacket::parse(input);
    if (!packet)
        return;
    // Every property that mirrors a position goes, two are written, and
    // the packet says so when it is read again, every other value as it was.
    const QVariantMap before = packet->values();
    QVariantMap changes;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("exif:GPS")))
            changes.insert(it.key(), removal());
    }
    changes.insert(QStringLiteral("dc:creator"), QStringList{QStringLiteral("Zoë")});
    changes.insert(QStringLiteral("photoshop:City"), QStringLiteral("a < b & \"c\""));
    const auto edited = packet->edited(changes);
    if (!edited)
        return;
    const auto again = XmpPacket::parse(edited.value());
    if (!again)
        fail(QStringLiteral("the edited XMP packet does not read: %1").arg(again.error()));
    QVariantMap expected = before;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (isRemoval(it.value()))
            expected.remove(it.key());
        else
            expected.insert(it.key(), it.value());
    }
    const QVariantMap after = again->values();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        // A flattened structure or array path may be rewritten as a whole
        // when one of its members changes.
        if (it.key().contains(QLatin1Char('/')) || it.key().contains(QLatin1Char('[')))
            continue;
        const QVariant read = after.value(it.key());
        if (read.toStringList() != it.value().toStringList())
            fail(QStringLiteral("the edited XMP packet reads %1 as %2, not %3")
                     .arg(it.key(), read.toStringList().join(QLatin1Char('|')),
                          it.value().toStringList().join(QLatin1Char('|'))));
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("exif:GPS")))
            fail(QStringLiteral("the edited XMP packet keeps %1").arg(it.key()));
    }
}

} // namespace FuzzEntries
