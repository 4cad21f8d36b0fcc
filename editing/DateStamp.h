#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

class MetadataService;

enum class StampCorner { UpperLeft, UpperRight, LowerLeft, LowerRight, Other };

// The corner items' titles, as the settings store them ("Lower left corner").
StampCorner stampCornerOfTitle(const QString& title);
QString stampCornerTitle(StampCorner corner);
// The command line's names ("lower-left"); nothing for an unknown name.
std::optional<StampCorner> stampCornerOfName(const QString& name);

struct StampStyle {
    QString fontName;  // none: the desktop's own font
    int fontSize = 14; // points, drawn as pixels: a 72-per-inch canvas of the photo's pixel size
    QColor color = Qt::white;
    StampCorner corner = StampCorner::LowerLeft;
};

// The family the stamp is drawn in: the named one where this system has it,
// else the desktop's own font. Needs a QGuiApplication.
QString stampFontFamily(const QString& name);

// Where the text goes in a photo of the image size, for a text of the
// measured size, with the origin at the top left and y growing downward.
// The text is drawn from the rectangle's top-left corner.
QRectF stampTextRect(StampCorner corner, const QSizeF& image, const QSizeF& text);

// The text stamped on a photo: its EXIF original date when it has both EXIF
// dates, else its file's creation date (no zone), else, when the photo's
// metadata cannot be read at all, the current time with its zone.
QString stampDateText(MetadataService& metadata, const QString& path);

// Draws the text into the image with the style, as people see the photo.
void drawStamp(QImage& image, const QString& text, const StampStyle& style);

// Where a stamped photo is written and in which encoding: its own name and
// the format that name says, or, where Qt cannot write that format, JPEG
// under the base name with ".jpg".
struct StampTarget {
    QString path;      // the file name (stampFormat()) or the output path (a plan's)
    QByteArray format; // a QImageWriter format: "jpeg", "png", "tiff", "webp", ...
    bool asJpeg = false;
};
StampTarget stampFormat(const SelectedPhoto& photo);

// The photo's pixels as people see it: its orientation applied.
Result<QImage> decodeUpright(const QString& path, MetadataService& metadata);
// Whether a photo's pixels come from the metadata worker (HEIF) rather than Qt.
bool isWorkerDecoded(const QString& path);

// The image in the target's format, without any of the source's metadata:
// JPEG and WebP at quality 95, a JPEG of a photo with transparency laid on white.
Result<QByteArray> encodeStamped(QImage image, const QByteArray& format);

// What a run would write for one photo, without decoding its pixels.
struct StampPlan {
    QString inputPath;
    QString skipReason; // set: the photo would be skipped
    StampTarget target;
    QString text;
};
std::vector<StampPlan> planDateStamp(const std::vector<SelectedPhoto>& photos,
                                     const QString& storage, MetadataService& metadata);

// Stamps each photo into the storage folder, two at a time at most: a
// decoded 24-megapixel photo is about 100 MB.
// A photo written as JPEG says so in its remark.
OperationReport runDateStamp(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             const StampStyle& style, MetadataService& metadata,
                             const BatchOptions& options = {});
