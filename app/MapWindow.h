#pragma once

#include <QWidget>

class MapWidget;

// The map window: the current photo's position on demand, beside the main
// window rather than over it.
class MapWindow : public QWidget {
    Q_OBJECT
public:
    explicit MapWindow(QWidget* parent = nullptr);

    MapWidget* currentMapView;
};
