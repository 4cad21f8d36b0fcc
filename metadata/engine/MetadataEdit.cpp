#include "metadata/engine/MetadataEdit.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"

#include <QHash>

using namespace PropertyKeys;

bool MetadataEdit::touches(const QString& set) const {
    return std::any_of(steps.cbegin(), steps.cend(), [&](const Step& s) { return s.set == set; });
}

bool MetadataEdit::touchesExifBlock() const {
    return touches(TiffSet) || touches(ExifSet) || touches(GpsSet);
}

bool MetadataEdit::writesExifValues() const {
    return std::any_of(steps.cbegin(), steps.cend(), [](const Step& s) {
        return s.set != IptcSet && s.set != XmpSet && !s.key.isEmpty() && !isRemoval(s.value);
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
                Exiv2Values::sameValue(current.value(key.key()), key.value())) {
                edit.held.append({name, key.key(), key.value()});
                continue;
            }
            edit.steps.append({name, key.key(), key.value()});
        }
    }
    return Status::ok();
}

using TagTable::directoryOf;

void removeTiffSet(TiffEditor& editor) {
    constexpr auto Ifd0 = TiffEditor::Directory::Ifd0;
    for (quint16 tag : editor.tagsOf(Ifd0)) {
        if (TagTable::isImageStructureTag(tag))
            continue;
        const Exiv2::Exifdatum probe(Exiv2::ExifKey(tag, TagTable::groupName(Ifd0)));
        if (Exiv2Values::dictionaryEntry(probe))
            editor.removeEntry(Ifd0, tag);
    }
}

// A value as it is stored: its type and its bytes in one byte order.
struct EncodedValue {
    quint16 type = 0;
    QByteArray bytes;
};

// Every photo of a batch takes the same values, and turning a value into the
// library's and then into bytes costs more than the rest of writing it: each
// thread keeps the bytes of the values it has written, for the key, the type
// and the byte order they were written for.
class EncodedValues {
public:
    const EncodedValue* find(const Exiv2Values::KeyFacts* facts, Exiv2::TypeId type,
                             bool littleEndian, const QVariant& value) const {
        const auto found = m_values.constFind(Slot{facts, type, littleEndian});
        if (found == m_values.cend() || found->value.typeId() != value.typeId() ||
            found->value != value)
            return nullptr;
        return &found->encoded;
    }
    void keep(const Exiv2Values::KeyFacts* facts, Exiv2::TypeId type, bool littleEndian,
              const QVariant& value, const EncodedValue& encoded) {
        // Bounded by the keys a batch writes; a long-lived worker that meets
        // many kinds of edit starts over rather than growing.
        if (m_values.size() >= 256)
            m_values.clear();
        m_values.insert(Slot{facts, type, littleEndian}, Kept{value, encoded});
    }

private:
    struct Slot {
        const Exiv2Values::KeyFacts* facts;
        Exiv2::TypeId type;
        bool littleEndian;
        bool operator==(const Slot&) const = default;
    };
    friend size_t qHash(const Slot& slot, size_t seed) {
        return qHashMulti(seed, quintptr(slot.facts), int(slot.type), slot.littleEndian);
    }
    struct Kept {
        QVariant value;
        EncodedValue encoded;
    };
    QHash<Slot, Kept> m_values;
};

Result<EncodedValue> encodedValue(const Exiv2Values::KeyFacts& facts, Exiv2::TypeId type,
                                  bool littleEndian, const MetadataEdit::Step& step) {
    using R = Result<EncodedValue>;
    thread_local EncodedValues kept;
    if (const EncodedValue* found = kept.find(&facts, type, littleEndian, step.value))
        return R::ok(*found);
    auto value = Exiv2Values::exifValue(facts.named, type, step.set, step.key, step.value);
    if (!value)
        return R::fail(value.error());
    const Exiv2::Value& converted = *value.value();
    EncodedValue encoded;
    encoded.type = quint16(converted.typeId());
    if (tiffTypeSize(encoded.type) == 0)
        return R::fail(QStringLiteral("cannot write %1: unsupported type").arg(step.key));
    encoded.bytes = QByteArray(qsizetype(converted.size()), '\0');
    converted.copy(reinterpret_cast<Exiv2::byte*>(encoded.bytes.data()),
                   littleEndian ? Exiv2::littleEndian : Exiv2::bigEndian);
    kept.keep(&facts, type, littleEndian, step.value, encoded);
    return R::ok(std::move(encoded));
}

Status writeKey(TiffEditor& editor, const MetadataEdit::Step& step) {
    const Exiv2Values::KeyFacts* facts = Exiv2Values::exifKeyFacts(step.set, step.key);
    if (!facts)
        return Status::fail(
            QStringLiteral("cannot write %1: unknown property of %2").arg(step.key, step.set));
    const Exiv2::ExifKey& key = facts->named;
    const TiffEditor::Directory directory = directoryOf(step.set);
    if (isRemoval(step.value)) {
        editor.removeEntry(directory, key.tag());
        return Status::ok();
    }
    const Status known = Exiv2Values::checkExifKeyInSet(facts, step.set, step.key);
    if (!known)
        return known;
    try {
        const auto stored = editor.typeOf(directory, key.tag());
        Exiv2::TypeId type = Exiv2Values::exifTypeToWrite(
            key, stored ? std::optional(Exiv2::TypeId(*stored)) : std::nullopt);
        if (tiffTypeSize(quint16(type)) == 0)
            type = Exiv2::asciiString;
        const auto encoded = encodedValue(*facts, type, editor.littleEndian(), step);
        if (!encoded)
            return Status::fail(encoded.error());
        const QByteArray& bytes = encoded->bytes;
        return editor.setEntry(directory, key.tag(), encoded->type,
                               quint32(bytes.size() / tiffTypeSize(encoded->type)), bytes);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return Status::fail(QStringLiteral("cannot write %1 of %2: %3")
                                .arg(step.key, step.set, QString::fromLocal8Bit(error.what())));
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

void writeHeldValuesMissingFrom(MetadataEdit& edit, const TiffEditor& block) {
    for (const MetadataEdit::Step& step : std::as_const(edit.held)) {
        if (step.set == IptcSet || step.set == XmpSet || edit.removesSet(step.set))
            continue;
        const Exiv2Values::KeyFacts* facts = Exiv2Values::exifKeyFacts(step.set, step.key);
        if (facts && !block.typeOf(directoryOf(step.set), quint16(facts->named.tag())))
            edit.steps.append(step);
    }
}

Status applyExifSteps(TiffEditor& editor, const MetadataEdit& edit) {
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == IptcSet || step.set == XmpSet)
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
