#include "fuzz/FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

namespace FuzzEntries {

namespace {
void (*failureHandler)(const QString&) = nullptr;
} // namespace

const QList<Target>& targets() {
    static const QList<Target> all = {
        {"tiff_parse", tiffParse},     {"tiff_edit", tiffEdit},
        {"jpeg_rewrite", jpegRewrite}, {"chunk_rewrite", chunkRewrite},
        {"heif_rewrite", heifRewrite}, {"iptc_block", iptcBlock},
        {"xmp_edit", xmpEdit},         {"plist_xml", plistXml},
        {"plist_binary", plistBinary}, {"worker_codec", workerCodec},
        {"date_text", dateText},       {"device_file_name", deviceFileName},
        {"track_log", trackLog},       {"differential", differential},
    };
    return all;
}

Entry find(const QString& name) {
    for (const Target& target : targets()) {
        if (name == QLatin1String(target.name))
            return target.run;
    }
    return nullptr;
}

void fail(const QString& why) {
    if (failureHandler)
        failureHandler(why);
    std::fprintf(stderr, "fuzz target failed: %s\n", qPrintable(why));
    std::abort();
}

void setFailureHandler(void (*handler)(const QString&)) {
    failureHandler = handler;
}

} // namespace FuzzEntries
