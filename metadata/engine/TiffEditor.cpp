#include "metadata/engine/TiffEditor.h"

#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"

#include <algorithm>
#include <functional>

namespace {

constexpr int MaxEntries = 256;

QString directoryName(TiffEditor::Directory kind, int page) {
    switch (kind) {
    case TiffEditor::Directory::Ifd0:
        return page == 0 ? QStringLiteral("IFD0") : QStringLiteral("IFD%1").arg(page);
    case TiffEditor::Directory::Exif:
        return QStringLiteral("the EXIF directory");
    case TiffEditor::Directory::Gps:
        return QStringLiteral("the GPS directory");
    case TiffEditor::Directory::Interop:
        return QStringLiteral("the interoperability directory");
    }
    return {};
}

QString damageOf(IfdWalk::Damage damage, const QString& name) {
    return damage == IfdWalk::Damage::Outside
               ? QStringLiteral("damaged EXIF: %1 lies outside the block").arg(name)
               : QStringLiteral("damaged EXIF: %1 is cut short").arg(name);
}

int childSlot(TiffEditor::Directory kind) {
    return kind == TiffEditor::Directory::Exif ? 0 : kind == TiffEditor::Directory::Gps ? 1 : 2;
}

} // namespace

quint16 TiffEditor::pointerTag(Directory kind) {
    return kind == Directory::Exif
               ? Tag::ExifPointer
               : (kind == Directory::Gps ? Tag::GpsPointer : Tag::InteropPointer);
}

quint32 TiffEditor::readU(qint64 at, int size) const {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(m_bytes[at + (m_little ? size - 1 - i : i)]);
    return value;
}

qint64 TiffEditor::valueSize(const Entry& entry) const {
    return qint64(entry.count) * tiffTypeSize(entry.type);
}

Result<TiffEditor> TiffEditor::open(QByteArray bytes, Origin origin) {
    TiffEditor editor;
    editor.m_bytes = std::move(bytes);
    editor.m_origin = origin;
    const Status parsed = editor.parse();
    if (!parsed)
        return Result<TiffEditor>::fail(parsed.error());
    return Result<TiffEditor>::ok(std::move(editor));
}

TiffEditor TiffEditor::empty(bool littleEndian) {
    TiffEditor editor;
    editor.m_little = littleEndian;
    editor.m_bytes = littleEndian ? QByteArray("II\x2a\x00", 4) : QByteArray("MM\x00\x2a", 4);
    editor.m_bytes.append(QByteArray(4, '\0'));
    Ifd ifd0;
    editor.m_ifds.append(ifd0); // new: laid out when finishing
    editor.m_pages.append(0);
    editor.m_changed = true;
    return editor;
}

Status TiffEditor::parse() {
    if (m_bytes.size() < 8)
        return Status::fail(QStringLiteral("damaged EXIF: the block is too short"));
    const auto header = TiffHeader::read(m_bytes);
    if (!header)
        return Status::fail(QStringLiteral("damaged EXIF: no byte order mark"));
    m_little = header->little;
    if (header->magic != 42)
        return Status::fail(QStringLiteral("damaged EXIF: not a TIFF structure"));
    // A chain that leads nowhere after the first page is left as it is:
    // other readers stop there too.
    const auto strict = [this] { return m_pages.isEmpty() || m_origin == Origin::TiffFile; };
    TiffPages pages(m_bytes, *header);
    for (const IfdWalk& walk : pages) {
        auto page = parseIfd(walk, Directory::Ifd0, 0);
        if (!page) {
            if (strict())
                return Status::fail(page.error());
            break;
        }
        m_pages.append(page.value());
    }
    if (pages.looped() && strict())
        return Status::fail(QStringLiteral("damaged EXIF: its directories form a loop"));
    if (pages.damage() != IfdWalk::Damage::None && strict())
        return Status::fail(
            damageOf(pages.damage(), directoryName(Directory::Ifd0, int(m_pages.size()))));
    if (m_pages.isEmpty())
        return Status::fail(QStringLiteral("damaged EXIF: it has no first directory"));
    return Status::ok();
}

