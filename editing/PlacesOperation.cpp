#include "editing/PlacesOperation.h"

#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorValues.h"

#include <cmath>

using namespace PropertyKeys;

namespace {

struct Field {
    QString iptc, xmp;
    std::optional<QString> LocationTexts::*text;
};

const Field fields[] = {
    {QStringLiteral("City"), QStringLiteral("photoshop:City"), &LocationTexts::city},
    {QStringLiteral("Province/State"), QStringLiteral("photoshop:State"), &LocationTexts::state},
    {QStringLiteral("Country/PrimaryLocationName"), QStringLiteral("photoshop:Country"),
     &LocationTexts::country},
    {QStringLiteral("Country/PrimaryLocationCode"), QStringLiteral("Iptc4xmpCore:CountryCode"),
     &LocationTexts::countryCode},
};

double rounded(double value, double step) {
    return std::round(value / step) * step;
}

std::optional<QString> given(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
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
    LocationTexts found = locationTextsAt(gazetteer, display.latitude, display.longitude,
                                          settings.maxDistanceKm, settings.language);
    if (!settings.overwrite)
        found = onlyMissing(found, dictionary);
    out.changes = locationChanges(found, dictionary);
    if (out.changes.isEmpty())
        out.skipReason = settings.overwrite || !where.nearest
                             ? QStringLiteral("no place at this position")
                             : QStringLiteral("has its location fields (use --overwrite)");
    return out;
}

} // namespace

LocationTexts locationTextsOf(const QVariantMap& dictionary) {
    const QVariantMap iptc = dictionary.value(IptcSet).toMap();
    const QVariantMap xmp = dictionary.value(XmpSet).toMap();
    LocationTexts texts;
    for (const Field& field : fields) {
        const QVariant value =
            iptc.contains(field.iptc) ? iptc.value(field.iptc) : xmp.value(field.xmp);
        if (value.isValid())
            texts.*field.text = value.toString();
    }
    return texts;
}

LocationTexts onlyMissing(LocationTexts texts, const QVariantMap& dictionary) {
    const LocationTexts own = locationTextsOf(dictionary);
    for (const Field& field : fields) {
        if (own.*field.text)
            texts.*field.text = std::nullopt;
    }
    return texts;
}

QVariantMap locationChanges(const LocationTexts& texts, const QVariantMap& dictionary) {
    QList<MirroredText> mirrored;
    for (const Field& field : fields)
        mirrored.append({field.iptc, field.xmp, texts.*field.text});
    return mirroredTextChanges(mirrored, dictionary);
}

QVariantMap mirroredTextChanges(const QList<MirroredText>& texts, const QVariantMap& dictionary) {
    const QVariantMap iptcNow = dictionary.value(IptcSet).toMap();
    const QVariantMap xmpNow = dictionary.value(XmpSet).toMap();
    const bool hasIptc = !iptcNow.isEmpty(), hasXmp = !xmpNow.isEmpty();
    QVariantMap iptc, xmp;
    for (const MirroredText& field : texts) {
        if (!field.text)
            continue;
        const QString value = field.text->trimmed();
        // An empty field over a photo that has no such value changes nothing:
        // the form hands every field, and no empty IPTC block is to be made.
        if (value.isEmpty()) {
            // Each copy the photo has goes, whichever block holds it.
            if (!field.iptc.isEmpty() && iptcNow.contains(field.iptc))
                iptc.insert(field.iptc, removal());
            if (xmpNow.contains(field.xmp))
                xmp.insert(field.xmp, removal());
            continue;
        }
        if (!field.iptc.isEmpty() && (hasIptc || hasXmp))
            iptc.insert(field.iptc, XmpMirrorValues::iptcText(field.iptc, value));
        else
            xmp.insert(field.xmp, value);
    }
    QVariantMap changes;
    if (!iptc.isEmpty())
        changes.insert(IptcSet, iptc);
    if (!xmp.isEmpty())
        changes.insert(XmpSet, xmp);
    return changes;
}

LocationTexts locationTextsAt(const Gazetteer& gazetteer, double latitude, double longitude,
                              double maxDistanceKm, const QString& language) {
    // Nothing found is no reason to remove what the photo says.
    const Location where = gazetteer.locate(latitude, longitude, maxDistanceKm);
    return {where.city ? given(gazetteer.nameIn(*where.city, language)) : std::nullopt,
            given(where.state), given(where.country), given(where.countryCode)};
}

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
