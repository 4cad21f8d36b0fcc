#include "editing/PlacesOperation.h"

#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorValues.h"

#include <cmath>

using namespace PropertyKeys;

namespace {

struct Field {
    QString iptc, xmp;
    QString Location::*value;
};

const Field fields[] = {
    {QStringLiteral("City"), QStringLiteral("photoshop:City"), nullptr},
    {QStringLiteral("Province/State"), QStringLiteral("photoshop:State"), &Location::state},
    {QStringLiteral("Country/PrimaryLocationName"), QStringLiteral("photoshop:Country"),
     &Location::country},
    {QStringLiteral("Country/PrimaryLocationCode"), QStringLiteral("Iptc4xmpCore:CountryCode"),
     &Location::countryCode},
};

double rounded(double value, double step) {
    return std::round(value / step) * step;
}

PhotoChanges placeChanges(const Gazetteer& gazetteer, const PlacesSettings& settings,
                          const QVariantMap& dictionary) {
    PhotoChanges out;
    const PhotoDisplay display = photoDisplayFor(dictionary);
    if (!display.hasPosition) {
        out.skipReason = QStringLiteral("no GPS position");
        return out;
    }
    const Location where =
        gazetteer.locate(display.latitude, display.longitude, settings.maxDistanceKm);
    if (where.nearest) {
        out.details.append(
            {QStringLiteral("place"), gazetteer.nameIn(*where.nearest, settings.language)});
        out.details.append(
            {QStringLiteral("distanceKm"), rounded(where.nearest->distanceKm, 0.01)});
        out.details.append({QStringLiteral("bearing"), rounded(where.nearest->bearing, 0.1)});
    }
    const QVariantMap iptcNow = dictionary.value(IptcSet).toMap();
    const QVariantMap xmpNow = dictionary.value(XmpSet).toMap();
    const bool hasIptc = !iptcNow.isEmpty(), hasXmp = !xmpNow.isEmpty();
    QVariantMap iptc, xmp;
    for (const Field& field : fields) {
        const QString value =
            field.value
                ? where.*field.value
                : (where.city ? gazetteer.nameIn(*where.city, settings.language) : QString());
        // Nothing found is no reason to remove what the photo says.
        if (value.isEmpty())
            continue;
        const bool has = iptcNow.contains(field.iptc) || xmpNow.contains(field.xmp);
        if (has && !settings.overwrite)
            continue;
        // The writer mirrors IPTC to XMP where the photo keeps XMP; a photo
        // with neither gets XMP, as these values have no home in EXIF.
        // IPTC holds a cut name; its XMP copy is cut the same, so the two agree.
        if (hasIptc || hasXmp)
            iptc.insert(field.iptc, XmpMirrorValues::iptcText(field.iptc, value));
        else
            xmp.insert(field.xmp, value);
    }
    if (!iptc.isEmpty())
        out.changes.insert(IptcSet, iptc);
    if (!xmp.isEmpty())
        out.changes.insert(XmpSet, xmp);
    if (out.changes.isEmpty())
        out.skipReason = settings.overwrite || !where.nearest
                             ? QStringLiteral("no place at this position")
                             : QStringLiteral("has its location fields (use --overwrite)");
    return out;
}

} // namespace

PlannedRewrite placesPlan(std::shared_ptr<const Gazetteer> gazetteer,
                          const PlacesSettings& settings) {
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;
    plan.changesFor = [gazetteer = std::move(gazetteer), settings](const QVariantMap& dictionary) {
        return placeChanges(*gazetteer, settings, dictionary);
    };
    return plan;
}

OperationReport runPlaces(std::shared_ptr<const Gazetteer> gazetteer,
                          const PlacesSettings& settings, const std::vector<SelectedPhoto>& photos,
                          const QString& storage, MetadataService& service,
                          const BatchOptions& options) {
    return runPlanned(placesPlan(std::move(gazetteer), settings), photos, storage, service,
                      options);
}

std::vector<PhotoChangePreview> previewPlaces(std::shared_ptr<const Gazetteer> gazetteer,
                                              const PlacesSettings& settings,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service) {
    return previewPlanned(placesPlan(std::move(gazetteer), settings), photos, storage, service);
}
