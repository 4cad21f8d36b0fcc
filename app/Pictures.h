#pragma once

#include <QIcon>
#include <QSize>
#include <QString>

class QAbstractButton;
class QPainter;
class QRectF;

// The window's named pictures ("backnom.png", "editnom.png", ...),
// kept as scalable drawings in the application's resources so that they
// stay sharp at any screen scale. A name is looked up by its base name, so
// a drawing and a bitmap of the same name are interchangeable.
namespace Pictures {

// The resource path of a picture, or an empty text when there is none.
QString resourcePath(const QString& name);
bool exists(const QString& name);
// An icon that renders the drawing afresh for each size and scale; a null
// icon when the picture is missing.
QIcon icon(const QString& name);
// The picture's own size, or an empty size when it is missing.
QSize naturalSize(const QString& name);
// Draws the whole picture scaled into target. False when it is missing.
bool paint(QPainter& painter, const QString& name, const QRectF& target);
// Puts the picture on the button; a missing picture leaves the button as it
// was, its text still readable.
bool apply(QAbstractButton* button, const QString& name);

} // namespace Pictures
