#pragma once

#include <QList>

class MapWidget;
class QLineEdit;
class QPushButton;
class QWidget;

// The edit form as its commands see it: the panel, the pane it rests over
// and the photo view holding both, the map that follows the form's position,
// and the seventeen fields by the controller's names.
struct FormOutlets {
    QWidget* editView = nullptr;
    QWidget* infoPane = nullptr;
    QWidget* localphotoView = nullptr;
    MapWidget* currentlocalMapView = nullptr;
    QLineEdit *artistlab = nullptr, *imageDescrilab = nullptr, *copyrightlab = nullptr,
              *cameraMakelab = nullptr, *cameraModelab = nullptr, *cameraDatelab = nullptr,
              *commentslab = nullptr, *keywordslab = nullptr, *gpsDatelab = nullptr,
              *gpsTimelab = nullptr, *gpsAitlab = nullptr, *gpsLatilab = nullptr,
              *gpsLongtlab = nullptr, *citylab = nullptr, *statelab = nullptr,
              *countrylab = nullptr, *countryCodelab = nullptr;
    // Fills the four location fields from the form's position.
    QPushButton* fillPlacesBtn = nullptr;

    QList<QLineEdit*> fields() const {
        return {artistlab,     imageDescrilab, copyrightlab, cameraMakelab, cameraModelab,
                cameraDatelab, commentslab,    keywordslab,  gpsDatelab,    gpsTimelab,
                gpsAitlab,     gpsLatilab,     gpsLongtlab,  citylab,       statelab,
                countrylab,    countryCodelab};
    }
};
