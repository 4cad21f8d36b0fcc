#include "metadata/engine/HeifItems.h"

#include <QHash>

#include <algorithm>

namespace {

Result<HeifItems> damaged(const QString& why) {
    return Result<HeifItems>::fail(QStringLiteral("damaged HEIF: %1").arg(why));
}

// A bounds-checked big-endian reader over one box.
class Reader {
public:
    Reader(const QByteArray& bytes, qint64 at, qint64 end) : m_bytes(bytes), m_at(at), m_end(end) {}
    bool has(qint64 n) const { return n >= 0 && m_at + n <= m_end; }
    quint64 read(int size) {
        quint64 value = 0;
        if (!has(size)) {
            m_failed = true;
            return 0;
        }
        for (int i = 0; i < size; ++i)
            value = (value << 8) | quint8(m_bytes[m_at + i]);
        m_at += size;
        return value;
    }
    QByteArray text() {
        QByteArray out;
        while (has(1) && m_bytes[m_at] != '\0')
            out.append(m_bytes[m_at++]);
        if (!has(1))
            m_failed = true;
        else
            ++m_at;
        return out;
    }
    qint64 at() const { return m_at; }
    bool failed() const { return m_failed; }

private:
    const QByteArray& m_bytes;
    qint64 m_at;
    qint64 m_end;
    bool m_failed = false;
};

QList<HeifItems::Box> boxesIn(const QByteArray& bytes, qint64 begin, qint64 end, bool* ok) {
    QList<HeifItems::Box> boxes;
    qint64 at = begin;
    *ok = true;
    while (at < end) {
        Reader reader(bytes, at, end);
        qint64 size = qint64(reader.read(4));
        const QByteArray type = bytes.mid(at + 4, 4);
        reader.read(4);
        int header = 8;
        if (size == 1) {
            size = qint64(reader.read(8));
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (reader.failed() || size < header || size > end - at) {
            *ok = false;
            return boxes;
        }
        boxes.append({type, at, size, header});
        at += size;
    }
    return boxes;
}

void writeBig(QByteArray& out, quint64 value, int size) {
    for (int i = size - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
}

} // namespace

Result<HeifItems> HeifItems::parse(const QByteArray& bytes) {
    HeifItems heif;
    bool ok = false;
    heif.top = boxesIn(bytes, 0, bytes.size(), &ok);
    if (!ok)
        return damaged(QStringLiteral("its boxes do not add up to the file"));
    for (qsizetype i = 0; i < heif.top.size(); ++i) {
        if (heif.top[i].type == "meta") {
            if (heif.meta >= 0)
                return damaged(QStringLiteral("it has two meta boxes"));
            heif.meta = i;
        }
    }
    if (heif.meta < 0)
        return damaged(QStringLiteral("it has no meta box"));
    const Box& meta = heif.top[heif.meta];
    const QList<Box> children =
        boxesIn(bytes, meta.start + meta.header + 4, meta.start + meta.size, &ok);
    if (!ok)
        return damaged(QStringLiteral("the boxes of its meta box do not add up"));
    Box& iinf = heif.iinf;
    Box pitm;
    for (const Box& child : children) {
        Box* slot = child.type == "iloc"   ? &heif.iloc
                    : child.type == "iinf" ? &iinf
                    : child.type == "idat" ? &heif.idat
                    : child.type == "iref" ? &heif.iref
                    : child.type == "pitm" ? &pitm
                                           : nullptr;
        if (!slot)
            continue;
        if (slot->size != 0)
            return damaged(QStringLiteral("its meta box has two %1 boxes")
                               .arg(QString::fromLatin1(child.type)));
        *slot = child;
    }
    if (heif.iloc.size == 0 || iinf.size == 0)
        return damaged(QStringLiteral("it has no item locations"));

    if (pitm.size != 0) {
        Reader primary(bytes, pitm.start + pitm.header, pitm.start + pitm.size);
        const int version = int(primary.read(1));
        primary.read(3);
        heif.primary = quint32(primary.read(version == 0 ? 2 : 4));
        if (primary.failed())
            return damaged(QStringLiteral("its primary item is cut short"));
    }
    if (heif.iref.size != 0) {
        Reader references(bytes, heif.iref.start + heif.iref.header,
                          heif.iref.start + heif.iref.size);
        // A version we do not know is only a reason not to add references.
        const int version = int(references.read(1));
        heif.irefVersion = references.failed() ? 255 : version;
    }

    QHash<quint32, std::pair<QByteArray, QByteArray>> infos; // id -> type, content type
    Reader info(bytes, iinf.start + iinf.header, iinf.start + iinf.size);
    const int infVersion = int(info.read(1));
    heif.iinfVersion = infVersion;
    info.read(3);
    info.read(infVersion == 0 ? 2 : 4);
    const QList<Box> entries = boxesIn(bytes, info.at(), iinf.start + iinf.size, &ok);
    if (!ok || info.failed())
        return damaged(QStringLiteral("its item information does not add up"));
    for (const Box& entry : entries) {
        if (entry.type != "infe")
            continue;
        Reader e(bytes, entry.start + entry.header, entry.start + entry.size);
        const int version = int(e.read(1));
        e.read(3);
        if (version < 2)
            return damaged(QStringLiteral("an item information entry of version %1").arg(version));
        const quint32 id = quint32(e.read(version == 2 ? 2 : 4));
        e.read(2);
        const QByteArray type = bytes.mid(e.at(), 4);
        e.read(4);
        e.text();
        const QByteArray contentType = type == "mime" ? e.text() : QByteArray();
        if (e.failed())
            return damaged(QStringLiteral("an item information entry is cut short"));
        infos.insert(id, {type, contentType});
        heif.largestId = std::max(heif.largestId, id);
    }

    Reader loc(bytes, heif.iloc.start + heif.iloc.header, heif.iloc.start + heif.iloc.size);
    heif.ilocVersion = int(loc.read(1));
    loc.read(3);
    if (heif.ilocVersion > 2)
        return damaged(QStringLiteral("item locations of version %1").arg(heif.ilocVersion));
    const int sizes = int(loc.read(2));
    heif.offsetSize = (sizes >> 12) & 0xf;
    heif.lengthSize = (sizes >> 8) & 0xf;
    heif.baseOffsetSize = (sizes >> 4) & 0xf;
    heif.indexSize = heif.ilocVersion > 0 ? sizes & 0xf : 0;
    for (int size : {heif.offsetSize, heif.lengthSize, heif.baseOffsetSize, heif.indexSize}) {
        if (size != 0 && size != 4 && size != 8)
            return damaged(QStringLiteral("item locations with %1-byte fields").arg(size));
    }
    const quint64 count = loc.read(heif.ilocVersion < 2 ? 2 : 4);
    QList<std::pair<qint64, qint64>> fileExtents;
    for (quint64 i = 0; i < count && !loc.failed(); ++i) {
        Item item;
        item.id = quint32(loc.read(heif.ilocVersion < 2 ? 2 : 4));
        heif.largestId = std::max(heif.largestId, item.id);
        if (heif.ilocVersion > 0)
            item.construction = int(loc.read(2) & 0xf);
        item.dataReference = quint16(loc.read(2));
        item.baseOffset = qint64(loc.read(heif.baseOffsetSize));
        const quint64 extents = loc.read(2);
        for (quint64 j = 0; j < extents && !loc.failed(); ++j) {
            Extent extent;
            extent.index = qint64(loc.read(heif.indexSize));
            extent.offset = qint64(loc.read(heif.offsetSize));
            extent.length = qint64(loc.read(heif.lengthSize));
            item.extents.append(extent);
        }
        if (item.construction > 1 || item.dataReference != 0)
            return damaged(
                QStringLiteral("item %1 keeps its data in a form not written here").arg(item.id));
        const auto info = infos.value(item.id);
        item.type = info.first;
        item.contentType = info.second;
        // Where the data lies: in the file, or inside the idat box.
        const qint64 areaStart = item.construction == 0 ? 0 : heif.idat.start + heif.idat.header;
        const qint64 areaEnd =
            item.construction == 0 ? bytes.size() : heif.idat.start + heif.idat.size;
        // A metadata item emptied by another writer keeps an extent of no
        // length: its data is none, not the rest of the file.
        const bool metadata = item.type == "Exif" || item.type == "mime";
        for (const Extent& extent : std::as_const(item.extents)) {
            const qint64 begin = areaStart + item.baseOffset + extent.offset;
            if (extent.length < 0 || (extent.length == 0 && !metadata) || extent.offset < 0 ||
                item.baseOffset < 0 || begin + extent.length > areaEnd)
                return damaged(
                    QStringLiteral("the data of item %1 lies past its end").arg(item.id));
            fileExtents.append({begin, extent.length});
        }
        heif.items.append(item);
    }
    if (loc.failed())
        return damaged(QStringLiteral("its item locations are cut short"));
    std::sort(fileExtents.begin(), fileExtents.end());
    for (qsizetype i = 1; i < fileExtents.size(); ++i) {
        if (fileExtents[i].first < fileExtents[i - 1].first + fileExtents[i - 1].second)
            return damaged(QStringLiteral("the data of two items overlap"));
    }
    return Result<HeifItems>::ok(std::move(heif));
}

QByteArray HeifItems::dataOf(const Item& item, const QByteArray& bytes) const {
    const qint64 areaStart = item.construction == 0 ? 0 : idat.start + idat.header;
    QByteArray data;
    for (const Extent& extent : item.extents)
        data += bytes.mid(areaStart + item.baseOffset + extent.offset, extent.length);
    return data;
}

QByteArray HeifItems::ilocBytes() const {
    QByteArray body;
    body.append(char(ilocVersion));
    body.append(QByteArray(3, '\0'));
    writeBig(body,
             quint64((offsetSize << 12) | (lengthSize << 8) | (baseOffsetSize << 4) |
                     (ilocVersion > 0 ? indexSize : 0)),
             2);
    writeBig(body, quint64(items.size()), ilocVersion < 2 ? 2 : 4);
    for (const Item& item : items) {
        writeBig(body, item.id, ilocVersion < 2 ? 2 : 4);
        if (ilocVersion > 0)
            writeBig(body, quint64(item.construction), 2);
        writeBig(body, item.dataReference, 2);
        writeBig(body, quint64(item.baseOffset), baseOffsetSize);
        writeBig(body, quint64(item.extents.size()), 2);
        for (const Extent& extent : item.extents) {
            writeBig(body, quint64(extent.index), ilocVersion > 0 ? indexSize : 0);
            writeBig(body, quint64(extent.offset), offsetSize);
            writeBig(body, quint64(extent.length), lengthSize);
        }
    }
    QByteArray out;
    writeBig(out, quint64(body.size() + 8), 4);
    return out + "iloc" + body;
}

namespace {
// A box's bytes with its size field set to its length; a box of a 64-bit
// size keeps that form.
QByteArray resized(QByteArray box, int header) {
    if (header == 16) {
        QByteArray size;
        writeBig(size, quint64(box.size()), 8);
        box.replace(8, 8, size);
    } else {
        QByteArray size;
        writeBig(size, quint64(box.size()), 4);
        box.replace(0, 4, size);
    }
    return box;
}
} // namespace

QByteArray HeifItems::iinfWith(const QByteArray& bytes, const QList<Item>& added) const {
    QByteArray entries;
    for (const Item& item : added) {
        QByteArray entry;
        const int version = item.id > 0xffff ? 3 : 2;
        writeBig(entry, 0, 4);
        entry += "infe";
        entry.append(char(version));
        entry.append(QByteArray(3, '\0'));
        writeBig(entry, item.id, version == 2 ? 2 : 4);
        writeBig(entry, 0, 2); // not protected
        entry += item.type;
        entry.append('\0'); // no name
        if (item.type == "mime")
            entry += item.contentType + QByteArray(1, '\0');
        entries += resized(entry, 8);
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
    QByteArray newCount;
    writeBig(newCount, count, countSize);
    box.replace(countAt, countSize, newCount);
    return resized(box, iinf.header);
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
        writeBig(entries, quint64(8 + idSize * 2 + 2), 4);
        entries += type;
        writeBig(entries, id, idSize);
        writeBig(entries, 1, 2);
        writeBig(entries, to, idSize);
    }
    if (iref.size != 0)
        return resized(bytes.mid(iref.start, iref.size) + entries, iref.header);
    QByteArray box;
    writeBig(box, 0, 4);
    box += "iref";
    box.append(char(version));
    box.append(QByteArray(3, '\0'));
    return resized(box + entries, 8);
}
