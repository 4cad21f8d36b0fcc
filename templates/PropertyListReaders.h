#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QVariant>

// The two forms a property list comes in; readPropertyList() chooses.
Result<QVariant> readXmlPropertyList(const QByteArray& bytes);
Result<QVariant> readBinaryPropertyList(const QByteArray& bytes);
