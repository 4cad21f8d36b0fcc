#include "app/BuildSettings.h"

namespace BuildSettings {

QString supportUrl() {
    return QStringLiteral(TESSAVIEW_SUPPORT_URL);
}

QString updateUrl() {
    return QStringLiteral(TESSAVIEW_UPDATE_URL);
}

QString productUrl() {
    return QStringLiteral(TESSAVIEW_PRODUCT_URL);
}

} // namespace BuildSettings
