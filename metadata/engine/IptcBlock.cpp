#include "metadata/engine/IptcBlock.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/Exiv2Values.h"

#include <QCryptographicHash>

Result<IptcBlock> IptcBlock::parse(const QByteArray& bytes) {
    using R = Result<IptcBlock>;
    IptcBlock block;
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (quint8(bytes[at]) != 0x1c) {
            // Padding after the last dataset is common; anything else is damage.
            if (std::all_of(bytes.cbegin() + at, bytes.cend(), [](char c) { return c == 0; }))
                break;
            return R::fail(QStringLiteral("damaged IPTC data"));
        }
        if (at + 5 > bytes.size())
            return R::fail(QStringLiteral("damaged IPTC data"));
        Dataset dataset;
        dataset.record = quint8(bytes[at + 1]);
        dataset.number = quint8(bytes[at + 2]);
        qint64 length = readBigEndian(bytes, at + 3, 2);
        qsizetype start = at + 5;
        if (length & 0x8000) { // extended length: the next n bytes hold it
            const int width = int(length & 0x7fff);
            if (width < 1 || width > 4 || start + width > bytes.size())
                return R::fail(QStringLiteral("damaged IPTC data"));
            length = readBigEndian(bytes, start, width);
            start += width;
        }
        if (start + length > bytes.size())
            return R::fail(QStringLiteral("damaged IPTC data"));
        dataset.data = bytes.mid(start, length);
        block.m_datasets.append(dataset);
        at = start + length;
    }
    return R::ok(std::move(block));
}

QByteArray IptcBlock::serialize() const {
    QByteArray out;
    for (const Dataset& dataset : m_datasets) {
        out.append(char(0x1c));
        out.append(char(dataset.record));
        out.append(char(dataset.number));
        const qsizetype length = dataset.data.size();
        if (length < 0x8000) {
            out.append(char(length >> 8));
            out.append(char(length & 0xff));
        } else {
            out.append("\x80\x04", 2);
            for (int shift = 24; shift >= 0; shift -= 8)
                out.append(char((length >> shift) & 0xff));
        }
        out.append(dataset.data);
    }
    return out;
}

Status IptcBlock::set(const QString& name, const QVariant& value) {
    const auto number = Exiv2Values::iptcDataset(name);
    if (!number)
        return Status::fail(
            QStringLiteral("cannot write %1: unknown property of {IPTC}").arg(name));
    // New datasets take the place of the first old one, else their place in
    // dataset order: readers expect the record sorted.
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < m_datasets.size();) {
        if (m_datasets[i].record == 2 && m_datasets[i].number == *number) {
            if (insertAt < 0)
                insertAt = i;
            m_datasets.removeAt(i);
        } else {
            ++i;
        }
    }
    if (PropertyKeys::isRemoval(value))
        return Status::ok();
    if (insertAt < 0) {
        insertAt = 0;
        while (insertAt < m_datasets.size() &&
               (m_datasets[insertAt].record < 2 ||
                (m_datasets[insertAt].record == 2 && m_datasets[insertAt].number < *number)))
            ++insertAt;
    }
    QStringList items;
    if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        for (const QVariant& item : value.toList())
            items << item.toString();
    } else {
        items << value.toString();
    }
    if (items.size() > 1 &&
        !Exiv2::IptcDataSets::dataSetRepeatable(*number, Exiv2::IptcDataSets::application2))
        return Status::fail(QStringLiteral("cannot write %1: not repeatable").arg(name));
    bool ascii = true;
    QList<Dataset> added;
    for (const QString& item : items) {
        auto encoded = Exiv2Values::iptcBytes(*number, item);
        if (!encoded)
            return Status::fail(QStringLiteral("cannot write %1: %2").arg(name, encoded.error()));
        for (QChar c : item)
            ascii = ascii && c.unicode() < 0x80;
        added.append({2, quint8(*number), encoded.value()});
    }
    for (qsizetype i = 0; i < added.size(); ++i)
        m_datasets.insert(insertAt + i, added[i]);
    if (!ascii) {
        // Text beyond ASCII is written as UTF-8, which the envelope must say.
        const QByteArray utf8("\x1b%G", 3);
        bool declared = false;
        for (Dataset& dataset : m_datasets) {
            if (dataset.record == 1 && dataset.number == 90) {
                dataset.data = utf8;
                declared = true;
            }
        }
        if (!declared) {
            qsizetype at = 0;
            while (at < m_datasets.size() && m_datasets[at].record == 1 &&
                   m_datasets[at].number < 90)
                ++at;
            m_datasets.insert(at, {1, 90, utf8});
        }
    }
    return Status::ok();
}

