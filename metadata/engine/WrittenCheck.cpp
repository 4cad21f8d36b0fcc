#include "metadata/engine/WrittenCheck.h"

#include "metadata/OutcomeCheck.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/MovedPreview.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/WrittenXmpCheck.h"

#include <QHash>
#include <QMap>
#include <QSet>

#include <cmath>

namespace {

using namespace PropertyKeys;
using Directory = TiffEditor::Directory;

constexpr Directory directories[] = {Directory::Ifd0, Directory::Exif, Directory::Gps,
                                     Directory::Interop};

using TagTable::directoryOf;
using TagTable::setOf;

// Entries that say where other data lies: a rewrite may move that data, and
// the data itself is compared where it is read.
bool isLocationTag(Directory directory, quint16 tag) {
    return TagTable::is(directory, tag, TagTable::Location);
}

// What an edit leaves a photo with, once its steps have all applied: the
// values it writes (a removal value for a removed key) and the sets it
// removes whole.
struct Intended {
    QMap<QString, QMap<QString, QVariant>> values; // set -> key -> value
    QSet<QString> removedSets;
    QSet<std::pair<int, quint16>> tags; // EXIF entries the steps concern
    QSet<quint8> iptcNumbers;
    bool strip = false; // entries the dictionary does not show may go

    explicit Intended(const MetadataEdit& edit) : strip(edit.stripHidden) {
        for (const MetadataEdit::Step& step : edit.steps) {
            if (step.key.isEmpty()) {
                removedSets.insert(step.set);
                values.remove(step.set);
                continue;
            }
            values[step.set].insert(step.key, step.value);
            if (step.set == IptcSet) {
                if (const auto number = Exiv2Values::iptcDataset(step.key))
                    iptcNumbers.insert(quint8(*number));
            } else if (const auto* facts = Exiv2Values::exifKeyFacts(step.set, step.key)) {
                tags.insert({int(directoryOf(step.set)), quint16(facts->named.tag())});
            }
        }
    }
    bool removesDirectory(Directory directory) const {
        if (directory == Directory::Ifd0)
            return false; // removing the TIFF set leaves IFD0 and its image entries
        return removedSets.contains(setOf(directory));
    }
};

QString nameOfTag(Directory directory, quint16 tag) {
    try {
        const Exiv2::Exifdatum probe(Exiv2::ExifKey(tag, TagTable::groupName(directory)));
        if (const auto entry = Exiv2Values::dictionaryEntry(probe))
            return entry->set + QLatin1Char('.') + entry->key;
    } catch (const std::exception&) {
    }
    return QStringLiteral("tag 0x%1 of %2").arg(tag, 4, 16, QLatin1Char('0')).arg(setOf(directory));
}

// Degrees are stored to a ten-thousandth of a second of arc, so a position
// reads back within half of that.
bool readsBackAs(const QString& set, const QString& key, const QVariant& found,
                 const QVariant& planned) {
    if (Exiv2Values::sameValue(found, planned))
        return true;
    const auto a = Exiv2Values::detail::number(found);
    const auto b = Exiv2Values::detail::number(planned);
    return Exiv2Values::detail::isDegreesTag(set, key) && a && b &&
           std::fabs(*a - std::fabs(*b)) <= 0.5 / 10000 / 3600 + 1e-12;
}

// Every step reads back as planned.
Status planReadsBack(const Intended& intended, const Exiv2::ExifData& exif,
                     const Exiv2::IptcData& iptc) {
    QStringList problems;
    for (const QString& set : intended.removedSets) {
        if (set == XmpSet)
            continue;
        if (set == IptcSet) {
            if (!Exiv2Values::iptcSetOf(iptc).isEmpty() && !intended.values.contains(IptcSet))
                problems << QStringLiteral("%1 was not removed").arg(set);
            continue;
        }
        // The directories of the EXIF and GPS sets are told by their group
        // alone; the TIFF set shares IFD0 with the image's own entries.
        const bool byGroup = set == ExifSet || set == GpsSet;
        for (const Exiv2::Exifdatum& datum : exif) {
            if (byGroup) {
                const auto group = TagTable::groupNamed(datum.groupName());
                if (!group || *group > TagTable::Group::Iop || setOf(Directory(*group)) != set)
                    continue;
            }
            const auto entry = Exiv2Values::dictionaryEntry(datum);
            if (!entry || entry->set != set || TagTable::isImageStructureTag(datum.tag()) ||
                intended.values.value(set).contains(entry->key))
                continue;
            problems << QStringLiteral("%1.%2 was not removed").arg(set, entry->key);
            break;
        }
    }
    const QVariantMap iptcSet =
        intended.values.contains(IptcSet) ? Exiv2Values::iptcSetOf(iptc) : QVariantMap();
    for (auto set = intended.values.cbegin(); set != intended.values.cend(); ++set) {
        if (set.key() == XmpSet)
            continue; // read back from the packet itself
        for (auto key = set.value().cbegin(); key != set.value().cend(); ++key) {
            const QString name = set.key() + QLatin1Char('.') + key.key();
            QVariant found = removal();
            if (set.key() == IptcSet) {
                found = iptcSet.value(key.key(), removal());
            } else if (const auto* facts = Exiv2Values::exifKeyFacts(set.key(), key.key())) {
                const auto datum = exif.findKey(facts->tagged);
                if (datum != exif.end())
                    found = Exiv2Values::exifToVariant(*datum, set.key(), key.key());
            }
            if (isRemoval(key.value())) {
                if (!isRemoval(found))
                    problems << QStringLiteral("%1 was not removed").arg(name);
            } else if (isRemoval(found)) {
                problems << QStringLiteral("%1 was not written").arg(name);
            } else if (!readsBackAs(set.key(), key.key(), found, key.value())) {
                problems << QStringLiteral("%1 reads back as %2 instead of %3")
                                .arg(name, describeValue(found), describeValue(key.value()));
            }
        }
    }
    if (problems.isEmpty())
        return Status::ok();
    return Status::fail(QStringLiteral("the written photo does not hold what was planned: %1")
                            .arg(problems.join(QLatin1String("; "))));
}

Status unasked(const QString& what) {
    return Status::fail(
        QStringLiteral("the write changed %1, which no change asked for").arg(what));
}

// Every IPTC dataset that no step concerns is as it was, in its order.
Status iptcUnchangedBesides(const Intended& intended, const QByteArray& before,
                            const QByteArray& after) {
    if (before == after || intended.removedSets.contains(IptcSet))
        return Status::ok();
    const auto old = IptcBlock::parse(before);
    const auto now = IptcBlock::parse(after);
    if (!now)
        return Status::fail(
            QStringLiteral("the written IPTC block does not read back: %1").arg(now.error()));
    if (!old)
        return Status::ok();
    const auto kept = [&](const IptcBlock& block) {
        QList<IptcBlock::Dataset> out;
        for (const IptcBlock::Dataset& dataset : block.datasets()) {
            const bool planned =
                dataset.record == 2 && intended.iptcNumbers.contains(dataset.number);
            // The character set follows what the written values need.
            const bool characterSet =
                dataset.record == 1 && dataset.number == 90 && !intended.iptcNumbers.isEmpty();
            if (!planned && !characterSet)
                out.append(dataset);
        }
        return out;
    };
    const QList<IptcBlock::Dataset> a = kept(old.value());
    const QList<IptcBlock::Dataset> b = kept(now.value());
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i <= common; ++i) {
        const bool same = i == common ? a.size() == b.size()
                                      : a[i].record == b[i].record && a[i].number == b[i].number &&
                                            a[i].data == b[i].data;
        if (same)
            continue;
        const IptcBlock::Dataset& which = i < a.size() ? a[i] : b[i];
        const QString name = which.record == 2 ? Exiv2Values::iptcName(which.number) : QString();
        return unasked(
            name.isEmpty()
                ? QStringLiteral("IPTC dataset %1:%2").arg(which.record).arg(which.number)
                : IptcSet + QLatin1Char('.') + name);
    }
    return Status::ok();
}

