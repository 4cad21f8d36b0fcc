#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Values.h"

namespace Exiv2Values {

namespace {
struct IptcName {
    uint16_t dataset;
    const char* name;
};
// The standard IIM names of the application record.
constexpr IptcName iptcNames[] = {
    {0, "RecordVersion"},
    {3, "ObjectTypeReference"},
    {4, "ObjectAttributeReference"},
    {5, "ObjectName"},
    {7, "EditStatus"},
    {8, "EditorialUpdate"},
    {10, "Urgency"},
    {12, "SubjectReference"},
    {15, "Category"},
    {20, "SupplementalCategory"},
    {22, "FixtureIdentifier"},
    {25, "Keywords"},
    {26, "ContentLocationCode"},
    {27, "ContentLocationName"},
    {30, "ReleaseDate"},
    {35, "ReleaseTime"},
    {37, "ExpirationDate"},
    {38, "ExpirationTime"},
    {40, "SpecialInstructions"},
    {42, "ActionAdvised"},
    {45, "ReferenceService"},
    {47, "ReferenceDate"},
    {50, "ReferenceNumber"},
    {55, "DateCreated"},
    {60, "TimeCreated"},
    {62, "DigitalCreationDate"},
    {63, "DigitalCreationTime"},
    {65, "OriginatingProgram"},
    {70, "ProgramVersion"},
    {75, "ObjectCycle"},
    {80, "By-line"},
    {85, "By-lineTitle"},
    {90, "City"},
    {92, "Sub-location"},
    {95, "Province/State"},
    {100, "Country/PrimaryLocationCode"},
    {101, "Country/PrimaryLocationName"},
    {103, "OriginalTransmissionReference"},
    {105, "Headline"},
    {110, "Credit"},
    {115, "Source"},
    {116, "CopyrightNotice"},
    {118, "Contact"},
    {120, "Caption/Abstract"},
    {122, "Writer/Editor"},
    {130, "ImageType"},
    {131, "ImageOrientation"},
    {135, "LanguageIdentifier"},
};
} // namespace

QString iptcName(uint16_t dataset) {
    for (const IptcName& entry : iptcNames) {
        if (entry.dataset == dataset)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("0x%1").arg(dataset, 4, 16, QLatin1Char('0'));
}

std::optional<uint16_t> iptcDataset(const QString& name) {
    for (const IptcName& entry : iptcNames) {
        if (name == QLatin1String(entry.name))
            return entry.dataset;
    }
    if (name.startsWith(QLatin1String("0x"))) {
        bool ok = false;
        const uint value = name.mid(2).toUInt(&ok, 16);
        if (ok && value <= 0xff)
            return uint16_t(value);
    }
    return std::nullopt;
}

bool iptcAlwaysList(uint16_t dataset) {
    return dataset == 25 || dataset == 20 || dataset == 12;
}

} // namespace Exiv2Values

namespace Exiv2Values {
Result<QByteArray> iptcBytes(uint16_t dataset, const QString& text) {
    using R = Result<QByteArray>;
    try {
        const Exiv2::TypeId type =
            Exiv2::IptcDataSets::dataSetType(dataset, Exiv2::IptcDataSets::application2);
        auto value = Exiv2Owned::createValue(type);
        if (value->read(text.toStdString()) != 0)
            return R::fail(QStringLiteral("bad value \"%1\"").arg(text));
        QByteArray bytes(qsizetype(value->size()), '\0');
        value->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::bigEndian);
        return R::ok(std::move(bytes));
    } catch (const std::exception&) {
        return R::fail(QStringLiteral("bad value \"%1\"").arg(text));
    }
}

Status checkIptcValue(const QString& name, const QVariant& value) {
    const auto dataset = iptcDataset(name);
    if (!dataset || PropertyKeys::isRemoval(value))
        return Status::ok();
    uint32_t most = 0;
    for (const Exiv2::DataSet* entry = Exiv2::IptcDataSets::application2RecordList();
         entry->number_ != 0xffff; ++entry) {
        if (entry->number_ == *dataset) {
            most = entry->maxbytes_;
            break;
        }
    }
    const QVariantList items =
        value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList
            ? value.toList()
            : QVariantList{value};
    for (const QVariant& item : items) {
        // As stored: a date or time takes fewer bytes than its text.
        const auto stored = iptcBytes(*dataset, item.toString());
        const qsizetype size = stored ? stored->size() : item.toString().toUtf8().size();
        if (most > 0 && size > qsizetype(most))
            return Status::fail(QStringLiteral("%1.%2: \"%3\" is %4 bytes, more than the %5 IPTC "
                                               "allows")
                                    .arg(PropertyKeys::IptcSet, name, item.toString().left(40))
                                    .arg(size)
                                    .arg(most));
    }
    return Status::ok();
}
} // namespace Exiv2Values
