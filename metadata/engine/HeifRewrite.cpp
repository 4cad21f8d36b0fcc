#include "metadata/PropertyKeys.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/HeifItems.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpEdit.h"
#include "metadata/engine/XmpPacket.h"

#include <QHash>
#include <QMap>

#include <cstring>

namespace {

using namespace PropertyKeys;
using Item = HeifItems::Item;

// Whether an item's data is the same in both files, compared where it lies
// rather than gathered into copies: image items are megabytes.
bool sameData(const HeifItems& a, const Item& itemA, const QByteArray& bytesA, const HeifItems& b,
              const Item& itemB, const QByteArray& bytesB) {
    auto spans = [](const HeifItems& heif, const Item& item, const QByteArray& bytes) {
        const qint64 area = heif.areaOf(item);
        QList<std::pair<const char*, qint64>> out;
        for (const HeifItems::Extent& extent : item.extents)
            out.append({bytes.constData() + area + item.baseOffset + extent.offset, extent.length});
        return out;
    };
    const auto x = spans(a, itemA, bytesA);
    const auto y = spans(b, itemB, bytesB);
    qint64 totalX = 0, totalY = 0;
    for (const auto& span : x)
        totalX += span.second;
    for (const auto& span : y)
        totalY += span.second;
    if (totalX != totalY)
        return false;
    // Walk both lists of extents side by side.
    qsizetype i = 0, j = 0;
    qint64 offX = 0, offY = 0;
    while (i < x.size() && j < y.size()) {
        const qint64 n = std::min(x[i].second - offX, y[j].second - offY);
        if (std::memcmp(x[i].first + offX, y[j].first + offY, size_t(n)) != 0)
            return false;
        offX += n;
        offY += n;
        if (offX == x[i].second) {
            ++i;
            offX = 0;
        }
        if (offY == y[j].second) {
            ++j;
            offY = 0;
        }
    }
    return true;
}

// Every item's data but the ones we changed must come out byte for byte, and
// those as we made them; added items come last, of their types, with a
// reference each.
Status checkItems(const QByteArray& written, const QByteArray& source, const HeifItems& before,
                  const QHash<quint32, QByteArray>& changed, const QList<Item>& added) {
    const auto after = HeifItems::parse(written);
    if (!after)
        return Status::fail(
            QStringLiteral("the written photo does not read back: %1").arg(after.error()));
    if (after->items.size() != before.items.size() + added.size() ||
        after->primary != before.primary)
        return Status::fail(QStringLiteral("the written photo lost items"));
    for (qsizetype i = 0; i < added.size(); ++i) {
        const Item& item = after->items[before.items.size() + i];
        if (item.id != added[i].id || item.type != added[i].type ||
            item.contentType != added[i].contentType ||
            after->dataOf(item, written) != changed.value(item.id) ||
            after->iref.size <= before.iref.size)
            return Status::fail(QStringLiteral("the written photo lost its metadata"));
    }
    for (qsizetype i = 0; i < before.items.size(); ++i) {
        const Item& old = before.items[i];
        const Item& now = after->items[i];
        if (!changed.contains(old.id)) {
            if (!sameData(after.value(), now, written, before, old, source))
                return Status::fail(QStringLiteral("the written photo lost image data"));
            continue;
        }
        if (after->dataOf(now, written) != changed.value(old.id))
            return Status::fail(QStringLiteral("the written photo lost its metadata"));
    }
    return Status::ok();
}

} // namespace

