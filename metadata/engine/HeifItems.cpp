#include "metadata/engine/HeifItems.h"

#include <QHash>

#include <algorithm>

namespace {

using Infos = QHash<quint32, std::pair<QByteArray, QByteArray>>; // id -> type, content type

// The iloc box's items, each placed in its area and checked against the
// others; note(why) names what does not add up.
template <typename Note>
void readLocations(const QByteArray& bytes, HeifItems& heif, const Infos& infos, Note note) {
    BoxFields loc(bytes, heif.iloc);
    heif.ilocVersion = loc.fullBox().version;
    if (heif.ilocVersion > 2) {
        note(QStringLiteral("item locations of version %1").arg(heif.ilocVersion));
        return;
    }
    const int sizes = int(loc.read(2));
    heif.offsetSize = (sizes >> 12) & 0xf;
    heif.lengthSize = (sizes >> 8) & 0xf;
    heif.baseOffsetSize = (sizes >> 4) & 0xf;
    heif.indexSize = heif.ilocVersion > 0 ? sizes & 0xf : 0;
    for (int size : {heif.offsetSize, heif.lengthSize, heif.baseOffsetSize, heif.indexSize}) {
        if (size != 0 && size != 4 && size != 8) {
            note(QStringLiteral("item locations with %1-byte fields").arg(size));
            return;
        }
    }
    const int idSize = heif.ilocVersion < 2 ? 2 : 4;
    // Extents whose fields take no bytes are all alike, and would otherwise
    // cost memory without bytes to show for it: one stands for them.
    const bool emptyExtents = heif.offsetSize + heif.lengthSize + heif.indexSize == 0;
    const quint64 count = loc.read(idSize);
    QList<std::pair<qint64, qint64>> fileExtents;
    for (quint64 i = 0; i < count && !loc.cutShort(); ++i) {
        HeifItems::Item item;
        item.id = quint32(loc.read(idSize));
        heif.largestId = std::max(heif.largestId, item.id);
        if (heif.ilocVersion > 0)
            item.construction = int(loc.read(2) & 0xf);
        item.dataReference = quint16(loc.read(2));
        item.baseOffset = qint64(loc.read(heif.baseOffsetSize));
        const quint64 extents = loc.read(2);
        for (quint64 j = 0; j < extents && !loc.cutShort() && !(emptyExtents && j > 0); ++j) {
            HeifItems::Extent extent;
            extent.index = qint64(loc.read(heif.indexSize));
            extent.offset = qint64(loc.read(heif.offsetSize));
            extent.length = qint64(loc.read(heif.lengthSize));
            item.extents.append(extent);
        }
        // An extent the box ends in is checked as read, but not kept: the
        // ones before it are what could be read.
        const bool cutExtent = loc.cutShort() && !item.extents.isEmpty();
        const auto info = infos.value(item.id);
        item.type = info.first;
        item.contentType = info.second;
        if (item.construction > 1 || item.dataReference != 0) {
            note(QStringLiteral("item %1 keeps its data in a form not written here").arg(item.id));
            // A data reference may name this very file (a self-contained
            // one), where a reader still finds the data; an item offset
            // names no place in it.
            item.inFile = item.construction <= 1;
        }
        // Where the data lies: in the file, or inside the idat box. A
        // metadata item emptied by another writer keeps an extent of no
        // length: its data is none, not the rest of the file.
        const qint64 areaStart = heif.areaOf(item);
        const qint64 areaEnd = item.construction == 0 ? bytes.size() : heif.idat.end();
        for (qsizetype j = 0; j < item.extents.size() && item.inFile; ++j) {
            const HeifItems::Extent& extent = item.extents[j];
            // Compared by what is left of the area, so that no sum overflows.
            const bool inside =
                extent.length >= 0 && (extent.length > 0 || item.isMetadata()) &&
                extent.offset >= 0 && item.baseOffset >= 0 && item.baseOffset <= areaEnd &&
                extent.offset <= areaEnd - areaStart - item.baseOffset &&
                extent.length <= areaEnd - areaStart - item.baseOffset - extent.offset;
            if (!inside) {
                note(QStringLiteral("the data of item %1 lies past its end").arg(item.id));
                item.inFile = cutExtent && j == item.extents.size() - 1;
                break;
            }
            fileExtents.append({areaStart + item.baseOffset + extent.offset, extent.length});
        }
        if (cutExtent)
            item.extents.removeLast();
        heif.items.append(item);
    }
    if (loc.cutShort())
        note(QStringLiteral("its item locations are cut short"));
    std::sort(fileExtents.begin(), fileExtents.end());
    for (qsizetype i = 1; i < fileExtents.size(); ++i) {
        if (fileExtents[i].first < fileExtents[i - 1].first + fileExtents[i - 1].second) {
            note(QStringLiteral("the data of two items overlap"));
            break;
        }
    }
}

} // namespace