// Every XMP step reads back from the written packet, and every property no
// step concerns is as it was.
Status xmpUnchangedBesides(const Intended& intended, const XmpPacketBlocks& before,
                           const XmpPacketBlocks& after) {
    const QMap<QString, QVariant> planned = intended.values.value(XmpSet);
    const bool removed = intended.removedSets.contains(XmpSet);
    if (before.packet == after.packet && before.extension == after.extension && planned.isEmpty() &&
        !removed)
        return Status::ok();
    return checkXmpWritten(planned, removed, before, after);
}

// Every entry of the EXIF block that no step concerns is as it was.
Status exifUnchangedBesides(const Intended& intended, PhotoFormat format, const QByteArray& before,
                            const QByteArray& after, const TiffEditor* parsedBefore,
                            const TiffEditor* parsedAfter, WrittenBy writer) {
    if (before == after)
        return Status::ok();
    const auto origin =
        format == PhotoFormat::Tiff ? TiffEditor::Origin::TiffFile : TiffEditor::Origin::ExifBlock;
    // The edit's parse of the source block, and the check's of the written
    // one, stand for second parses.
    const bool parsed = parsedBefore && parsedBefore->isOpenedFrom(before, origin);
    const auto opened = [&](const QByteArray& block) {
        return block.isEmpty() ? Result<TiffEditor>::ok(TiffEditor::empty(true))
                               : TiffEditor::open(block, origin);
    };
    std::optional<Result<TiffEditor>> ownNow, ownOld;
    if (!parsedAfter) {
        ownNow = opened(after);
        if (!*ownNow)
            return Status::fail(QStringLiteral("the written EXIF block does not read back: %1")
                                    .arg(ownNow->error()));
    }
    if (!parsed) {
        ownOld = opened(before);
        if (!*ownOld)
            return Status::ok(); // nothing of a block we cannot read can be compared
    }
    const TiffEditor* now = parsedAfter ? parsedAfter : &ownNow->value();
    const TiffEditor* old = parsed ? parsedBefore : &ownOld->value();
    const bool tiffRemoved = intended.removedSets.contains(TiffSet);
    for (const Directory directory : directories) {
        if (intended.removesDirectory(directory))
            continue;
        // Each tag's entries, counted, with the first of them.
        struct Stored {
            int count = 0;
            TiffEditor::StoredEntry first;
        };
        const auto byTag = [directory](const TiffEditor* editor, QList<quint16>& order) {
            QHash<quint16, Stored> tags;
            for (const TiffEditor::StoredEntry& entry : editor->storedEntries(directory)) {
                Stored& stored = tags[entry.tag];
                if (stored.count++ == 0) {
                    stored.first = entry;
                    order << entry.tag;
                }
            }
            return tags;
        };
        QList<quint16> tags, added;
        const QHash<quint16, Stored> was = byTag(old, tags);
        const QHash<quint16, Stored> is = byTag(now, added);
        for (quint16 tag : std::as_const(added)) {
            if (!was.contains(tag))
                tags << tag;
        }
        for (quint16 tag : std::as_const(tags)) {
            if (isLocationTag(directory, tag) || intended.tags.contains({int(directory), tag}))
                continue;
            const Stored a = was.value(tag);
            const Stored b = is.value(tag);
            if (intended.strip && a.count > 0 &&
                !showsEntry(directory, tag, a.first.stored.type, a.first.value))
                continue;
            if (writer == WrittenBy::Library && directory == Directory::Exif &&
                tag == Tag::MakerNote)
                continue;
            if (directory == Directory::Ifd0 && tiffRemoved && !TagTable::isImageStructureTag(tag))
                continue;
            // A TIFF file keeps its IPTC and XMP in IFD0: they are compared
            // as the blocks they are.
            if (format == PhotoFormat::Tiff && directory == Directory::Ifd0 &&
                (tag == Tag::Iptc || tag == Tag::ImageResources || tag == Tag::Xmp)) {
                const QByteArray before = a.first.value.toByteArray();
                const QByteArray after = b.first.value.toByteArray();
                const Status same =
                    tag == Tag::Xmp
                        ? xmpUnchangedBesides(intended, {before, {}, {}}, {after, {}, {}})
                    : tag == Tag::Iptc
                        ? iptcUnchangedBesides(intended, before, after)
                        : iptcUnchangedBesides(intended, iptcFromImageResources(before),
                                               iptcFromImageResources(after));
                if (!same)
                    return same;
                continue;
            }
            const bool sameValue =
                a.first.value == b.first.value ||
                (directory == Directory::Exif && tag == Tag::MakerNote &&
                 samePreviewAside(a.first.value.toByteArray(), b.first.value.toByteArray()));
            if (a.count != b.count || a.first.stored.type != b.first.stored.type ||
                a.first.stored.count != b.first.stored.count || !sameValue)
                return unasked(nameOfTag(directory, tag));
        }
    }
    return Status::ok();
}

