#include "app/Pictures.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into this static library, whose linker would
// otherwise drop them as unreferenced.
static void loadPictures() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace Pictures {

QString resourcePath(const QString& name) {
    loadPictures();
    const QString base = QFileInfo(name).completeBaseName();
    if (base.isEmpty())
        return {};
    for (const char* suffix : {".svg", ".png"}) {
        const QString path = QStringLiteral(":/pictures/") + base + QLatin1String(suffix);
        if (QFile::exists(path))
            return path;
    }
    return {};
}

bool exists(const QString& name) {
    return !resourcePath(name).isEmpty();
}

QIcon icon(const QString& name) {
    const QString path = resourcePath(name);
    // QIcon picks the SVG icon engine by the file's suffix.
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QSize naturalSize(const QString& name) {
    const QString path = resourcePath(name);
    if (path.isEmpty())
        return {};
    if (path.endsWith(QLatin1String(".svg")))
        return QSvgRenderer(path).defaultSize();
    return QImage(path).size();
}

bool paint(QPainter& painter, const QString& name, const QRectF& target) {
    const QString path = resourcePath(name);
    if (path.isEmpty())
        return false;
    if (path.endsWith(QLatin1String(".svg"))) {
        QSvgRenderer renderer(path);
        renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
        renderer.render(&painter, target);
    } else {
        painter.drawImage(target, QImage(path));
    }
    return true;
}

bool apply(QAbstractButton* button, const QString& name) {
    const QIcon picture = icon(name);
    if (picture.isNull())
        return false;
    button->setIcon(picture);
    return true;
}

} // namespace Pictures
