#pragma once

#include "metadata/Result.h"
#include "metadata/RewritePlan.h"
#include "metadata/engine/WrittenCheck.h"

#include <QByteArray>

struct WritePlan;

// Whether what a writer made of the source is what the plan asked for, before
// it may replace anything; the same checks whichever writer made it. It reads
// back as the same kind of photo, with all of its image data and every page,
// holding every planned step and nothing else changed (checkWritten). Of a
// JPEG the new headers are checked, the image data being the source's own
// bytes. What the library wrote is also read back by the library, with the
// image size the source had, since the library lays out the whole container.
Status verifyWrite(const QByteArray& source, const WritePlan& plan, const RewritePlan& written,
                   WrittenBy writer);
