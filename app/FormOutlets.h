#pragma once

#include <QList>

class DateTimeField;
class MapWidget;
class QLineEdit;
class QPlainTextEdit;
class RatingField;
class QPushButton;
class QWidget;

// The edit form as its commands see it: the panel, the pane it rests over
// and the photo view holding both, the map that follows the form's position,
// and the fields by the controller's names.
struct FormOutlets {
    QWidget* editView = nullptr;
    QWidget* infoPane = nullptr;
    QWidget* localphotoView = nullptr;
    MapWidget* currentlocalMapView = nullptr;
    QLineEdit *artistlab = nullptr, *copyrightlab = nullptr, *cameraMakelab = nullptr,
              *cameraModelab = nullptr, *commentslab = nullptr, *keywordslab = nullptr,
              *gpsAitlab = nullptr, *gpsLatilab = nullptr, *gpsLongtlab = nullptr,
              *citylab = nullptr, *statelab = nullptr, *countrylab = nullptr,
              *countryCodelab = nullptr, *titlelab = nullptr;
    QPlainTextEdit* imageDescrilab = nullptr; // a description may run over lines
    DateTimeField *cameraDatelab = nullptr, *gpsDatelab = nullptr, *gpsTimelab = nullptr;
    RatingField* ratinglab = nullptr;
    // Fills the four location fields from the form's position.
    QPushButton* fillPlacesBtn = nullptr;

    // In the order of PhotoDisplay's texts (EditFormState compares them so).
    QList<QWidget*> fields() const;
};
