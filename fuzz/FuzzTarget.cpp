// One libFuzzer target: the entry named by TV_FUZZ_TARGET.
#include "fuzz/FuzzEntries.h"
#include "metadata/engine/MetadataLibrary.h"

#include <cstdint>
#include <cstdlib>

namespace {
// Qt's warnings about damaged input ("qUncompress: ...") are expected by the
// thousand and slow a run down; its fatal messages still end it.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg)
        FuzzEntries::fail(message);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(quietMessages);
    initialiseMetadataLibrary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const FuzzEntries::Entry entry = [] {
        const FuzzEntries::Entry found = FuzzEntries::find(QStringLiteral(TV_FUZZ_TARGET));
        if (!found)
            std::abort();
        return found;
    }();
    // Not copied: the input's bytes end where libFuzzer's buffer ends, so a
    // read past them is caught, as for a mapped photo.
    entry(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
