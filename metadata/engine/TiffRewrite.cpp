#include "metadata/PropertyKeys.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/ImageFacts.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpEdit.h"

using namespace PropertyKeys;

// A TIFF file is edited in its own directories: the EXIF steps on them, the
// IPTC and XMP in their entries of the main directory.
ContainerAnswer rewriteTiffInPlace(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    auto opened = TiffEditor::open(source, TiffEditor::Origin::TiffFile);
    if (!opened)
        return R::fail(opened.error());
    TiffEditor& editor = opened.value();
    Status status = applyExifSteps(editor, edit);
    if (!status)
        return R::fail(status.error());
    using D = TiffEditor::Directory;
    if (edit.touches(IptcSet)) {
        constexpr quint16 IptcTag = Tag::Iptc, PhotoshopTag = Tag::ImageResources;
        const QByteArray iptc = editor.valueOf(D::Ifd0, IptcTag).value_or(QByteArray());
        auto block = IptcBlock::parse(iptc);
        if (!block)
            return R::fail(block.error());
        status = applyIptcSteps(block.value(), edit);
        if (!status)
            return R::fail(status.error());
        const QByteArray newIptc = block->serialize();
        if (newIptc != iptc) {
            // Readers expect the IPTC entry as 32-bit integers, as cameras
            // store it: a new one is made so, and an old one keeps its type.
            // Integers take whole words, so the block is padded with zeros,
            // which IPTC readers skip.
            const quint16 type = editor.typeOf(D::Ifd0, IptcTag).value_or(4) == 7 ? 7 : 4;
            QByteArray stored = newIptc;
            if (type == 4)
                stored.append(QByteArray(-stored.size() & 3, '\0'));
            if (newIptc.isEmpty())
                editor.removeEntry(D::Ifd0, IptcTag);
            else
                status = editor.setEntry(D::Ifd0, IptcTag, type,
                                         quint32(stored.size() / tiffTypeSize(type)), stored);
            if (const auto resources = editor.valueOf(D::Ifd0, PhotoshopTag);
                status && resources &&
                PhotoshopResources::find(*resources, PhotoshopResources::IptcId)) {
                const auto updated = PhotoshopResources::withIptc(*resources, newIptc);
                if (!updated)
                    return R::fail(updated.error());
                // Bytes, as Photoshop stores its resources; an entry of
                // another type keeps it.
                const quint16 resourceType =
                    editor.typeOf(D::Ifd0, PhotoshopTag).value_or(1) == 7 ? 7 : 1;
                status = editor.setEntry(D::Ifd0, PhotoshopTag, resourceType,
                                         quint32(updated->size()), updated.value());
            }
            if (!status)
                return R::fail(status.error());
        }
    }
    constexpr quint16 XmpTag = Tag::Xmp;
    const auto packet = editor.valueOf(D::Ifd0, XmpTag);
    const auto xmp = editXmpPacket(packet ? &*packet : nullptr, edit);
    if (!xmp)
        return R::fail(xmp.error());
    if (xmp.value() && xmp.value()->isEmpty()) {
        editor.removeEntry(D::Ifd0, XmpTag);
    } else if (xmp.value()) {
        status = editor.setEntry(D::Ifd0, XmpTag, editor.typeOf(D::Ifd0, XmpTag).value_or(1),
                                 quint32(xmp.value()->size()), *xmp.value());
        if (!status)
            return R::fail(status.error());
    }
    if (edit.stripHidden) {
        // Of the main directory, the entries that store the image and the
        // ICC profile stay, and those the dictionary shows, which the
        // changes remove or keep by name; the maker note and the
        // interoperability directory go with other applications' entries.
        // A RAW file keeps what its raw converter needs: a DNG its own
        // entries (its private data too), another RAW its maker note.
        const TiffRawKind raw = tiffRawKind(source);
        for (quint16 tag : editor.tagsOf(D::Ifd0)) {
            if (TagTable::isImageStructureTag(tag) || tag == Tag::IccProfile ||
                tag == Tag::ExifPointer || tag == Tag::GpsPointer ||
                (raw == TiffRawKind::Dng && TagTable::isDngTag(tag)))
                continue;
            const auto type = editor.typeOf(D::Ifd0, tag);
            const auto value = editor.valueOf(D::Ifd0, tag);
            if (type && value && showsEntry(D::Ifd0, tag, *type, *value))
                continue;
            editor.removeEntry(D::Ifd0, tag);
        }
        if (raw != TiffRawKind::CameraRaw)
            editor.removeEntry(D::Exif, Tag::MakerNote);
        editor.removeDirectory(D::Interop);
    }
    RewritePlan plan;
    if (!editor.changed()) {
        plan.addSource(0, source.size());
        return R::ok(std::move(plan));
    }
    auto finished = editor.finish(Unlimited);
    if (!finished)
        return R::fail(finished.error());
    plan.notes = editor.repairs();
    plan.addBytes(finished.value());
    return R::ok(std::move(plan));
}
