#include "editing/DateStamp.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImageReader>

#include "metadata/MetadataService.h"
#include "metadata/PhotoFormat.h"

#include <QImageWriter>
#include <QPainter>
#include <limits>

#include <algorithm>

namespace {

// The formats QPainter draws into directly; any other is converted first,
// keeping 16-bit pixels 16-bit.
void makePaintable(QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64_Premultiplied:
        return;
    case QImage::Format_RGBA64:
        image.convertTo(QImage::Format_RGBA64_Premultiplied);
        return;
    default:
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    }
}

// JPEG has no transparency: what is see-through lies on white, as viewers show it.
QImage withoutTransparency(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.setDotsPerMeterX(image.dotsPerMeterX());
    flat.setDotsPerMeterY(image.dotsPerMeterY());
    flat.setColorSpace(image.colorSpace());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

} // namespace

QString stampFontFamily(const QString& name) {
    if (!name.isEmpty() && QFontDatabase::families().contains(name))
        return name;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QRectF stampTextRect(StampCorner corner, const QSizeF& image, const QSizeF& text) {
    const qreal W = image.width(), H = image.height();
    const qreal tw = text.width(), th = text.height();
    const bool measured = tw > 0 && th > 0;
    // The rectangles are laid out from the lower-left corner, y growing upward.
    QRectF up;
    switch (corner) {
    case StampCorner::LowerLeft:
        up = measured ? QRectF(50, th + 10, tw + 20, th + 20) : QRectF(50, 30, 400, 50);
        break;
    case StampCorner::LowerRight:
        up = measured ? QRectF(W - tw - 20, th + 10, tw + 20, th + 20)
                      : QRectF(W - 400, 30, 400, 50);
        break;
    case StampCorner::UpperLeft:
        up = measured ? QRectF(50, H - th - 30, tw + 20, th + 20) : QRectF(50, H - 50, 400, 50);
        break;
    case StampCorner::UpperRight:
        up = measured ? QRectF(W - tw - 20, H - th - 30, tw + 20, th + 20)
                      : QRectF(W - 400, H - 50, 400, 50);
        break;
    case StampCorner::Other:
        up = QRectF(50, 30, 400, 20);
        break;
    }
    return QRectF(up.x(), H - up.y() - up.height(), up.width(), up.height());
}

void drawStamp(QImage& image, const QString& text, const StampStyle& style) {
    makePaintable(image);
    QFont font(style.fontName);
    // Points on a 72-per-inch canvas: one point is one pixel, whatever
    // resolution the photo claims.
    font.setPixelSize(std::max(1, style.fontSize));
    const QFontMetricsF metrics(font, &image);
    const QSizeF textSize = metrics.size(Qt::TextSingleLine, text);
    const QRectF rect = stampTextRect(style.corner, image.size(), textSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(style.color);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

Result<QImage> decodeUpright(const QString& path, MetadataService& metadata) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image;
    if (reader.read(&image))
        return Result<QImage>::ok(std::move(image));
    // What Qt cannot decode here (HEIF) the metadata worker decodes whole,
    // turned upright, so a hostile file costs that photo only.
    if (isWorkerDecoded(path)) {
        const auto decoded = metadata.readPreview(path, std::numeric_limits<int>::max());
        if (!decoded)
            return Result<QImage>::fail(
                QStringLiteral("cannot decode its pixels: %1").arg(decoded.error()));
        image = QImage::fromData(decoded->bytes);
        if (!image.isNull())
            return Result<QImage>::ok(std::move(image));
    }
    return Result<QImage>::fail(
        QStringLiteral("cannot decode its pixels: %1").arg(reader.errorString()));
}

bool isWorkerDecoded(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && sniffPhotoFormat(file.read(64)) == PhotoFormat::Heif;
}

Result<QByteArray> encodeStamped(QImage image, const QByteArray& format) {
    if (format == "jpeg" && image.hasAlphaChannel())
        image = withoutTransparency(image);
    // The reader hands over the source's text chunks (a PNG's XMP and IPTC
    // among them), and the writers would write them again.
    for (const QString& key : image.textKeys())
        image.setText(key, QString());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (format == "jpeg" || format == "webp")
        writer.setQuality(95);
    // Nothing of the source's metadata is written, so the pixels must stand
    // upright on their own: no orientation but the first.
    writer.setTransformation(QImageIOHandler::TransformationNone);
    if (!writer.write(image))
        return Result<QByteArray>::fail(
            QStringLiteral("cannot encode it as %1: %2")
                .arg(QString::fromLatin1(format).toUpper(), writer.errorString()));
    buffer.close();
    return Result<QByteArray>::ok(std::move(bytes));
}
