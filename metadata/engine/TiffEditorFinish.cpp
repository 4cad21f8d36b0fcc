#include "metadata/engine/TiffEditor.h"

#include "metadata/engine/TagTable.h"

#include <QHash>

#include <map>

namespace {

using Region = std::pair<qint64, qint64>; // offset, length

void writeU(QByteArray& bytes, qint64 at, quint32 value, int size, bool little) {
    for (int i = 0; i < size; ++i) {
        const int shift = 8 * (little ? i : size - 1 - i);
        bytes[at + i] = char((value >> shift) & 0xff);
    }
}

quint32 fieldOf(const QByteArray& four, bool little) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(four[little ? 3 - i : i]);
    return value;
}

// The bytes in use, as disjoint runs, for asking whether a region touches
// any of them.
class RegionSet {
public:
    void add(Region region) {
        if (region.second <= 0)
            return;
        qint64 start = region.first, end = region.first + region.second;
        auto it = m_runs.upper_bound(start);
        if (it != m_runs.begin() && std::prev(it)->second >= start)
            --it;
        while (it != m_runs.end() && it->first <= end) {
            start = std::min(start, it->first);
            end = std::max(end, it->second);
            it = m_runs.erase(it);
        }
        m_runs.emplace(start, end);
    }
    bool overlaps(const Region& region) const {
        if (region.second <= 0)
            return false;
        auto it = m_runs.lower_bound(region.first + region.second);
        return it != m_runs.begin() && std::prev(it)->second > region.first;
    }

private:
    std::map<qint64, qint64> m_runs; // start -> end
};

// The strips, tiles and the thumbnail lie outside the directories: none of
// them may be zeroed.
using Tag::DataPairs;

} // namespace