Result<int> TiffEditor::parseIfd(IfdWalk walk, Directory kind, int depth) {
    using R = Result<int>;
    // Named only for a message: most directories need none.
    const auto name = [kind, page = int(m_pages.size())] { return directoryName(kind, page); };
    if (walk.damage() != IfdWalk::Damage::None)
        return R::fail(damageOf(walk.damage(), name()));
    const int stored = walk.storedEntries();
    // The metadata library reads no directory this long, so no other view
    // of the photo has its entries: an edit would bring them to light.
    if (stored > MaxEntries)
        return R::fail(QStringLiteral("damaged EXIF: %1 has %2 entries").arg(name()).arg(stored));
    Ifd ifd;
    ifd.kind = kind;
    ifd.offset = walk.position();
    ifd.storedEntries = stored;
    ifd.next = walk.nextDirectory();
    ifd.entries.reserve(stored);
    int dropped = 0;
    for (const IfdEntry& read : walk) {
        Entry entry;
        entry.tag = read.tag;
        entry.type = read.type;
        entry.count = read.count;
        entry.field = read.field;
        entry.at = read.at;
        const qint64 size = read.valueSize();
        const bool valid = tiffTypeSize(entry.type) != 0 &&
                           (size <= 4 || qint64(entry.field) + size <= m_bytes.size());
        if (!valid) {
            ++dropped;
            continue;
        }
        ifd.entries.append(entry);
    }
    if (dropped > 0) {
        m_changed = true;
        m_repairs << QStringLiteral("dropped %1 invalid %2 of %3")
                         .arg(dropped)
                         .arg(dropped == 1 ? QStringLiteral("entry") : QStringLiteral("entries"))
                         .arg(name());
    }
    const int index = int(m_ifds.size());
    m_ifds.append(ifd);
    if (depth > 2)
        return R::ok(index);
    const QList<Directory> children =
        kind == Directory::Ifd0   ? QList<Directory>{Directory::Exif, Directory::Gps}
        : kind == Directory::Exif ? QList<Directory>{Directory::Interop}
                                  : QList<Directory>{};
    for (Directory child : children) {
        const Entry* pointer = entryOf(index, pointerTag(child));
        if (!pointer)
            continue;
        if (pointer->count == 0) {
            // A pointer to nothing: dropping it loses nothing.
            QList<Entry>& entries = m_ifds[index].entries;
            entries.removeIf([&](const Entry& e) { return e.tag == pointerTag(child); });
            m_changed = true;
            m_repairs << QStringLiteral("dropped the empty pointer to %1 from %2")
                             .arg(directoryName(child, 0), name());
            continue;
        }
        if ((pointer->type != 4 && pointer->type != 13) || pointer->count != 1)
            return R::fail(QStringLiteral("damaged EXIF: the pointer to %1 is invalid")
                               .arg(directoryName(child, 0)));
        for (const Ifd& other : std::as_const(m_ifds)) {
            if (other.offset == qint64(pointer->field))
                return R::fail(QStringLiteral("damaged EXIF: its directories form a loop"));
        }
        auto parsed = parseIfd(IfdWalk(m_bytes, m_little, pointer->field), child, depth + 1);
        if (!parsed)
            return parsed;
        m_ifds[index].children[childSlot(child)] = parsed.value();
    }
    return R::ok(index);
}

int TiffEditor::find(Directory directory, int page) const {
    if (page >= m_pages.size())
        return -1;
    const int ifd0 = m_pages[page];
    if (directory == Directory::Ifd0)
        return ifd0;
    if (directory == Directory::Interop) {
        const int exif = m_ifds[ifd0].children[0];
        return exif < 0 ? -1 : m_ifds[exif].children[2];
    }
    return m_ifds[ifd0].children[childSlot(directory)];
}

TiffEditor::Entry* TiffEditor::entryOf(int ifd, quint16 tag) {
    for (Entry& entry : m_ifds[ifd].entries) {
        if (entry.tag == tag)
            return &entry;
    }
    return nullptr;
}

const TiffEditor::Entry* TiffEditor::entryOf(int ifd, quint16 tag) const {
    for (const Entry& entry : m_ifds[ifd].entries) {
        if (entry.tag == tag)
            return &entry;
    }
    return nullptr;
}

bool TiffEditor::hasDirectory(Directory directory) const {
    return find(directory) >= 0;
}

std::optional<quint16> TiffEditor::typeOf(Directory directory, quint16 tag) const {
    const int ifd = find(directory);
    const Entry* entry = ifd < 0 ? nullptr : entryOf(ifd, tag);
    if (!entry)
        return std::nullopt;
    return entry->type;
}

QList<quint16> TiffEditor::tagsOf(Directory directory) const {
    QList<quint16> tags;
    const int ifd = find(directory);
    if (ifd >= 0) {
        for (const Entry& entry : m_ifds[ifd].entries)
            tags << entry.tag;
    }
    return tags;
}

std::optional<QByteArray> TiffEditor::valueOf(Directory directory, quint16 tag) const {
    const int ifd = find(directory);
    const Entry* entry = ifd < 0 ? nullptr : entryOf(ifd, tag);
    if (!entry)
        return std::nullopt;
    if (entry->valueChanged)
        return entry->newValue;
    const qint64 size = valueSize(*entry);
    return size <= 4 ? m_bytes.mid(entry->at + 8, size) : m_bytes.mid(entry->field, size);
}

int TiffEditor::storedCount(Directory directory, quint16 tag, Stored* first,
                            QByteArrayView* value) const {
    const int ifd = find(directory);
    if (ifd < 0)
        return 0;
    int count = 0;
    for (const Entry& entry : m_ifds[ifd].entries) {
        if (entry.tag != tag || count++ > 0)
            continue;
        if (first)
            *first = {entry.type, entry.count, entry.field};
        if (value)
            *value = valueView(entry);
    }
    return count;
}

