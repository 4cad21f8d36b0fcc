#include "app/MapWindow.h"

#include "app/MapWidget.h"
#include "app/WindowGeometry.h"

#include <QVBoxLayout>

MapWindow::MapWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
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
