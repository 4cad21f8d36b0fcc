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
// and the fields, all of them in the order of their table (formFields() in
// editing/FormField.h), and by the controller's names.
struct FormOutlets {
    QWidget* editView = nullptr;
    QWidget* infoPane = nullptr;
    QWidget* localphotoView = nullptr;
    MapWidget* currentlocalMapView = nullptr;
    QList<QWidget*> fieldWidgets; // one for each row of the table
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

    QList<QWidget*> fields() const { return fieldWidgets; }

    // Each named outlet with the name its table row gives the widget; the
    // form's builder sets the outlet of the row it has made a widget for.
    template <class Visit> void forEachOutlet(Visit&& visit) {
        visit("artistlab", artistlab);
        visit("imageDescrilab", imageDescrilab);
        visit("copyrightlab", copyrightlab);
        visit("cameraMakelab", cameraMakelab);
        visit("cameraModelab", cameraModelab);
        visit("cameraDatelab", cameraDatelab);
        visit("commentslab", commentslab);
        visit("keywordslab", keywordslab);
        visit("gpsLatilab", gpsLatilab);
        visit("gpsLongtlab", gpsLongtlab);
        visit("gpsAitlab", gpsAitlab);
        visit("gpsDatelab", gpsDatelab);
        visit("gpsTimelab", gpsTimelab);
        visit("citylab", citylab);
        visit("statelab", statelab);
        visit("countrylab", countrylab);
        visit("countryCodelab", countryCodelab);
        visit("titlelab", titlelab);
        visit("ratinglab", ratinglab);
    }
};
