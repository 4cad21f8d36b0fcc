#include "metadata/engine/HeifDecoder.h"

#include <libheif/heif.h>

#include <dlfcn.h>

#include <memory>
#include <vector>

namespace {

// libheif and its codecs take longer to load than everything else a worker
// loads, and most workers never meet a HEIF photo: the library is loaded
// when the first one is decoded.
#define TV_HEIF_FUNCTIONS(X)                                                                       \
    X(heif_context_alloc)                                                                          \
    X(heif_context_free)                                                                           \
    X(heif_context_get_primary_image_handle)                                                       \
    X(heif_context_read_from_memory_without_copy)                                                  \
    X(heif_decode_image)                                                                           \
    X(heif_image_get_height)                                                                       \
    X(heif_image_get_plane_readonly)                                                               \
    X(heif_image_get_width)                                                                        \
    X(heif_image_handle_get_height)                                                                \
    X(heif_image_handle_get_number_of_thumbnails)                                                  \
    X(heif_image_handle_get_thumbnail)                                                             \
    X(heif_image_handle_get_width)                                                                 \
    X(heif_image_handle_release)                                                                   \
    X(heif_image_release)                                                                          \
    X(heif_image_scale_image)                                                                      \
    X(heif_image_handle_get_list_of_thumbnail_IDs)

struct HeifLibrary {
#define TV_HEIF_POINTER(name) decltype(&::name) name = nullptr;
    TV_HEIF_FUNCTIONS(TV_HEIF_POINTER)
#undef TV_HEIF_POINTER
    QString failure; // why it could not be loaded
};

HeifLibrary load() {
    HeifLibrary library;
    void* handle = ::dlopen(TV_HEIF_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        library.failure = QString::fromLocal8Bit(::dlerror());
        return library;
    }
#define TV_HEIF_LOOKUP(name)                                                                       \
    library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                    \
    if (!library.name) {                                                                           \
        library.failure = QStringLiteral("%1 lacks " #name).arg(QStringLiteral(TV_HEIF_LIBRARY));  \
        return library;                                                                            \
    }
    TV_HEIF_FUNCTIONS(TV_HEIF_LOOKUP)
#undef TV_HEIF_LOOKUP
    return library;
}

const HeifLibrary& library() {
    static const HeifLibrary loaded = load();
    return loaded;
}

struct Free {
    void operator()(heif_context* p) const { library().heif_context_free(p); }
    void operator()(heif_image_handle* p) const { library().heif_image_handle_release(p); }
    void operator()(heif_image* p) const { library().heif_image_release(p); }
};
using Context = std::unique_ptr<heif_context, Free>;
using Handle = std::unique_ptr<heif_image_handle, Free>;
using Image = std::unique_ptr<heif_image, Free>;

QString why(const heif_error& error) {
    return QStringLiteral("cannot decode the HEIF image: %1")
        .arg(QString::fromUtf8(error.message ? error.message : "unknown error").trimmed());
}

// The handle whose image is the smallest one at least maxSide long: a
// thumbnail where one is, else the primary image.
Handle chooseHandle(heif_image_handle* primary, int maxSide) {
    const int count = library().heif_image_handle_get_number_of_thumbnails(primary);
    Handle best;
    if (count > 0) {
        std::vector<heif_item_id> ids(static_cast<size_t>(count));
        library().heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
        for (heif_item_id id : ids) {
            heif_image_handle* thumb = nullptr;
            if (library().heif_image_handle_get_thumbnail(primary, id, &thumb).code !=
                heif_error_Ok)
                continue;
            Handle candidate(thumb);
            const int side = std::max(library().heif_image_handle_get_width(thumb),
                                      library().heif_image_handle_get_height(thumb));
            const int bestSide = best ? std::max(library().heif_image_handle_get_width(best.get()),
                                                 library().heif_image_handle_get_height(best.get()))
                                      : 0;
            if (side >= maxSide && (!best || side < bestSide))
                best = std::move(candidate);
        }
    }
    return best;
}

} // namespace

Result<PhotoPreview> decodeHeifPreview(const QByteArray& bytes, int maxSide) {
    using R = Result<PhotoPreview>;
    if (!library().failure.isEmpty())
        return R::fail(QStringLiteral("cannot decode the HEIF image: %1").arg(library().failure));
    Context context(library().heif_context_alloc());
    if (!context)
        return R::fail(QStringLiteral("cannot decode the HEIF image: out of memory"));
    heif_error error = library().heif_context_read_from_memory_without_copy(
        context.get(), bytes.constData(), size_t(bytes.size()), nullptr);
    if (error.code != heif_error_Ok)
        return R::fail(why(error));
    heif_image_handle* primaryHandle = nullptr;
    error = library().heif_context_get_primary_image_handle(context.get(), &primaryHandle);
    if (error.code != heif_error_Ok)
        return R::fail(why(error));
    Handle primary(primaryHandle);
    Handle chosen = chooseHandle(primary.get(), maxSide);
    heif_image_handle* handle = chosen ? chosen.get() : primary.get();

    heif_image* decoded = nullptr;
    error = library().heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                        heif_chroma_interleaved_RGB, nullptr);
    if (error.code != heif_error_Ok)
        return R::fail(why(error));
    Image image(decoded);
    int width = library().heif_image_get_width(decoded, heif_channel_interleaved);
    int height = library().heif_image_get_height(decoded, heif_channel_interleaved);
    if (width <= 0 || height <= 0)
        return R::fail(QStringLiteral("cannot decode the HEIF image: it has no pixels"));
    if (maxSide > 0 && std::max(width, height) > maxSide) {
        const double scale = double(maxSide) / std::max(width, height);
        const int w = std::max(1, int(width * scale + 0.5));
        const int h = std::max(1, int(height * scale + 0.5));
        heif_image* scaled = nullptr;
        error = library().heif_image_scale_image(decoded, &scaled, w, h, nullptr);
        if (error.code != heif_error_Ok)
            return R::fail(why(error));
        image.reset(scaled);
        width = w;
        height = h;
    }
    int stride = 0;
    const uint8_t* pixels =
        library().heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels)
        return R::fail(QStringLiteral("cannot decode the HEIF image: it has no pixels"));
    PhotoPreview preview;
    preview.bytes = QByteArray("P6\n") + QByteArray::number(width) + ' ' +
                    QByteArray::number(height) + "\n255\n";
    preview.bytes.reserve(preview.bytes.size() + qsizetype(width) * height * 3);
    for (int y = 0; y < height; ++y)
        preview.bytes.append(reinterpret_cast<const char*>(pixels + qsizetype(y) * stride),
                             qsizetype(width) * 3);
    preview.size = QSize(width, height);
    return R::ok(std::move(preview));
}