QByteArrayView TiffEditor::valueView(const Entry& entry) const {
    const qint64 size = valueSize(entry);
    return entry.valueChanged ? QByteArrayView(entry.newValue)
           : size <= 4        ? QByteArrayView(m_bytes).sliced(entry.at + 8, size)
                              : QByteArrayView(m_bytes).sliced(entry.field, size);
}

QList<TiffEditor::StoredEntry> TiffEditor::storedEntries(Directory directory) const {
    QList<StoredEntry> entries;
    const int ifd = find(directory);
    if (ifd < 0)
        return entries;
    entries.reserve(m_ifds[ifd].entries.size());
    for (const Entry& entry : m_ifds[ifd].entries)
        entries.append({entry.tag, {entry.type, entry.count, entry.field}, valueView(entry)});
    return entries;
}

qsizetype TiffEditor::entryCount(Directory directory) const {
    const int ifd = find(directory);
    return ifd < 0 ? 0 : m_ifds[ifd].entries.size();
}

void TiffEditor::removeEntry(Directory directory, quint16 tag) {
    const int ifd = find(directory);
    if (ifd >= 0)
        removeEntries(ifd, tag, 0);
}

// Entries of one tag from the index'th on. A directory that holds a tag
// twice is read one way by one reader and another way by the next: a write
// of the tag leaves it once, a removal not at all.
void TiffEditor::removeEntries(int ifd, quint16 tag, int from) {
    QList<Entry>& entries = m_ifds[ifd].entries;
    int seen = 0;
    for (qsizetype i = 0; i < entries.size();) {
        if (entries[i].tag != tag || seen++ < from) {
            ++i;
            continue;
        }
        const Entry& entry = entries[i];
        if (entry.at >= 0 && valueSize(entry) > 4)
            m_dead.append({qint64(entry.field), valueSize(entry)});
        entries.removeAt(i);
        m_changed = true;
    }
}

void TiffEditor::removeDirectory(Directory directory) {
    for (int page = 0; page < m_pages.size(); ++page) {
        const int ifd = find(directory, page);
        if (ifd < 0)
            continue;
        std::function<void(int)> drop = [&](int index) {
            Ifd& dir = m_ifds[index];
            dir.removed = true;
            if (dir.offset >= 0)
                m_dead.append({dir.offset, 2 + qint64(dir.storedEntries) * 12 + 4});
            for (const Entry& entry : dir.entries) {
                if (entry.at >= 0 && valueSize(entry) > 4)
                    m_dead.append({qint64(entry.field), valueSize(entry)});
            }
            for (int child : dir.children) {
                if (child >= 0)
                    drop(child);
            }
        };
        drop(ifd);
        const int parent =
            directory == Directory::Interop ? find(Directory::Exif, page) : m_pages[page];
        QList<Entry>& entries = m_ifds[parent].entries;
        entries.erase(
            std::remove_if(entries.begin(), entries.end(),
                           [&](const Entry& e) { return e.tag == pointerTag(directory); }),
            entries.end());
        m_ifds[parent].children[childSlot(directory)] = -1;
        m_changed = true;
    }
}

Status TiffEditor::setEntry(Directory directory, quint16 tag, quint16 type, quint32 count,
                            const QByteArray& value) {
    if (tiffTypeSize(type) == 0 || qint64(count) * tiffTypeSize(type) != value.size())
        return Status::fail(
            QStringLiteral("cannot write tag 0x%1: its value does not match its type")
                .arg(tag, 4, 16, QLatin1Char('0')));
    int ifd = find(directory);
    if (ifd < 0) {
        if (directory == Directory::Ifd0 || directory == Directory::Interop)
            return Status::fail(QStringLiteral("cannot write tag 0x%1: no directory for it")
                                    .arg(tag, 4, 16, QLatin1Char('0')));
        Ifd created;
        created.kind = directory;
        ifd = int(m_ifds.size());
        m_ifds.append(created);
        const int parent = m_pages[0];
        m_ifds[parent].children[childSlot(directory)] = ifd;
        Entry pointer;
        pointer.tag = pointerTag(directory);
        pointer.type = 4;
        pointer.count = 1;
        QList<Entry>& parentEntries = m_ifds[parent].entries;
        auto place = std::find_if(parentEntries.begin(), parentEntries.end(),
                                  [&](const Entry& e) { return e.tag > pointer.tag; });
        parentEntries.insert(place, pointer);
    }
    m_changed = true;
    if (Entry* existing = entryOf(ifd, tag)) {
        existing->type = type;
        existing->count = count;
        existing->newValue = value;
        existing->valueChanged = true;
        removeEntries(ifd, tag, 1);
        return Status::ok();
    }
    Entry entry;
    entry.tag = tag;
    entry.type = type;
    entry.count = count;
    entry.newValue = value;
    entry.valueChanged = true;
    QList<Entry>& entries = m_ifds[ifd].entries;
    auto place =
        std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.tag > tag; });
    entries.insert(place, entry);
    return Status::ok();
}
