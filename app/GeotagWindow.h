#pragma once

#include <QDialog>

class MapWidget;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;

// The geotagging window: the track logs, how the photos' clocks meet GPS
// time, the track and the photos' pins on a map, and each photo's match.
class GeotagWindow : public QDialog {
    Q_OBJECT
public:
    explicit GeotagWindow(QWidget* parent = nullptr);

    QListWidget* trackList;
    QPushButton* addTrackButton;
    QPushButton* removeTrackButton;
    QLineEdit* offsetField;
    QPushButton* syncButton;
    QPushButton* clearSyncButton;
    QLabel* syncLabel;
    QComboBox* zoneBox; // item 0: each photo's own zone, else the system's
    QSpinBox* maxGapBox;
    QSpinBox* maxExtrapolationBox;
    QCheckBox* overwriteBox;
    QCheckBox* placesBox; // the placed photos' city, state and country too
    MapWidget* trackMapView;
    QTableView* photoTable;
    QLabel* summaryLabel;
    QPushButton* applyButton;
    QPushButton* closeButton;

    // The zone box's text, empty for its first item.
    QString zoneText() const;
};
