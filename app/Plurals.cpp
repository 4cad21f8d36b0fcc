#include "app/Plurals.h"

#include <QHash>

namespace {

// Plural source and its singular; counted texts whose words do not change
// with the count ("%n not written") need no row.
const QHash<QString, QString>& singulars() {
    static const QHash<QString, QString> table{
        {QStringLiteral("%n changes"), QStringLiteral("%n change")},
        {QStringLiteral("%n files could not be downloaded"),
         QStringLiteral("%n file could not be downloaded")},
        {QStringLiteral("%n files could not be deleted"),
         QStringLiteral("%n file could not be deleted")},
        {QStringLiteral("%1 of %n photos would be placed."),
         QStringLiteral("%1 of %n photo would be placed.")},
        {QStringLiteral("%n photos without a zone of their own read in %1."),
         QStringLiteral("%n photo without a zone of its own read in %1.")},
        {QStringLiteral("%n photos without a zone of their own read in the system zone, %1."),
         QStringLiteral("%n photo without a zone of its own read in the system zone, %1.")},
        {QStringLiteral("A drifting clock, set from %n photos."),
         QStringLiteral("A drifting clock, set from %n photo.")},
        {QStringLiteral("Cancelled: %n photos were left as they were."),
         QStringLiteral("Cancelled: %n photo was left as it was.")},
        {QStringLiteral("%n photos written"), QStringLiteral("%n photo written")},
        {QStringLiteral("%n photos will be written."), QStringLiteral("%n photo will be written.")},
        {QStringLiteral("%n photos will be written into %1."),
         QStringLiteral("%n photo will be written into %1.")},
        {QStringLiteral("%n photos will be skipped."), QStringLiteral("%n photo will be skipped.")},
        {QStringLiteral("Reading %n track logs…"), QStringLiteral("Reading %n track log…")},
        {QStringLiteral("%1 (%2, %n points)"), QStringLiteral("%1 (%2, %n point)")},
        {QStringLiteral("%n working copies could not be moved to the trash."),
         QStringLiteral("%n working copy could not be moved to the trash.")},
    };
    return table;
}

} // namespace

QString EnglishPlurals::translate(const char*, const char* sourceText, const char*, int n) const {
    // Nothing for other counts and texts: Qt then uses the source itself.
    if (n != 1)
        return {};
    return singulars().value(QString::fromUtf8(sourceText));
}

QStringList EnglishPlurals::counted() {
    return singulars().keys();
}