Result<QByteArray> TiffEditor::finish(qsizetype maxSize) const {
    using R = Result<QByteArray>;
    QByteArray out = m_bytes;
    qint64 end = out.size();
    auto append = [&](qint64 size) {
        end += end & 1; // values start on a word boundary
        const qint64 at = end;
        end += size;
        return at;
    };

    // Where every directory and every changed value goes. Nothing that
    // stays moves; what grows or is new goes to the end, and so does what
    // would be written over bytes something else still uses: the header,
    // a value that does not change, the strips, tiles and thumbnail, or
    // another directory (damaged blocks share them).
    RegionSet live;
    live.add({0, 8});
    for (int i = 0; i < m_ifds.size(); ++i) {
        if (m_ifds[i].removed)
            continue;
        for (const Entry& entry : m_ifds[i].entries) {
            if (!entry.valueChanged && valueSize(entry) > 4)
                live.add({qint64(entry.field), valueSize(entry)});
        }
        for (const auto& [offsets, lengths] : DataPairs) {
            const Entry* starts = entryOf(i, offsets);
            const Entry* sizes = entryOf(i, lengths);
            if (!starts || !sizes || starts->valueChanged || sizes->valueChanged)
                continue;
            const qint64 n = std::min(starts->count, sizes->count);
            auto read = [&](const Entry& entry, qint64 k) -> qint64 {
                const int width = tiffTypeSize(entry.type);
                if (width != 2 && width != 4)
                    return 0;
                const qint64 base = valueSize(entry) <= 4 ? entry.at + 8 : qint64(entry.field);
                return readU(base + k * width, width);
            };
            for (qint64 k = 0; k < n && k < 100000; ++k)
                live.add({read(*starts, k), read(*sizes, k)});
        }
    }
    QHash<int, qint64> tableAt;
    QList<Region> dead = m_dead;
    for (int i = 0; i < m_ifds.size(); ++i) {
        const Ifd& ifd = m_ifds[i];
        if (ifd.removed)
            continue;
        const qint64 tableSize = 2 + qint64(ifd.entries.size()) * 12 + 4;
        const qint64 oldSize = 2 + qint64(ifd.storedEntries) * 12 + 4;
        if (ifd.offset >= 0 && tableSize <= oldSize && !live.overlaps({ifd.offset, tableSize})) {
            tableAt[i] = ifd.offset;
            if (oldSize > tableSize)
                dead.append({ifd.offset + tableSize, oldSize - tableSize});
        } else {
            tableAt[i] = append(tableSize);
            if (ifd.offset >= 0)
                dead.append({ifd.offset, oldSize});
        }
        live.add({tableAt[i], tableSize});
    }
    QHash<const Entry*, qint64> valueAt;
    for (const Ifd& ifd : m_ifds) {
        if (ifd.removed)
            continue;
        for (const Entry& entry : ifd.entries) {
            if (!entry.valueChanged)
                continue;
            const qint64 oldSize = entry.at >= 0 ? qint64(readU(entry.at + 4, 4)) *
                                                       tiffTypeSize(quint16(readU(entry.at + 2, 2)))
                                                 : 0;
            const qint64 oldField = entry.at >= 0 ? qint64(readU(entry.at + 8, 4)) : 0;
            const qint64 size = entry.newValue.size();
            if (size <= 4) {
                if (oldSize > 4)
                    dead.append({oldField, oldSize});
                continue;
            }
            if (oldSize > 4 && oldSize >= size && !live.overlaps({oldField, size})) {
                valueAt[&entry] = oldField;
                if (oldSize > size)
                    dead.append({oldField + size, oldSize - size});
            } else {
                valueAt[&entry] = append(size);
                if (oldSize > 4)
                    dead.append({oldField, oldSize});
            }
            live.add({valueAt[&entry], size});
        }
    }
    if (end > maxSize)
        return R::fail(
            QStringLiteral("the EXIF block would grow past the %1 bytes it may take").arg(maxSize));
    out.resize(end, '\0');

    // Bytes no longer used are overwritten, so a removed position or date is
    // gone from the file, unless something still in use shares them.
    for (const Region& region : std::as_const(dead)) {
        if (!live.overlaps(region) && region.first >= 0 &&
            region.first + region.second <= out.size())
            std::fill(out.begin() + region.first, out.begin() + region.first + region.second, '\0');
    }

    for (int i = 0; i < m_ifds.size(); ++i) {
        const Ifd& ifd = m_ifds[i];
        if (ifd.removed)
            continue;
        const qint64 at = tableAt[i];
        writeU(out, at, quint32(ifd.entries.size()), 2, m_little);
        qint64 cursor = at + 2;
        for (const Entry& entry : ifd.entries) {
            quint32 field = entry.field;
            int childIndex = -1;
            if (ifd.kind == Directory::Ifd0 && entry.tag == pointerTag(Directory::Exif))
                childIndex = ifd.children[0];
            else if (ifd.kind == Directory::Ifd0 && entry.tag == pointerTag(Directory::Gps))
                childIndex = ifd.children[1];
            else if (ifd.kind == Directory::Exif && entry.tag == pointerTag(Directory::Interop))
                childIndex = ifd.children[2];
            if (childIndex >= 0) {
                field = quint32(tableAt.value(childIndex));
            } else if (entry.valueChanged) {
                if (entry.newValue.size() <= 4) {
                    field = fieldOf(entry.newValue + QByteArray(4 - entry.newValue.size(), '\0'),
                                    m_little);
                } else {
                    const qint64 to = valueAt.value(&entry);
                    std::copy(entry.newValue.cbegin(), entry.newValue.cend(), out.begin() + to);
                    field = quint32(to);
                }
            }
            writeU(out, cursor, entry.tag, 2, m_little);
            writeU(out, cursor + 2, entry.type, 2, m_little);
            writeU(out, cursor + 4, entry.count, 4, m_little);
            writeU(out, cursor + 8, field, 4, m_little);
            cursor += 12;
        }
        quint32 next = ifd.next;
        const qsizetype page = m_pages.indexOf(i);
        if (page >= 0 && page + 1 < m_pages.size())
            next = quint32(tableAt.value(m_pages[page + 1]));
        writeU(out, cursor, next, 4, m_little);
    }
    writeU(out, 4, quint32(tableAt.value(m_pages[0])), 4, m_little);
    return R::ok(std::move(out));
}
