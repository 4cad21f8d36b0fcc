#pragma once

#include <QString>

// The human-readable size of a byte count, in decimal units. Computed in
// single precision as the display always has been, so 999 999 bytes reads
// "1000.00 KB" rather than "1.00 MB".
QString sizeToUnit(quint64 bytes);

// The summary's size field: "1.23 MB (1234567 bytes)".
QString fileSizeText(quint64 bytes);
