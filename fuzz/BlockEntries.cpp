#include "fuzz/FuzzEntries.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/XmpEdit.h"

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
    const auto edited = xmpWithoutGps(input);
    if (!edited || !edited.value())
        return;
    // A packet without its position has none left to take out.
    const auto again = xmpWithoutGps(*edited.value());
    if (!again)
        fail(QStringLiteral("the XMP packet without its position does not read: %1")
                 .arg(again.error()));
    if (again.value())
        fail(QStringLiteral("the XMP packet keeps a position"));
}

} // namespace FuzzEntries