// The library's data of the entries an edit concerns: the keys it writes or
// removes, and an entry of each directory it removes, if any is left.
Exiv2::ExifData entriesOf(const TiffEditor& editor, const Intended& intended) {
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order = editor.littleEndian() ? Exiv2::littleEndian : Exiv2::bigEndian;
    auto add = [&](Directory directory, quint16 tag, const Exiv2::ExifKey& key) {
        TiffEditor::Stored stored;
        QByteArrayView bytes;
        if (editor.storedCount(directory, tag, &stored, &bytes) == 0)
            return;
        // Comments are decoded as the library decodes them: with their charset.
        const bool comment = Exiv2Values::detail::isCommentTag(key.groupName(), tag);
        auto value = Exiv2Owned::createValue(comment ? Exiv2::comment : Exiv2::TypeId(stored.type));
        value->read(reinterpret_cast<const Exiv2::byte*>(bytes.data()), long(bytes.size()), order);
        exif.add(key, value.get());
    };
    for (auto set = intended.values.cbegin(); set != intended.values.cend(); ++set) {
        for (auto key = set.value().cbegin(); key != set.value().cend(); ++key) {
            if (const auto* facts = Exiv2Values::exifKeyFacts(set.key(), key.key()))
                add(directoryOf(set.key()), quint16(facts->named.tag()), facts->tagged);
        }
    }
    const bool tiffRemoved = intended.removedSets.contains(TiffSet);
    for (const Directory directory : directories) {
        if (!intended.removesDirectory(directory) && !(tiffRemoved && directory == Directory::Ifd0))
            continue;
        for (quint16 tag : editor.tagsOf(directory)) {
            if (!isLocationTag(directory, tag))
                add(directory, tag, Exiv2::ExifKey(tag, TagTable::groupName(directory)));
        }
    }
    return exif;
}

} // namespace

Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit, WrittenBy writer) {
    const MetadataBlocks after = findMetadataBlocks(format, written);
    const Intended intended(edit);
    const auto origin =
        format == PhotoFormat::Tiff ? TiffEditor::Origin::TiffFile : TiffEditor::Origin::ExifBlock;
    std::optional<TiffEditor> parsedAfter;
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    try {
        if (!after.exif.isEmpty()) {
            // Our parse follows every offset of the written block: what it
            // finds is compared entry by entry with the source, and the
            // entries the edit concerns are decoded by the library from their
            // stored bytes. A whole read by the library would cost more than
            // the rest of the write.
            auto opened = TiffEditor::open(after.exif, origin);
            if (!opened)
                return Status::fail(QStringLiteral("the written EXIF block does not read back: %1")
                                        .arg(opened.error()));
            parsedAfter = std::move(opened.value());
            exif = entriesOf(*parsedAfter, intended);
        }
        const auto decodes = [&iptc](const QByteArray& block) {
            iptc.clear();
            return Exiv2::IptcParser::decode(
                       iptc, reinterpret_cast<const Exiv2::byte*>(block.constData()),
                       uint32_t(block.size())) == 0;
        };
        if (format == PhotoFormat::Tiff && parsedAfter) {
            // A TIFF file keeps its IPTC in IFD0, as a block of its own or
            // among its Photoshop resources: readers take the block first.
            const auto block = parsedAfter->valueOf(Directory::Ifd0, Tag::Iptc);
            if (!block || !decodes(*block)) {
                const QByteArray resources =
                    parsedAfter->valueOf(Directory::Ifd0, Tag::ImageResources)
                        .value_or(QByteArray());
                const QByteArray fromResources = iptcFromImageResources(resources);
                if (!fromResources.isEmpty() && !decodes(fromResources))
                    return Status::fail(
                        QStringLiteral("the written IPTC block does not read back"));
            }
        } else if (!after.iptc.isEmpty() && !decodes(after.iptc)) {
            return Status::fail(QStringLiteral("the written IPTC block does not read back"));
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return Status::fail(QStringLiteral("the written photo does not read back: %1")
                                .arg(QString::fromLocal8Bit(error.what())));
    }
    const Status planned = planReadsBack(intended, exif, iptc);
    if (!planned)
        return planned;
    const MetadataBlocks before = findMetadataBlocks(format, source);
    Status status =
        exifUnchangedBesides(intended, format, before.exif, after.exif, edit.parsedExifBlock.get(),
                             parsedAfter ? &*parsedAfter : nullptr, writer);
    if (status)
        status = iptcUnchangedBesides(intended, before.iptc, after.iptc);
    if (status && format != PhotoFormat::Tiff)
        status = xmpUnchangedBesides(intended,
                                     {before.xmp, before.xmpExtension, before.xmpExtensionProblem},
                                     {after.xmp, after.xmpExtension, after.xmpExtensionProblem});
    // A TIFF file's packet is one of its IFD0 entries. The comparison of the
    // entries passes over one a step writes or removes, so the packet is
    // compared here as well, whatever the steps.
    if (status && format == PhotoFormat::Tiff) {
        const QByteArray written =
            parsedAfter ? parsedAfter->valueOf(Directory::Ifd0, Tag::Xmp).value_or(QByteArray())
                        : QByteArray();
        // The edit's parse of the source stands for a second one.
        const TiffEditor* parsed = edit.parsedExifBlock.get();
        const QByteArray was =
            parsed && parsed->isOpenedFrom(before.exif, origin)
                ? parsed->valueOf(Directory::Ifd0, Tag::Xmp).value_or(QByteArray())
                : xmpPacketOf(format, source);
        status = xmpUnchangedBesides(intended, {was, {}, {}}, {written, {}, {}});
    }
    return status;
}
