#pragma once

#include "metadata/Result.h"

#include <QList>
#include <QVariantMap>

#include <memory>

class TiffEditor;
class IptcBlock;

// What a change dictionary asks of one photo, as a list of single steps in
// the order they apply: the container properties first, then the changes.
// Values equal to what the photo already has are left out, so handing a
// photo's own dictionary back changes nothing.
struct MetadataEdit {
    struct Step {
        QString set;    // one of the five set keys
        QString key;    // empty: the step removes the whole set
        QVariant value; // a removal value removes the key
    };
    QList<Step> steps;
    // Values asked for that the dictionary shows the photo holding already:
    // left out of the steps (see writeHeldValuesMissingFrom).
    QList<Step> held;
    // The photo's EXIF block as the comparison with its values parsed it, if
    // it did: the edit starts from a copy instead of parsing the block again.
    std::shared_ptr<const TiffEditor> parsedExifBlock;
    // Whatever the dictionary does not show goes too: maker notes,
    // thumbnails, comments and other applications' blocks.
    bool stripHidden = false;

    bool touches(const QString& set) const;
    bool touchesExifBlock() const; // the TIFF, EXIF or GPS set
    bool writesExifValues() const; // some step of those sets writes a value
    bool removesSet(const QString& set) const;
};

// Fails when the changes ask for what cannot be written (a property of the
// pixels, a set that is not a dictionary).
Result<MetadataEdit> resolveEdit(const QVariantMap& source, const QVariantMap& containerProperties,
                                 const QVariantMap& changes);

// A value the dictionary shows as the photo's own may come from an entry the
// EXIF block's editor drops (of a type that readers do not agree on): the
// held values of the TIFF, EXIF and GPS sets whose entries the parsed block
// lacks become steps after all, or the write would lose them.
void writeHeldValuesMissingFrom(MetadataEdit& edit, const TiffEditor& block);

// The steps of the TIFF, EXIF and GPS sets applied to an EXIF block or to a
// TIFF file's directories.
Status applyExifSteps(TiffEditor& editor, const MetadataEdit& edit);

// The steps of the IPTC set.
Status applyIptcSteps(IptcBlock& block, const MetadataEdit& edit);
