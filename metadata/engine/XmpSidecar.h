#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"
#include "metadata/RewriteRequest.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The XMP sidecar of a photo: "NAME.EXT.xmp" or "NAME.xmp" beside it, as
// editors that must not rewrite a photo keep its metadata.
namespace XmpSidecar {

// The photo's sidecar, or an empty text when it has none.
QString find(const QString& photoPath);

// The sidecar's values that the photo's own "{XMP}" set lacks, merged into
// it and named in sidecarKeys; a sidecar that does not read is a warning.
void mergeInto(PhotoProperties& properties, const QString& photoPath);

// A photo's sidecar as it is to stand beside the output, named after it as
// the photo's is named after the photo, with the XMP copies of what the
// changes change (XmpMirrors::sidecarChanges). photo is the part of the
// photo's dictionary the changes were worked out from. Nothing under the
// policy Never, for a photo without a sidecar under Present, or when the
// changes remove the XMP set; a failure, saying why, for a sidecar that does
// not read, so that the photo is not written without it. notes names what
// reading it needed mended.
struct Planned {
    QString path;
    QByteArray bytes;
    QStringList notes;
};
Result<std::optional<Planned>> planBeside(const RewriteJob& job, const QVariantMap& photo,
                                          const QVariantMap& changes);
// Written once the photo stands written.
Status writeBeside(const Planned& sidecar);

} // namespace XmpSidecar
