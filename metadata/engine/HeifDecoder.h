#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"

#include <QByteArray>

// A HEIF photo's pixels for display: its embedded thumbnail when that is
// large enough, else the primary image decoded and scaled so that its longer
// side is maxSide, turned as the file says. The bytes are a binary PPM, which
// any Qt image reader takes. Runs in the worker processes only: a hostile
// file that breaks the decoder costs that photo, not the window.
Result<PhotoPreview> decodeHeifPreview(const QByteArray& bytes, int maxSide);
