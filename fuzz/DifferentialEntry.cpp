#include "fuzz/FuzzEntries.h"
#include "metadata/OutcomeCheck.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "metadata/engine/TiffEditor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>

using namespace PropertyKeys;

namespace {

quint32 hashOf(const QByteArray& bytes) {
    quint32 hash = 2166136261u;
    for (char c : bytes)
        hash = (hash ^ quint8(c)) * 16777619u;
    return hash;
}

// What one run asks of the photo: chosen from its bytes, so that a mutation
// of the photo varies the changes as well. Each is a change a command of the
// window or of the tool makes.
QVariantMap chosenChanges(const QByteArray& input) {
    const quint32 bits = hashOf(input);
    QVariantMap changes, tiff, exif, gps, iptc;
    // Now and then a text longer than a JPEG's EXIF segment holds.
    if (bits & 1) {
        const int length = (bits >> 20) % 16 == 0 ? 70000 : 1 + int((bits >> 8) % 300);
        tiff.insert(Artist, QString(length, QLatin1Char('a')));
    }
    if (bits & 2)
        iptc.insert(Keywords, (bits >> 9) & 1
                                  ? QStringList{QStringLiteral("one"), QStringLiteral("two")}
                                  : QStringList{QStringLiteral("drü")});
    if (bits & 4) {
        const double latitude = double(float(((bits >> 10) % 9000) / 100.0));
        gps.insert(Latitude, latitude);
        gps.insert(LatitudeRef, (bits >> 11) & 1 ? QStringLiteral("S") : QStringLiteral("N"));
        gps.insert(Longitude, double(float(latitude * 1.5)));
        gps.insert(LongitudeRef, QStringLiteral("E"));
        gps.insert(Altitude, double(float(((bits >> 12) % 5000) / 10.0)));
        gps.insert(AltitudeRef, 0);
    }
    if (bits & 8) {
        const QString date = (bits >> 13) & 1 ? QStringLiteral("2021:02:03 04:05:06")
                                              : QStringLiteral("1999:12:31 23:59:59");
        exif.insert(DateTimeOriginal, date);
        exif.insert(DateTimeDigitized, date);
    }
    if (tiff.isEmpty() && exif.isEmpty() && gps.isEmpty() && iptc.isEmpty())
        tiff.insert(Copyright, QStringLiteral("(c) fuzz"));
    for (const auto& [set, values] : {std::pair{TiffSet, tiff}, std::pair{ExifSet, exif},
                                      std::pair{GpsSet, gps}, std::pair{IptcSet, iptc}}) {
        if (!values.isEmpty())
            changes.insert(set, values);
    }
    // The sets the removal commands take: EXIF, GPS, IPTC, or EXIF and GPS.
    if (bits & 16) {
        const int which = int((bits >> 14) % 4);
        changes.insert(which == 1 ? GpsSet : which == 2 ? IptcSet : ExifSet, removal());
        if (which == 3)
            changes.insert(GpsSet, removal());
    }
    return changes;
}

// What is read back may differ from the plan where the plan says so: such
// keys are put back for the comparison. Entries of an invalid type are
// dropped on the way and named in the plan's notes ("dropped 2 invalid
// entries of the EXIF directory"): as many keys of that set may be gone or
// read from another entry of the same tag, and the keys of the photo that
// mirror the TIFF set follow them. Anything else is a difference.
QVariantMap withExpectedMirrors(QVariantMap after, const QVariantMap& before,
                                const QVariantMap& changes, const QStringList& notes) {
    static const QRegularExpression dropped(
        QStringLiteral("^dropped (\\d+) invalid entr(?:y|ies) of (.+)$"));
    for (const QString& note : notes) {
        const QRegularExpressionMatch match = dropped.match(note);
        if (!match.hasMatch())
            continue;
        const QString where = match.captured(2);
        const QString set = where == QLatin1String("IFD0")                ? TiffSet
                            : where == QLatin1String("the GPS directory") ? GpsSet
                            : where.startsWith(QLatin1String("the "))     ? ExifSet
                                                                          : QString();
        if (set.isEmpty() || (changes.contains(set) && isRemoval(changes.value(set))))
            continue;
        const QVariantMap was = before.value(set).toMap();
        QVariantMap now = after.value(set).toMap();
        const QVariantMap asked = changes.value(set).toMap();
        QStringList differing;
        for (auto it = was.cbegin(); it != was.cend(); ++it) {
            if (!asked.contains(it.key()) &&
                (!now.contains(it.key()) || !PropertyValues::same(it.value(), now.value(it.key()))))
                differing << it.key();
        }
        if (differing.size() > match.captured(1).toInt())
            continue;
        for (const QString& key : differing)
            now.insert(key, was.value(key));
        after.insert(set, now);
        // With the keys they mirror.
        for (const QString& mirror : {Orientation, DPIWidth, DPIHeight}) {
            if (set != TiffSet || differing.isEmpty())
                break;
            if (before.contains(mirror))
                after.insert(mirror, before.value(mirror));
            else
                after.remove(mirror);
        }
    }
    // A photo whose size we do not find in its container is shown the size
    // its EXIF set gives: with the set gone, the library's own reading of the
    // container shows (if any).
    const QVariantMap exif = before.value(ExifSet).toMap();
    if (isRemoval(changes.value(ExifSet, 0))) {
        for (const auto& [size, dimension] :
             {std::pair{PixelWidth, QStringLiteral("PixelXDimension")},
              std::pair{PixelHeight, QStringLiteral("PixelYDimension")}}) {
            if (exif.contains(dimension) &&
                PropertyValues::same(before.value(size), exif.value(dimension)))
                after.insert(size, before.value(size));
        }
    }
    return after;
}

bool exifBlockRefused(const PhotoProperties& properties) {
    return std::any_of(
        properties.warnings.cbegin(), properties.warnings.cend(), [](const QString& warning) {
            return warning.startsWith(QLatin1String("the EXIF block could not be read"));
        });
}

// A photo whose EXIF block the library refuses shows none of the sets the
// block holds, nor the keys that mirror its TIFF set. What a write puts there
// is for other readers to see (a test reads such a photo back with exiftool),
// and a write that removes the part the library refused (a set holding a bad
// maker note) brings the rest to light. Those keys are taken as planned.
QVariantMap withRefusedBlockAsPlanned(QVariantMap after, const QVariantMap& before,
                                      const QVariantMap& changes) {
    for (const QString& set : {TiffSet, ExifSet, GpsSet}) {
        QVariantMap values = before.value(set).toMap();
        if (changes.contains(set) && isRemoval(changes.value(set)))
            values.clear();
        const QVariantMap asked = changes.value(set).toMap();
        for (auto it = asked.cbegin(); it != asked.cend(); ++it) {
            if (isRemoval(it.value()))
                values.remove(it.key());
            else
                values.insert(it.key(), it.value());
        }
        if (values.isEmpty())
            after.remove(set);
        else
            after.insert(set, values);
    }
    for (const QString& mirror : {Orientation, DPIWidth, DPIHeight}) {
        if (before.contains(mirror))
            after.insert(mirror, before.value(mirror));
        else
            after.remove(mirror);
    }
    return after;
}

} // namespace

