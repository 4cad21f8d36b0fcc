#include "sources/PhotoFacts.h"

#include "metadata/PhotoDisplay.h"

#include <QTimeZone>

PhotoFacts photoFactsOf(const QVariantMap& dictionary) {
    PhotoFacts facts;
    facts.known = true;
    facts.readable = true;
    facts.hasPosition = photoDisplayFor(dictionary).hasPosition;
    facts.camera = cameraName(dictionary);
    if (const auto date = photoOriginalDate(dictionary)) {
        // The photo's own clock, whatever zone it was in: compared as it reads.
        const QDateTime read = QDateTime::fromString(*date, QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        if (read.isValid())
            facts.taken = QDateTime(read.date(), read.time(), QTimeZone::utc());
    }
    return facts;
}

PhotoFacts unreadablePhotoFacts() {
    PhotoFacts facts;
    facts.known = true;
    return facts;
}
