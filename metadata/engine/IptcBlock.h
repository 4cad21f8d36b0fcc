#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QList>
#include <QVariant>

#include <optional>

// The IPTC datasets of a photo as stored, so that a change to one key leaves
// every other dataset byte for byte as it was.
class IptcBlock {
public:
    struct Dataset {
        quint8 record = 2;
        quint8 number = 0;
        QByteArray data;
    };

    static Result<IptcBlock> parse(const QByteArray& bytes);

    // Replaces every dataset of the named key with the value (a list gives
    // one dataset per item); a removal value removes them.
    Status set(const QString& name, const QVariant& value);
    QByteArray serialize() const;
    bool isEmpty() const { return m_datasets.isEmpty(); }
    const QList<Dataset>& datasets() const { return m_datasets; }

private:
    QList<Dataset> m_datasets;
};

// Photoshop's image resource blocks, which carry the IPTC datasets in JPEG
// and TIFF files, with the digest Photoshop keeps of them.
namespace PhotoshopResources {
inline constexpr quint16 IptcId = 0x0404;
inline constexpr quint16 IptcDigestId = 0x0425;

// The data of one resource, or nothing.
std::optional<QByteArray> find(const QByteArray& resources, quint16 id);
// The resources with the IPTC resource replaced (or added), or removed when
// iptc is empty; an existing digest is brought up to date or removed with it.
Result<QByteArray> withIptc(const QByteArray& resources, const QByteArray& iptc);
} // namespace PhotoshopResources
