#include "fuzz/HeifShrink.h"

#include "metadata/engine/HeifItems.h"

namespace {

constexpr qint64 KeptImageBytes = 64;

} // namespace

QByteArray shrinkHeif(const QByteArray& photo) {
    const auto parsed = HeifItems::parse(photo);
    if (!parsed)
        return {};
    HeifItems heif = parsed.value();
    if (heif.offsetSize == 0)
        heif.offsetSize = 4;
    if (heif.lengthSize == 0)
        heif.lengthSize = 4;
    // The data of the items in the file, gathered into one new mdat box.
    QByteArray data;
    for (HeifItems::Item& item : heif.items) {
        if (item.construction != 0)
            continue;
        for (HeifItems::Extent& extent : item.extents) {
            const qint64 length =
                item.isMetadata() ? extent.length : std::min(extent.length, KeptImageBytes);
            const qint64 at = data.size();
            data += photo.mid(item.baseOffset + extent.offset, length);
            extent.offset = at; // moved past the boxes below
            extent.length = length;
        }
        item.baseOffset = 0;
    }
    const HeifItems::Box& meta = heif.top[heif.meta];
    QByteArray newMeta = photo.mid(meta.start, meta.size);
    const qsizetype ilocAt = heif.iloc.start - meta.start;
    newMeta.replace(ilocAt, heif.iloc.size, heif.ilocBytes());
    // The boxes but the mdat boxes stay, in their order, and the new one follows.
    qint64 dataStart = 8;
    for (const HeifItems::Box& box : heif.top)
        dataStart += box.type == "meta" ? newMeta.size() : box.type == "mdat" ? 0 : box.size;
    for (HeifItems::Item& item : heif.items) {
        if (item.construction != 0)
            continue;
        for (HeifItems::Extent& extent : item.extents)
            extent.offset += dataStart;
    }
    // Same field sizes, so the same length: the boxes before stay where they are.
    newMeta.replace(ilocAt, heif.ilocBytes().size(), heif.ilocBytes());
    newMeta = withBoxSize(newMeta, meta.header);
    QByteArray out;
    for (const HeifItems::Box& box : heif.top) {
        if (box.type == "meta")
            out += newMeta;
        else if (box.type != "mdat")
            out += photo.mid(box.start, box.size);
    }
    return out + boxOf("mdat", data);
}
