#pragma once

#include "metadata/KeyChanges.h"
#include "metadata/Result.h"

#include <QVariantMap>

// Whether a written photo is what its plan said: every change the changes
// make to the photo's dictionary before is in the dictionary after, and no
// other key changed. The failure names each key that differs, as a user can
// read it.
Status checkOutcome(const QVariantMap& before, const QVariantMap& changes,
                    const QVariantMap& after);

// The same over the planned list of changes.
Status checkOutcome(const QList<KeyChange>& planned, const QList<KeyChange>& happened);

// A value as a message shows it: texts quoted and cut short.
QString describeValue(const QVariant& value);
