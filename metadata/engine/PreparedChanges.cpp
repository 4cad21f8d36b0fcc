#include "metadata/engine/PreparedChanges.h"

#include "metadata/PhotoFormat.h"
#include "metadata/XmpMirrors.h"
#include "metadata/engine/ComparedValues.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"

Result<PreparedChanges> prepareChanges(const QByteArray& source, const RewriteJob& job) {
    using R = Result<PreparedChanges>;
    initialiseMetadataLibrary();
    PreparedChanges prepared;
    if (job.overlaySourceProperties) {
        const auto properties = readPhotoProperties(source);
        if (!properties)
            return R::fail(properties.error());
        prepared.dictionary = properties->dictionary;
    } else {
        auto context = readChangeContext(source, sniffPhotoFormat(source),
                                         XmpMirrors::folded(job.containerProperties, job.changes),
                                         job.replacedSets);
        if (!context)
            return R::fail(context.error());
        prepared.dictionary = std::move(context.value().values);
        prepared.exifBlock = std::move(context.value().exifBlock);
    }
    prepared.changes = XmpMirrors::jobChanges(prepared.dictionary, job);
    return R::ok(std::move(prepared));
}
