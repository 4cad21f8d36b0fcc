#pragma once

#include <QDialog>

class DateTimeField;
class MapWidget;
class QLineEdit;
class QPushButton;

// The GPS window: the position, altitude, GPS date and time to write, and a
// map to preview the position on. A click or a pin dragged on the map fills
// the latitude and longitude. Modal to the window it belongs to.
class ChangeGPSWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangeGPSWindow(QWidget* parent = nullptr);

    QLineEdit* latitudelab;
    QLineEdit* longtitudelab;
    QLineEdit* altitudelab;
    DateTimeField* dateStamplab; // UTC, as GPS keeps it
    DateTimeField* timeStamplab;
    MapWidget* previewMapView;
    QPushButton* previewButton;
    QPushButton* saveButton;
    QPushButton* cancelButton;

    // The five fields in the order of GpsTexts; FormFieldText reads them.
    QList<QWidget*> fields() const;
    // The field's label, as an alert names it.
    QString fieldName(const QWidget* field) const;
    // Six decimals: a tenth of a metre, finer than a click can aim.
    static QString degreesText(double degrees);

private:
    void takePickedPosition(double latitude, double longitude);
};