ContainerAnswer rewriteHeifInPlace(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    auto parsed = HeifItems::parse(source);
    if (!parsed)
        return R::fail(parsed.error());
    HeifItems heif = parsed.value();
    const HeifItems original = heif;
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == IptcSet && !step.key.isEmpty() && !isRemoval(step.value))
            return R::fail(QStringLiteral("a HEIF has no place for IPTC %1")
                               .arg(step.key == Keywords ? QStringLiteral("keywords") : step.key));
    }

    QHash<quint32, QByteArray> changed;
    QList<Item> added; // new items, after the others
    quint32 nextId = heif.largestId + 1;
    // A new item is named by the next id, located at the end and described
    // by a reference to the primary image.
    const auto addItem = [&](const QByteArray& type, const QByteArray& contentType,
                             const QByteArray& data) -> Status {
        if (heif.primary == 0)
            return Status::fail(
                QStringLiteral("this HEIF photo names no primary image to add metadata to"));
        if (nextId == 0 || (heif.ilocVersion < 2 && nextId > 0xffff))
            return Status::fail(QStringLiteral("this HEIF photo has no room for another item"));
        Item item;
        item.id = nextId++;
        item.type = type;
        item.contentType = contentType;
        item.extents = {{0, 0, qint64(data.size())}}; // placed at the end below
        heif.items.append(item);
        added.append(item);
        changed.insert(item.id, data);
        return Status::ok();
    };
    QStringList notes;
    qsizetype exifIndex = -1;
    for (qsizetype i = 0; i < heif.items.size() && exifIndex < 0; ++i) {
        if (heif.items[i].isExif())
            exifIndex = i;
    }
    if (edit.touchesExifBlock()) {
        QByteArray data, block;
        qsizetype start = 0;
        if (exifIndex >= 0)
            data = heif.dataOf(heif.items[exifIndex], source);
        // An emptied item is written as a new one would be.
        const bool emptied = exifIndex >= 0 && data.isEmpty();
        if (exifIndex >= 0 && !emptied) {
            const auto found = HeifItems::tiffStartOf(data);
            if (!found)
                return R::fail(HeifItems::damaged(QStringLiteral("its EXIF item is cut short")));
            start = *found;
            block = data.mid(start);
        }
        auto exif = editExifBlock(exifIndex >= 0 && !emptied ? &block : nullptr, edit, Unlimited);
        if (!exif)
            return R::fail(exif.error());
        if (exif->bytes && exifIndex < 0) {
            // A new item, as phones write it: its data the offset to the TIFF
            // header past an "Exif" marker.
            if (const Status status =
                    addItem("Exif", QByteArray(), HeifItems::exifItemPrefix() + *exif->bytes);
                !status)
                return R::fail(status.error());
        } else if (exif->bytes) {
            changed.insert(heif.items[exifIndex].id,
                           (emptied ? HeifItems::exifItemPrefix() : data.left(start)) +
                               *exif->bytes);
        }
        notes << exif->repairs;
    }
    bool hasXmp = false;
    for (const Item& item : std::as_const(heif.items)) {
        if (!item.isXmp())
            continue;
        hasXmp = true;
        const QByteArray data = heif.dataOf(item, source);
        const auto packet = editXmpPacket(&data, edit);
        if (!packet)
            return R::fail(packet.error());
        // A removed packet leaves an empty one: the item stays.
        if (packet.value())
            changed.insert(item.id, packet.value()->isEmpty() ? XmpPacket::emptyPacket(true)
                                                              : *packet.value());
    }
    if (!hasXmp) {
        const auto packet = editXmpPacket(nullptr, edit);
        if (!packet)
            return R::fail(packet.error());
        if (packet.value() && !packet.value()->isEmpty()) {
            if (const Status status =
                    addItem("mime", BlockSignatures::XmpContentType, *packet.value());
                !status)
                return R::fail(status.error());
        }
    }
    RewritePlan plan;
    plan.notes = notes;
    if (changed.isEmpty()) {
        plan.addSource(0, source.size());
        return R::ok(std::move(plan));
    }

    // Data that still fits its single extent is written there and the rest of
    // the extent zeroed; anything else goes into a new box at the end, and its
    // old bytes are zeroed.
    const HeifItems::Box meta = heif.top[heif.meta];
    QMap<qint64, QByteArray> patches; // file offset -> same-length replacement
    QByteArray tail;
    QList<std::pair<qsizetype, qint64>> moved; // item index, offset in tail
    for (qsizetype i = 0; i < heif.items.size(); ++i) {
        Item& item = heif.items[i];
        if (!changed.contains(item.id))
            continue;
        const QByteArray data = changed.value(item.id);
        const qint64 area = heif.areaOf(item);
        if (std::any_of(added.cbegin(), added.cend(),
                        [&](const Item& other) { return other.id == item.id; })) {
            moved.append({i, tail.size()});
            tail += data;
            continue;
        }
        if (item.extents.size() == 1 && data.size() <= item.extents[0].length) {
            HeifItems::Extent& extent = item.extents[0];
            patches.insert(area + item.baseOffset + extent.offset,
                           data + QByteArray(qsizetype(extent.length - data.size()), '\0'));
            extent.length = data.size();
            continue;
        }
        for (const HeifItems::Extent& extent : std::as_const(item.extents))
            patches.insert(area + item.baseOffset + extent.offset,
                           QByteArray(qsizetype(extent.length), '\0'));
        moved.append({i, tail.size()});
        tail += data;
    }
    if (heif.offsetSize == 0)
        heif.offsetSize = 4;
    if (heif.lengthSize == 0)
        heif.lengthSize = 4;
    if (source.size() + tail.size() + (1 << 20) > qint64(0xffffffff))
        heif.offsetSize = 8; // room for offsets past 4 GB
    // A new item needs an entry in the item information and a reference.
    QByteArray iinf, iref;
    if (!added.isEmpty()) {
        QList<quint32> ids;
        for (const Item& item : std::as_const(added))
            ids << item.id;
        iinf = heif.iinfWith(source, added);
        iref = heif.irefWith(source, "cdsc", ids, heif.primary);
        if (iinf.isEmpty() || iref.isEmpty())
            return R::fail(QStringLiteral("this HEIF photo has no room for another item"));
    }
    const qint64 grown =
        added.isEmpty() ? 0 : iinf.size() - heif.iinf.size + iref.size() - heif.iref.size;
    const qint64 delta = heif.ilocBytes().size() - original.iloc.size + grown;
    const qint64 metaEnd = meta.end();
    const qint64 tailData = source.size() + delta + 8;
    for (qsizetype i = 0; i < heif.items.size(); ++i) {
        Item& item = heif.items[i];
        const auto move =
            std::find_if(moved.cbegin(), moved.cend(), [&](const auto& m) { return m.first == i; });
        if (move != moved.cend()) {
            // Where the file's locations have a base offset, the place goes
            // there, as its writer put its own: some readers take the base
            // offset for the place of an item of one extent.
            const qint64 at = tailData + move->second;
            const bool based = heif.baseOffsetSize > 0;
            item.construction = 0;
            item.baseOffset = based ? at : 0;
            item.extents = {{0, based ? 0 : at, qint64(changed.value(item.id).size())}};
            continue;
        }
        if (item.construction != 0 || delta == 0)
            continue;
        // Data after the meta box moves with its change of size.
        for (HeifItems::Extent& extent : item.extents) {
            if (item.baseOffset + extent.offset >= metaEnd) {
                if (item.baseOffset != 0 && item.baseOffset >= metaEnd) {
                    item.baseOffset += delta;
                    break;
                }
                extent.offset += delta;
            }
        }
    }
    const QByteArray iloc = heif.ilocBytes();
    if (iloc.size() - original.iloc.size != delta - grown)
        return R::fail(QStringLiteral("the item locations cannot be rewritten"));

    QByteArray newMeta = source.mid(meta.start, meta.size);
    for (auto it = patches.cbegin(); it != patches.cend(); ++it) {
        if (it.key() >= meta.start && it.key() < metaEnd)
            newMeta.replace(it.key() - meta.start, it.value().size(), it.value());
    }
    // The boxes that change size, from the last, so that the places of the
    // others still hold; a new iref closes the meta box.
    QMap<qint64, std::pair<qint64, QByteArray>> boxes; // offset -> old size, new box
    boxes.insert(original.iloc.start, {original.iloc.size, iloc});
    if (!added.isEmpty()) {
        boxes.insert(heif.iinf.start, {heif.iinf.size, iinf});
        boxes.insert(heif.iref.size != 0 ? heif.iref.start : metaEnd, {heif.iref.size, iref});
    }
    for (auto it = boxes.cend(); it != boxes.cbegin();) {
        --it;
        newMeta.replace(it.key() - meta.start, it.value().first, it.value().second);
    }
    newMeta = withBoxSize(newMeta, meta.header);

    QMap<qint64, std::pair<qint64, QByteArray>> replacements; // offset -> old length, new bytes
    replacements.insert(meta.start, {meta.size, newMeta});
    for (auto it = patches.cbegin(); it != patches.cend(); ++it) {
        if (it.key() < meta.start || it.key() >= metaEnd)
            replacements.insert(it.key(), {it.value().size(), it.value()});
    }
    qint64 cursor = 0;
    for (auto it = replacements.cbegin(); it != replacements.cend(); ++it) {
        plan.addSource(cursor, it.key() - cursor);
        plan.addBytes(it.value().second);
        cursor = it.key() + it.value().first;
    }
    plan.addSource(cursor, source.size() - cursor);
    if (!tail.isEmpty())
        plan.addBytes(boxOf("mdat", tail));

    // The items are this writer's own to check; what they hold is checked as
    // every writer's output is (verifyWrite).
    const Status checked = checkItems(plan.assemble(source), source, original, changed, added);
    if (!checked)
        return R::fail(checked.error());
    return R::ok(std::move(plan));
}
