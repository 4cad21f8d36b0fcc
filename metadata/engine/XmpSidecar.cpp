#include "metadata/engine/XmpSidecar.h"

#include "metadata/AtomicFile.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/XmpMirrors.h"
#include "metadata/engine/XmpPacket.h"

#include <QFileInfo>

namespace XmpSidecar {

namespace {

using namespace PropertyKeys;

constexpr qint64 MaxSize = 16 << 20; // far beyond any sidecar, short of a hostile file

// NAME.EXT.xmp names its photo alone, so it is looked for first.
QStringList candidates(const QString& photoPath) {
    const QFileInfo info(photoPath);
    const QString folder = info.absolutePath() + QLatin1Char('/');
    const QString name = folder + info.fileName();
    const QString base = folder + info.completeBaseName();
    return {name + QStringLiteral(".xmp"), name + QStringLiteral(".XMP"),
            base + QStringLiteral(".xmp"), base + QStringLiteral(".XMP")};
}

Result<XmpPacket> readSidecar(const QString& path) {
    using R = Result<XmpPacket>;
    const auto fail = [&](const QString& why) {
        return R::fail(QStringLiteral("the XMP sidecar %1 could not be read (%2)")
                           .arg(QFileInfo(path).fileName(), why));
    };
    if (QFileInfo(path).size() > MaxSize)
        return fail(QStringLiteral("larger than %1 MB").arg(MaxSize >> 20));
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return fail(bytes.error());
    auto packet = XmpPacket::parse(bytes.value());
    if (!packet)
        return fail(packet.error());
    return packet;
}

// The output's sidecar, named after the output as the photo's is after the photo.
QString sidecarOf(const QString& outputPath, const QString& photoPath, const QString& source) {
    const QFileInfo output(outputPath);
    const bool byBaseName = !source.isEmpty() && QFileInfo(source).completeBaseName() ==
                                                     QFileInfo(photoPath).completeBaseName();
    const QString name = byBaseName ? output.completeBaseName() : output.fileName();
    return output.absolutePath() + QLatin1Char('/') + name + QStringLiteral(".xmp");
}

} // namespace

QString find(const QString& photoPath) {
    for (const QString& candidate : candidates(photoPath)) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

void mergeInto(PhotoProperties& properties, const QString& photoPath) {
    const QString path = find(photoPath);
    if (path.isEmpty())
        return;
    const auto packet = readSidecar(path);
    if (!packet) {
        properties.warnings << packet.error();
        return;
    }
    QVariantMap xmp = properties.dictionary.value(XmpSet).toMap();
    const QVariantMap values = packet->values();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (xmp.contains(it.key()))
            continue;
        xmp.insert(it.key(), it.value());
        properties.sidecarKeys << XmpSet + QLatin1Char('.') + it.key();
    }
    if (!xmp.isEmpty())
        properties.dictionary.insert(XmpSet, xmp);
    properties.sidecarPath = path;
}

Result<std::optional<Planned>> planBeside(const RewriteJob& job, const QVariantMap& photo,
                                          const QVariantMap& changes) {
    using R = Result<std::optional<Planned>>;
    if (job.sidecar == SidecarPolicy::Never ||
        (changes.contains(XmpSet) && isRemoval(changes.value(XmpSet))))
        return R::ok(std::nullopt);
    const QString source = find(job.inputPath);
    if (source.isEmpty() && job.sidecar != SidecarPolicy::Always)
        return R::ok(std::nullopt);
    auto packet =
        source.isEmpty() ? XmpPacket::parse(XmpPacket::emptyPacket(false)) : readSidecar(source);
    if (!packet)
        return R::fail(packet.error());
    // The photo's own values handed back unchanged are no change to the
    // sidecar's.
    QVariantMap own = changes;
    QVariantMap given = own.value(XmpSet).toMap();
    const QVariantMap photoXmp = photo.value(XmpSet).toMap();
    for (auto it = photoXmp.cbegin(); it != photoXmp.cend(); ++it) {
        if (given.contains(it.key()) && PropertyValues::same(given.value(it.key()), it.value()))
            given.remove(it.key());
    }
    if (given.isEmpty())
        own.remove(XmpSet);
    else
        own.insert(XmpSet, given);
    const QVariantMap sidecarChanges =
        XmpMirrors::sidecarChanges(photo, packet->values(), own).toMap();
    auto edited = packet->edited(sidecarChanges);
    if (!edited)
        return R::fail(QStringLiteral("the XMP sidecar cannot be written: %1").arg(edited.error()));
    QStringList notes;
    for (const QString& repair : packet->repairs())
        notes << QStringLiteral("%1 (sidecar %2)").arg(repair, QFileInfo(source).fileName());
    return R::ok(Planned{sidecarOf(job.outputPath, job.inputPath, source),
                         std::move(edited.value()), notes});
}

Status writeBeside(const Planned& sidecar) {
    return writeFileAtomically(sidecar.path, sidecar.bytes, SyncMode::Later);
}

} // namespace XmpSidecar