HeifItems HeifItems::read(const QByteArray& bytes) {
    HeifItems heif;
    // The first damage is the one named; reading goes on where the bytes
    // still let it, for a reader that keeps what it can.
    const auto note = [&heif](const QString& why) {
        if (heif.damage.isEmpty())
            heif.damage = HeifItems::damaged(why);
    };
    BoxWalk topWalk(bytes);
    for (const Box& box : topWalk)
        heif.top.append(box);
    if (topWalk.damaged())
        note(QStringLiteral("its boxes do not add up to the file"));
    for (qsizetype i = 0; i < heif.top.size(); ++i) {
        if (heif.top[i].type != "meta")
            continue;
        if (heif.meta >= 0) {
            note(QStringLiteral("it has two meta boxes"));
            break;
        }
        heif.meta = i;
    }
    if (heif.meta < 0) {
        note(QStringLiteral("it has no meta box"));
        return heif;
    }
    BoxWalk children(bytes, heif.top[heif.meta], 4);
    for (const Box& child : children)
        heif.inMeta.append(child);
    if (children.damaged())
        note(QStringLiteral("the boxes of its meta box do not add up"));
    Box& iinf = heif.iinf;
    Box pitm;
    for (const Box& child : std::as_const(heif.inMeta)) {
        Box* slot = child.type == "iloc"   ? &heif.iloc
                    : child.type == "iinf" ? &iinf
                    : child.type == "idat" ? &heif.idat
                    : child.type == "iref" ? &heif.iref
                    : child.type == "pitm" ? &pitm
                                           : nullptr;
        if (!slot)
            continue;
        if (slot->size != 0) {
            note(QStringLiteral("its meta box has two %1 boxes")
                     .arg(QString::fromLatin1(child.type)));
            continue;
        }
        *slot = child;
    }
    if (heif.iloc.size == 0 || iinf.size == 0)
        note(QStringLiteral("it has no item locations"));

    if (pitm.size != 0) {
        BoxFields primary(bytes, pitm);
        const int version = primary.fullBox().version;
        heif.primary = quint32(primary.read(version == 0 ? 2 : 4));
        if (primary.cutShort())
            note(QStringLiteral("its primary item is cut short"));
    }
    if (heif.iref.size != 0) {
        BoxFields references(bytes, heif.iref);
        // A version we do not know is only a reason not to add references.
        const int version = int(references.read(1));
        heif.irefVersion = references.cutShort() ? 255 : version;
    }

    Infos infos;
    if (iinf.size != 0) {
        BoxFields info(bytes, iinf);
        heif.iinfVersion = info.fullBox().version;
        info.read(heif.iinfVersion == 0 ? 2 : 4); // the entry count
        QList<Box> entries;
        BoxWalk entryWalk(bytes, info.at(), iinf.end());
        if (!info.cutShort()) {
            for (const Box& entry : entryWalk)
                entries.append(entry);
        }
        if (entryWalk.damaged() || info.cutShort())
            note(QStringLiteral("its item information does not add up"));
        for (const Box& entry : std::as_const(entries)) {
            if (entry.type != "infe")
                continue;
            BoxFields e(bytes, entry);
            const int version = e.fullBox().version;
            if (version < 2) {
                note(QStringLiteral("an item information entry of version %1").arg(version));
                continue;
            }
            const quint32 id = quint32(e.read(version == 2 ? 2 : 4));
            e.read(2); // protection
            const QByteArray type = e.code();
            e.text(); // name
            const QByteArray contentType = type == "mime" ? e.text() : QByteArray();
            if (e.cutShort()) {
                note(QStringLiteral("an item information entry is cut short"));
                continue;
            }
            infos.insert(id, {type, contentType});
            heif.largestId = std::max(heif.largestId, id);
        }
    }
    if (heif.iloc.size != 0)
        readLocations(bytes, heif, infos, note);
    return heif;
}

QString HeifItems::damaged(const QString& why) {
    return QStringLiteral("damaged HEIF: %1").arg(why);
}

Result<HeifItems> HeifItems::parse(const QByteArray& bytes) {
    HeifItems heif = read(bytes);
    if (!heif.damage.isEmpty())
        return Result<HeifItems>::fail(heif.damage);
    return Result<HeifItems>::ok(std::move(heif));
}

