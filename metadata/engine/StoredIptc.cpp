#include "metadata/engine/StoredIptc.h"

#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/JpegSegments.h"

namespace {

using BlockSignatures::Photoshop;

// The image resources of the photo's one Photoshop segment (empty when it
// has none). Nothing when the segments cannot be walked up to the scan, so
// that the library might find segments this walk does not.
std::optional<QByteArray> soleResources(const QByteArray& bytes) {
    std::optional<QByteArray> resources;
    bool frame = false;
    JpegSegments walk(bytes);
    for (const JpegSegment& segment : walk) {
        // Markers without a length may be read otherwise by the library.
        if (!segment.hasLength())
            return std::nullopt;
        if (segment.holds(bytes, 0xED, Photoshop)) {
            // The library stops gathering once the resources are whole, and
            // a segment after the frame header may go unread.
            if (resources || frame)
                return std::nullopt;
            resources = segment.payloadIn(bytes).sliced(Photoshop.size()).toByteArray();
            if (resources->isEmpty())
                return std::nullopt;
        }
        frame = frame || segment.isFrameHeader();
    }
    if (!walk.scan())
        return std::nullopt;
    return resources.value_or(QByteArray());
}

// The data of the one IPTC resource (empty when there is none). Nothing when
// a resource is cut, of another signature, or followed by anything but
// resources, or when there are two IPTC resources.
std::optional<QByteArray> soleIptcResource(const QByteArray& resources) {
    QByteArray iptc;
    bool found = false;
    qsizetype at = 0;
    while (at < resources.size()) {
        if (at + 12 > resources.size() || resources.mid(at, 4) != "8BIM")
            return std::nullopt;
        const quint16 id = quint16(readBigEndian(resources, at + 4, 2));
        const int nameLength = quint8(resources[at + 6]);
        qsizetype data = at + 6 + ((nameLength + 2) & ~1);
        if (data + 4 > resources.size())
            return std::nullopt;
        const qsizetype size = readBigEndian(resources, data, 4);
        data += 4;
        if (size > resources.size() - data)
            return std::nullopt;
        if (id == PhotoshopResources::IptcId) {
            if (found)
                return std::nullopt;
            found = true;
            iptc = resources.mid(data, size);
        }
        at = data + size + (size & 1);
    }
    return iptc;
}

} // namespace

std::optional<QVariantMap> storedIptcValues(const QByteArray& jpeg, const QSet<QString>& names) {
    const auto resources = soleResources(jpeg);
    if (!resources)
        return std::nullopt;
    const auto iptc = resources->isEmpty() ? std::optional<QByteArray>(QByteArray())
                                           : soleIptcResource(*resources);
    if (!iptc)
        return std::nullopt;
    if (iptc->isEmpty())
        return QVariantMap();
    if (!IptcBlock::parse(*iptc))
        return std::nullopt;
    Exiv2::IptcData data;
    try {
        if (Exiv2::IptcParser::decode(data, reinterpret_cast<const Exiv2::byte*>(iptc->constData()),
                                      uint32_t(iptc->size())) != 0)
            return std::nullopt;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const QVariantMap set = Exiv2Values::iptcSetOf(data);
    if (names.isEmpty())
        return set;
    QVariantMap values;
    for (const QString& name : names) {
        const auto value = set.constFind(name);
        if (value != set.cend())
            values.insert(name, *value);
    }
    return values;
}