namespace FuzzEntries {

void differential(const QByteArray& input) {
    const auto before = readPhotoProperties(input);
    if (!before)
        return;
    const QVariantMap changes = chosenChanges(input);
    const auto plan = planRewrite(input, changes);
    if (!plan) {
        if (plan.error().isEmpty())
            fail(QStringLiteral("a photo refused without a reason"));
        return; // a refusal with its reason is an outcome
    }
    for (const RewritePlan::Piece& piece : plan->pieces) {
        if (piece.isSource() && piece.sourceOffset + piece.length > input.size())
            fail(QStringLiteral("a piece of the plan lies outside the source"));
    }
    // A photo only the library reads changes in its sidecar alone: planned as
    // it is, byte for byte.
    if (isSidecarOnlyFormat(before->format)) {
        if (plan->pieces.size() != 1 || !plan->pieces.first().isSource() ||
            plan->pieces.first().length != input.size())
            fail(QStringLiteral("a photo changed in its sidecar alone is rewritten"));
        return;
    }
    const QByteArray written = plan->assemble(input);
    // A TIFF's IPTC entry is stored as readers expect it, as 32-bit integers,
    // unless the photo had it as undefined bytes.
    if (before->format == PhotoFormat::Tiff && changes.contains(IptcSet)) {
        const auto was = TiffEditor::open(input, TiffEditor::Origin::TiffFile);
        const auto now = TiffEditor::open(written, TiffEditor::Origin::TiffFile);
        const quint16 type =
            now ? now->typeOf(TiffEditor::Directory::Ifd0, 0x83bb).value_or(0) : quint16(0);
        const quint16 old =
            was ? was->typeOf(TiffEditor::Directory::Ifd0, 0x83bb).value_or(0) : quint16(0);
        if (type != 0 && type != 4 && type != old)
            fail(QStringLiteral("an IPTC entry written as type %1").arg(type));
    }
    const auto after = readPhotoProperties(written);
    if (!after)
        fail(QStringLiteral("the written photo does not read: %1").arg(after.error()));
    // Read back apart from the writer's own check, and compared as the
    // dictionaries a user sees.
    QVariantMap readBack =
        withExpectedMirrors(after->dictionary, before->dictionary, changes, plan->notes);
    if (exifBlockRefused(before.value()))
        readBack = withRefusedBlockAsPlanned(readBack, before->dictionary, changes);
    const Status outcome = checkOutcome(before->dictionary, changes, readBack);
    if (!outcome)
        fail(QStringLiteral("%1 (changes %2)")
                 .arg(outcome.error(),
                      QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(changes))
                                            .toJson(QJsonDocument::Compact))));
}

} // namespace FuzzEntries
