#pragma once

#include <QString>

// Addresses chosen when the application is built (see the cache variables
// TESSAVIEW_SUPPORT_URL, TESSAVIEW_UPDATE_URL and TESSAVIEW_PRODUCT_URL).
namespace BuildSettings {
QString supportUrl();
// The version file the update check fetches, unless the "updateURL" setting
// names another.
QString updateUrl();
// The page the update window's download button opens.
QString productUrl();
} // namespace BuildSettings
