#include "metadata/engine/MetadataEdit.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/TiffEditor.h"

#include <QSet>

using namespace PropertyKeys;

bool MetadataEdit::touches(const QString& set) const {
    return std::any_of(steps.cbegin(), steps.cend(), [&](const Step& s) { return s.set == set; });
}

bool MetadataEdit::touchesExifBlock() const {
    return touches(TiffSet) || touches(ExifSet) || touches(GpsSet);
}

bool MetadataEdit::writesExifValues() const {
    return std::any_of(steps.cbegin(), steps.cend(), [](const Step& s) {
        return s.set != IptcSet && !s.key.isEmpty() && !isRemoval(s.value);
    });
}

bool MetadataEdit::removesSet(const QString& set) const {
    return std::any_of(steps.cbegin(), steps.cend(),
                       [&](const Step& s) { return s.set == set && s.key.isEmpty(); });
}

namespace {

Status addSteps(MetadataEdit& edit, const QVariantMap& source, const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (!isSetKey(name)) {
            if (!isRemoval(value) && Exiv2Values::sameValue(source.value(name), value))
                continue;
            if (name == Orientation) {
                edit.steps.append({TiffSet, Orientation, value});
                continue;
            }
            return Status::fail(
                QStringLiteral("cannot write %1: it is a property of the pixels").arg(name));
        }
        if (isRemoval(value)) {
            edit.steps.append({name, QString(), value});
            continue;
        }
        if (value.typeId() != QMetaType::QVariantMap)
            return Status::fail(
                QStringLiteral("cannot write %1: not a set of properties").arg(name));
        const QVariantMap values = value.toMap();
        const QVariantMap current = source.value(name).toMap();
        for (auto key = values.cbegin(); key != values.cend(); ++key) {
            if (!isRemoval(key.value()) && current.contains(key.key()) &&
                Exiv2Values::sameValue(current.value(key.key()), key.value()))
                continue;
            edit.steps.append({name, key.key(), key.value()});
        }
    }
    return Status::ok();
}

TiffEditor::Directory directoryOf(const QString& set) {
    if (set == ExifSet)
        return TiffEditor::Directory::Exif;
    if (set == GpsSet)
        return TiffEditor::Directory::Gps;
    return TiffEditor::Directory::Ifd0;
}

// Tags that describe how the pixels are stored: removing the TIFF set never
// takes them, or a TIFF file would lose its image.
bool isImageStructureTag(quint16 tag) {
    static const QSet<quint16> tags = {
        0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x010a, 0x0111,
        0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011c, 0x0122, 0x0123, 0x0124, 0x0125,
        0x013d, 0x0140, 0x0142, 0x0143, 0x0144, 0x0145, 0x014a, 0x014c, 0x0152, 0x0153,
        0x0154, 0x0155, 0x015b, 0x0200, 0x0201, 0x0202, 0x0211, 0x0212, 0x0213, 0x0214};
    return tags.contains(tag);
}

void removeTiffSet(TiffEditor& editor) {
    for (quint16 tag : editor.tagsOf(TiffEditor::Directory::Ifd0)) {
        if (isImageStructureTag(tag))
            continue;
        const Exiv2::Exifdatum probe(Exiv2::ExifKey(tag, "Image"));
        if (Exiv2Values::dictionaryEntry(probe))
            editor.removeEntry(TiffEditor::Directory::Ifd0, tag);
    }
}

Status writeKey(TiffEditor& editor, const MetadataEdit::Step& step) {
    const QString keyName = Exiv2Values::exifKeyName(step.set, step.key);
    try {
        const Exiv2::ExifKey key(keyName.toStdString());
        const TiffEditor::Directory directory = directoryOf(step.set);
        if (isRemoval(step.value)) {
            editor.removeEntry(directory, key.tag());
            return Status::ok();
        }
        const Exiv2::Exifdatum probe(key);
        const auto entry = Exiv2Values::dictionaryEntry(probe);
        if (!entry || entry->set != step.set)
            return Status::fail(
                QStringLiteral("cannot write %1: not a property of %2").arg(step.key, step.set));
        const auto stored = editor.typeOf(directory, key.tag());
        Exiv2::TypeId type = stored ? Exiv2::TypeId(*stored) : key.defaultTypeId();
        if (type == Exiv2::invalidTypeId || TiffEditor::typeSize(quint16(type)) == 0)
            type = Exiv2::asciiString;
        auto value = Exiv2Values::exifValue(key, type, step.set, step.key, step.value);
        if (!value)
            return Status::fail(value.error());
        const Exiv2::Value& converted = *value.value();
        const auto written = quint16(converted.typeId());
        if (TiffEditor::typeSize(written) == 0)
            return Status::fail(QStringLiteral("cannot write %1: unsupported type").arg(step.key));
        QByteArray bytes(qsizetype(converted.size()), '\0');
        converted.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()),
                       editor.littleEndian() ? Exiv2::littleEndian : Exiv2::bigEndian);
        return editor.setEntry(directory, key.tag(), written,
                               quint32(bytes.size() / TiffEditor::typeSize(written)), bytes);
    } catch (const std::exception&) {
        return Status::fail(
            QStringLiteral("cannot write %1: unknown property of %2").arg(step.key, step.set));
    }
}

} // namespace

Result<MetadataEdit> resolveEdit(const QVariantMap& source, const QVariantMap& containerProperties,
                                 const QVariantMap& changes) {
    MetadataEdit edit;
    Status status = addSteps(edit, source, containerProperties);
    if (status)
        status = addSteps(edit, source, changes);
    if (!status)
        return Result<MetadataEdit>::fail(status.error());
    return Result<MetadataEdit>::ok(std::move(edit));
}

Status applyExifSteps(TiffEditor& editor, const MetadataEdit& edit) {
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == IptcSet)
            continue;
        if (step.key.isEmpty()) {
            if (step.set == TiffSet)
                removeTiffSet(editor);
            else
                editor.removeDirectory(directoryOf(step.set));
            continue;
        }
        const Status status = writeKey(editor, step);
        if (!status)
            return status;
    }
    return Status::ok();
}

Status applyIptcSteps(IptcBlock& block, const MetadataEdit& edit) {
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set != IptcSet)
            continue;
        if (step.key.isEmpty()) {
            block = IptcBlock();
            continue;
        }
        const Status status = block.set(step.key, step.value);
        if (!status)
            return status;
    }
    return Status::ok();
}