namespace PhotoshopResources {
namespace {

struct Resource {
    qsizetype start = 0; // of "8BIM"
    qsizetype end = 0;   // past the padded data
    quint16 id = 0;
    qsizetype dataStart = 0;
    qsizetype dataSize = 0;
};

Result<QList<Resource>> parseResources(const QByteArray& bytes) {
    using R = Result<QList<Resource>>;
    QList<Resource> resources;
    qsizetype at = 0;
    while (at + 12 <= bytes.size()) {
        const QByteArray signature = bytes.mid(at, 4);
        if (signature != "8BIM" && signature != "PHUT" && signature != "DCSR" &&
            signature != "AgHg")
            break; // padding to the end
        Resource resource;
        resource.start = at;
        resource.id = quint16(readBigEndian(bytes, at + 4, 2));
        const qsizetype nameLength = quint8(bytes[at + 6]);
        qsizetype cursor = at + 6 + ((nameLength + 2) & ~qsizetype(1));
        if (cursor + 4 > bytes.size())
            return R::fail(QStringLiteral("damaged Photoshop block"));
        resource.dataSize = readBigEndian(bytes, cursor, 4);
        resource.dataStart = cursor + 4;
        if (resource.dataSize > bytes.size() - resource.dataStart)
            return R::fail(QStringLiteral("damaged Photoshop block"));
        resource.end =
            std::min(bytes.size(), resource.dataStart + ((resource.dataSize + 1) & ~qsizetype(1)));
        resources.append(resource);
        at = resource.end;
    }
    return R::ok(std::move(resources));
}

QByteArray resourceBytes(quint16 id, const QByteArray& data) {
    QByteArray out("8BIM");
    out.append(char(id >> 8));
    out.append(char(id & 0xff));
    out.append("\0\0", 2); // an empty name, padded
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((data.size() >> shift) & 0xff));
    out.append(data);
    if (data.size() & 1)
        out.append('\0');
    return out;
}

} // namespace

std::optional<QByteArray> find(const QByteArray& resources, quint16 id) {
    const auto parsed = parseResources(resources);
    if (!parsed)
        return std::nullopt;
    for (const Resource& resource : parsed.value()) {
        if (resource.id == id)
            return resources.mid(resource.dataStart, resource.dataSize);
    }
    return std::nullopt;
}

Result<QByteArray> withIptc(const QByteArray& resources, const QByteArray& iptc) {
    const auto parsed = parseResources(resources);
    if (!parsed)
        return Result<QByteArray>::fail(parsed.error());
    QByteArray out;
    bool placed = false;
    for (const Resource& resource : parsed.value()) {
        const QByteArray whole = resources.mid(resource.start, resource.end - resource.start);
        if (resource.id == IptcId) {
            if (!iptc.isEmpty() && !placed)
                out.append(resourceBytes(IptcId, iptc));
            placed = true;
        } else if (resource.id == IptcDigestId) {
            if (!iptc.isEmpty())
                out.append(resourceBytes(IptcDigestId,
                                         QCryptographicHash::hash(iptc, QCryptographicHash::Md5)));
        } else {
            out.append(whole);
            // A last resource may lack its padding byte; one that follows
            // it must still start on an even offset to be found.
            if (whole.size() & 1)
                out.append('\0');
        }
    }
    if (!placed && !iptc.isEmpty())
        out.append(resourceBytes(IptcId, iptc));
    return Result<QByteArray>::ok(std::move(out));
}

} // namespace PhotoshopResources
