#include "fuzz/FuzzEntries.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"

#include <QJsonDocument>
#include <QJsonObject>

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
    if (bits & 1) {
        const int length = 1 + int((bits >> 8) % 300);
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
    if (bits & 16) {
        const QString sets[] = {GpsSet, ExifSet, IptcSet, TiffSet};
        changes.insert(sets[(bits >> 14) % 4], removal());
    }
    return changes;
}

// What differs between the plan and the photo read back: every change is
// there, and nothing else changed. Empty when they agree.
QString outcomeDifference(const QVariantMap& before, const QVariantMap& changes,
                          const QVariantMap& after) {
    QStringList keys = before.keys() + after.keys();
    keys.removeDuplicates();
    // The orientation and the resolution in dots per inch mirror the TIFF set.
    const bool mirrorsFollow = changes.contains(TiffSet);
    for (const QString& key : std::as_const(keys)) {
        if (mirrorsFollow && (key == Orientation || key == DPIWidth || key == DPIHeight))
            continue;
        if (!isSetKey(key) && !changes.contains(key) &&
            !PropertyValues::same(before.value(key), after.value(key)))
            return QStringLiteral("%1 changed").arg(key);
    }
    for (const QString& set : {TiffSet, ExifSet, GpsSet, IptcSet}) {
        const QVariantMap was = before.value(set).toMap();
        const QVariantMap now = after.value(set).toMap();
        const QVariant change = changes.value(set);
        if (changes.contains(set) && isRemoval(change)) {
            if (!now.isEmpty())
                return QStringLiteral("%1 was not removed").arg(set);
            continue;
        }
        const QVariantMap asked = change.toMap();
        QStringList names = was.keys() + now.keys() + asked.keys();
        names.removeDuplicates();
        for (const QString& name : std::as_const(names)) {
            const bool planned = asked.contains(name);
            const QVariant expected = planned ? asked.value(name) : was.value(name);
            const bool present = planned ? !isRemoval(expected) : was.contains(name);
            if (present != now.contains(name) ||
                (present && !PropertyValues::same(expected, now.value(name))))
                return QStringLiteral("%1.%2 is %3, planned %4")
                    .arg(set, name, now.value(name).toString(),
                         present ? expected.toString() : QStringLiteral("nothing"));
        }
    }
    return {};
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
    const auto after = readPhotoProperties(plan->assemble(input));
    if (!after)
        fail(QStringLiteral("the written photo does not read: %1").arg(after.error()));
    const QString difference = outcomeDifference(before->dictionary, changes, after->dictionary);
    if (!difference.isEmpty())
        fail(QStringLiteral("the written photo differs from the plan %1: %2")
                 .arg(QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(changes))
                                            .toJson(QJsonDocument::Compact)),
                      difference));
}

} // namespace FuzzEntries
