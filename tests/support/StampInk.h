#pragma once

#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QRect>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cstdlib>

// Where a stamp's ink lies: the pixels where the stamped image differs from
// the photo as people see it, by more than the re-encoding's noise.
struct InkBox {
    QRect box;         // empty when nothing differs
    qint64 pixels = 0; // how many differ
};

inline QImage uprightDecode(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

inline InkBox inkBox(const QImage& photo, const QImage& stamped, int threshold) {
    InkBox ink;
    if (photo.size() != stamped.size())
        return ink;
    const QImage a = photo.convertToFormat(QImage::Format_RGB32);
    const QImage b = stamped.convertToFormat(QImage::Format_RGB32);
    int left = a.width(), top = a.height(), right = -1, bottom = -1;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int d = std::max({std::abs(qRed(pa[x]) - qRed(pb[x])),
                                    std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                                    std::abs(qBlue(pa[x]) - qBlue(pb[x]))});
            if (d <= threshold)
                continue;
            ++ink.pixels;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right >= 0)
        ink.box = QRect(QPoint(left, top), QPoint(right, bottom));
    return ink;
}

// The text's own box as the corner table places it, worked out here from the
// table (origin at the lower left, y upward) rather than from the code under
// test: the text is drawn from the top-left corner of its rectangle.
inline QRectF expectedTextBox(const QString& cornerTitle, const QSizeF& image, const QSizeF& text) {
    const qreal W = image.width(), H = image.height(), tw = text.width(), th = text.height();
    qreal x = 50, y = 30, h = 20;
    if (cornerTitle == QLatin1String("Lower left corner")) {
        x = 50, y = th + 10, h = th + 20;
    } else if (cornerTitle == QLatin1String("Lower right corner")) {
        x = W - tw - 20, y = th + 10, h = th + 20;
    } else if (cornerTitle == QLatin1String("Upper left corner")) {
        x = 50, y = H - th - 30, h = th + 20;
    } else if (cornerTitle == QLatin1String("Upper right corner")) {
        x = W - tw - 20, y = H - th - 30, h = th + 20;
    }
    return QRectF(x, H - y - h, tw, th);
}

// The ink of a text (digits, colons and a space) sits on the baseline,
// starts at the box's left edge and fills most of its width: within a few
// pixels, for the edge's blur and the glyphs' side bearings.
inline bool inkFitsTextBox(const QRect& ink, const QRectF& text, qreal ascent, int slack = 3) {
    const qreal baseline = text.top() + ascent;
    return !ink.isEmpty() && std::abs(ink.bottom() + 1 - baseline) <= 2 &&
           ink.left() >= text.left() - 1 && ink.left() <= text.left() + 4 &&
           ink.right() + 1 <= text.right() + slack && ink.top() >= text.top() - slack &&
           ink.width() >= text.width() * 0.8 && ink.height() >= text.height() * 0.4;
}
