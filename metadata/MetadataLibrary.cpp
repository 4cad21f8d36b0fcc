#include "metadata/MetadataLibrary.h"

#include "metadata/Exiv2Include.h"

#include <mutex>

namespace {
// The library's own warnings describe quirks of individual files; the
// operations report what matters to the user as their results instead.
void quietHandler(int, const char*) {}
} // namespace

void initialiseMetadataLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
        Exiv2::LogMsg::setHandler(quietHandler);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}
