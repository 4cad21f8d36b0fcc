#include "metadata/PropertyValues.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace PropertyValues {

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool same(const QVariant& a, const QVariant& b) {
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        // An endless number is the same only as itself, never close to another.
        if (!std::isfinite(x) || !std::isfinite(y))
            return x == y || (std::isnan(x) && std::isnan(y));
        return x == y || std::fabs(x - y) <= 1e-6 * std::max(std::fabs(x), std::fabs(y));
    }
    const bool aList =
        a.typeId() == QMetaType::QVariantList || a.typeId() == QMetaType::QStringList;
    const bool bList =
        b.typeId() == QMetaType::QVariantList || b.typeId() == QMetaType::QStringList;
    if (aList && bList) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i) {
            if (!same(x[i], y[i]))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap && b.typeId() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it) {
            if (!same(it.value(), y.value(it.key())))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    return a == b;
}

} // namespace PropertyValues
