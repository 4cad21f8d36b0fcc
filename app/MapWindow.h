#pragma once

#include <QWidget>

class MapWidget;
class QSettings;

// The map window: the current photo's position on demand, beside the main
// window rather than over it, where the user last left it.
class MapWindow : public QWidget {
    Q_OBJECT
public:
    explicit MapWindow(QSettings& settings, QWidget* parent = nullptr);

    // Shown where it was left, or the first time centred on its parent.
    void showPlaced();

    MapWidget* currentMapView;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QSettings& m_settings;
    bool m_placed = false;
};
