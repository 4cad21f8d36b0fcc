#include "metadata/SizeText.h"

#include <cstdio>

QString sizeToUnit(quint64 bytes) {
    char buffer[100];
    if (bytes <= 999) {
        std::snprintf(buffer, sizeof buffer, "%d bytes", int(bytes));
        return QString::fromLatin1(buffer);
    }
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    float size = float(bytes);
    int unit = 0;
    size /= 1000.0f;
    const quint64 limits[] = {1000000ULL, 1000000000ULL, 1000000000000ULL};
    while (unit < 3 && bytes >= limits[unit]) {
        size /= 1000.0f;
        ++unit;
    }
    std::snprintf(buffer, sizeof buffer, "%.2f %s", double(size), units[unit]);
    return QString::fromLatin1(buffer);
}

QString fileSizeText(quint64 bytes) {
    return QStringLiteral("%1 (%2 bytes)").arg(sizeToUnit(bytes)).arg(bytes);
}
