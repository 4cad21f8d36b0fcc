#include "app/MapWindow.h"

#include "app/MapWidget.h"
#include "app/WindowGeometry.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace {
const QString GeometryName = QStringLiteral("mapWindow");
} // namespace

MapWindow::MapWindow(QSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings) {
    setObjectName(QStringLiteral("mapWindow"));
    setWindowTitle(tr("Map"));
    currentMapView = new MapWidget;
    currentMapView->setObjectName(QStringLiteral("currentMapView"));
    currentMapView->setMinimumSize(480, 360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(currentMapView);
    resize(640, 480);
    WindowGeometry::closeWithEscapeAndCtrlW(this);
}

void MapWindow::showPlaced() {
    if (!m_placed) {
        WindowGeometry::restoreWindow(this, m_settings, GeometryName, parentWidget());
        m_placed = true;
    }
    show();
}

void MapWindow::closeEvent(QCloseEvent* event) {
    WindowGeometry::saveWindow(this, m_settings, GeometryName);
    QWidget::closeEvent(event);
}
