#pragma once

#include "metadata/Result.h"

#include <QByteArray>

// Checks the parts of a TIFF that the metadata library's writer trusts
// without bounds checks (the Photoshop resource block of the first
// directory). A TIFF that fails is refused before any write is attempted.
Status checkTiffIsSafeToWrite(const QByteArray& bytes);