qint64 HeifItems::areaOf(const Item& item) const {
    return item.construction == 0 ? 0 : idat.payload();
}

QByteArray HeifItems::dataOf(const Item& item, const QByteArray& bytes) const {
    const qint64 area = areaOf(item);
    QByteArray data;
    for (const Extent& extent : item.extents)
        data += bytes.mid(area + item.baseOffset + extent.offset, extent.length);
    return data;
}

QByteArray HeifItems::ilocBytes() const {
    QByteArray body;
    body += bigEndianField(quint64(ilocVersion), 1) + bigEndianField(0, 3);
    body += bigEndianField(quint64((offsetSize << 12) | (lengthSize << 8) | (baseOffsetSize << 4) |
                                   (ilocVersion > 0 ? indexSize : 0)),
                           2);
    body += bigEndianField(quint64(items.size()), ilocVersion < 2 ? 2 : 4);
    for (const Item& item : items) {
        body += bigEndianField(item.id, ilocVersion < 2 ? 2 : 4);
        if (ilocVersion > 0)
            body += bigEndianField(quint64(item.construction), 2);
        body += bigEndianField(item.dataReference, 2);
        body += bigEndianField(quint64(item.baseOffset), baseOffsetSize);
        body += bigEndianField(quint64(item.extents.size()), 2);
        for (const Extent& extent : item.extents) {
            body += bigEndianField(quint64(extent.index), ilocVersion > 0 ? indexSize : 0);
            body += bigEndianField(quint64(extent.offset), offsetSize);
            body += bigEndianField(quint64(extent.length), lengthSize);
        }
    }
    return boxOf("iloc", body);
}

QByteArray HeifItems::iinfWith(const QByteArray& bytes, const QList<Item>& added) const {
    QByteArray entries;
    for (const Item& item : added) {
        const int version = item.id > 0xffff ? 3 : 2;
        QByteArray entry = bigEndianField(quint64(version), 1) + bigEndianField(0, 3);
        entry += bigEndianField(item.id, version == 2 ? 2 : 4);
        entry += bigEndianField(0, 2); // not protected
        entry += item.type;
        entry.append('\0'); // no name
        if (item.type == "mime")
            entry += item.contentType + QByteArray(1, '\0');
        entries += boxOf("infe", entry);
    }
    QByteArray box = bytes.mid(iinf.start, iinf.size) + entries;
    // The entry count follows the version and flags.
    const int countSize = iinfVersion == 0 ? 2 : 4;
    const qsizetype countAt = iinf.header + 4;
    if (box.size() < countAt + countSize)
        return QByteArray();
    quint64 count = 0;
    for (int i = 0; i < countSize; ++i)
        count = (count << 8) | quint8(box[countAt + i]);
    count += quint64(added.size());
    if (countSize == 2 && count > 0xffff)
        return QByteArray();
    box.replace(countAt, countSize, bigEndianField(count, countSize));
    return withBoxSize(box, iinf.header);
}

QByteArray HeifItems::irefWith(const QByteArray& bytes, const QByteArray& type,
                               const QList<quint32>& from, quint32 to) const {
    quint32 largest = to;
    for (quint32 id : from)
        largest = std::max(largest, id);
    const int version = iref.size != 0 ? irefVersion : (largest > 0xffff ? 1 : 0);
    if (version > 1 || (version == 0 && largest > 0xffff))
        return QByteArray();
    const int idSize = version == 0 ? 2 : 4;
    QByteArray entries;
    for (quint32 id : from) {
        entries += bigEndianField(quint64(8 + idSize * 2 + 2), 4) + type;
        entries += bigEndianField(id, idSize) + bigEndianField(1, 2) + bigEndianField(to, idSize);
    }
    if (iref.size != 0)
        return withBoxSize(bytes.mid(iref.start, iref.size) + entries, iref.header);
    return boxOf("iref", bigEndianField(quint64(version), 1) + bigEndianField(0, 3) + entries);
}

QByteArray HeifItems::exifItemPrefix() {
    return bigEndianField(quint64(BlockSignatures::Exif.size()), 4) + BlockSignatures::Exif;
}

std::optional<qsizetype> HeifItems::tiffStartOf(const QByteArray& exifData) {
    if (exifData.size() < 4)
        return std::nullopt;
    const quint32 skip = readBigEndian(exifData, 0, 4);
    if (qint64(skip) + 4 > exifData.size())
        return std::nullopt;
    return qsizetype(4 + skip);
}
