#include "app/ChangeGPSWindow.h"

#include "app/DateTimeField.h"
#include "app/MapWidget.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit* gpsField(const QString& name, const QString& placeholder) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    // Wide enough for its hint at any scale.
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(
        std::max(150, metrics.horizontalAdvance(placeholder) + 4 * metrics.averageCharWidth()));
    return field;
}

} // namespace

ChangeGPSWindow::ChangeGPSWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("changeGPSWindow"));
    setWindowTitle(tr("GPS Position"));
    setWindowModality(Qt::WindowModal);
    latitudelab = gpsField(QStringLiteral("latitudelab"), tr("-90 … 90, south negative"));
    longtitudelab = gpsField(QStringLiteral("longtitudelab"), tr("-180 … 180, west negative"));
    altitudelab = gpsField(QStringLiteral("altitudelab"), tr("metres, below sea negative"));
    dateStamplab = new DateTimeField(DateTimeField::Part::Date);
    dateStamplab->setObjectName(QStringLiteral("dateStamplab"));
    timeStamplab = new DateTimeField(DateTimeField::Part::Time);
    timeStamplab->setObjectName(QStringLiteral("timeStamplab"));
    previewMapView = new MapWidget;
    previewMapView->setObjectName(QStringLiteral("previewMapView"));
    previewMapView->setMinimumSize(320, 240);
    previewMapView->setPositionPicking(true);
    previewMapView->setToolTip(tr("Click or drag the pin to set the latitude and longitude"));
    previewButton = new QPushButton(tr("Preview"));
    previewButton->setObjectName(QStringLiteral("previewButton"));
    saveButton = new QPushButton(tr("Save"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Return in a field must not write photos: no button answers it.
    for (QPushButton* button : {previewButton, saveButton, cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* form = new QFormLayout;
    form->addRow(tr("Latitude"), latitudelab);
    form->addRow(tr("Longitude"), longtitudelab);
    form->addRow(tr("Altitude"), altitudelab);
    form->addRow(tr("GPS date"), dateStamplab);
    form->addRow(tr("GPS time (UTC)"), timeStamplab);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addStretch(1);
    left->addWidget(previewButton, 0, Qt::AlignLeft);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(previewMapView);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(previewMapView, &MapWidget::positionPicked, this, &ChangeGPSWindow::takePickedPosition);
}

QList<QWidget*> ChangeGPSWindow::fields() const {
    return {latitudelab, longtitudelab, altitudelab, dateStamplab, timeStamplab};
}

QString ChangeGPSWindow::fieldName(const QWidget* field) const {
    if (field == latitudelab)
        return tr("The latitude");
    if (field == longtitudelab)
        return tr("The longitude");
    if (field == altitudelab)
        return tr("The altitude");
    if (field == dateStamplab)
        return tr("The GPS date");
    return tr("The GPS time");
}

QString ChangeGPSWindow::degreesText(double degrees) {
    return QString::number(degrees, 'f', 6);
}

void ChangeGPSWindow::takePickedPosition(double latitude, double longitude) {
    latitudelab->setText(degreesText(latitude));
    longtitudelab->setText(degreesText(longitude));
}
