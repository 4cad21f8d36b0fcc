#include "app/GeotagWindow.h"

#include "app/MapWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& title, const QString& name) {
    auto* made = new QPushButton(title);
    made->setObjectName(name);
    // Return in a field must not write photos: no button answers it.
    made->setAutoDefault(false);
    made->setDefault(false);
    return made;
}

QSpinBox* secondsBox(const QString& name, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(0, 7 * 86400);
    box->setValue(value);
    box->setSuffix(QObject::tr(" s"));
    box->setAccelerated(true);
    return box;
}

} // namespace

GeotagWindow::GeotagWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("geotagWindow"));
    setWindowTitle(tr("Geotag from Track"));
    setSizeGripEnabled(true);

    trackList = new QListWidget;
    trackList->setObjectName(QStringLiteral("trackList"));
    trackList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    trackList->setMaximumHeight(fontMetrics().height() * 5);
    addTrackButton = button(tr("Add Track…"), QStringLiteral("addTrackButton"));
    removeTrackButton = button(tr("Remove"), QStringLiteral("removeTrackButton"));

    offsetField = new QLineEdit;
    offsetField->setObjectName(QStringLiteral("offsetField"));
    offsetField->setPlaceholderText(tr("[-]HH:MM:SS, added to the camera's time"));
    syncButton = button(tr("Synchronise…"), QStringLiteral("syncButton"));
    syncButton->setToolTip(tr("Select the photo of the GPS device's screen in the list, then "
                              "type the time it shows"));
    clearSyncButton = button(tr("Clear"), QStringLiteral("clearSyncButton"));
    syncLabel = new QLabel;
    syncLabel->setObjectName(QStringLiteral("syncLabel"));
    syncLabel->setWordWrap(true);

    zoneBox = new QComboBox;
    zoneBox->setObjectName(QStringLiteral("zoneBox"));
    zoneBox->setEditable(true);
    zoneBox->setInsertPolicy(QComboBox::NoInsert);
    zoneBox->addItem(tr("The photo's own, else the system's (%1)")
                         .arg(QString::fromUtf8(QTimeZone::systemTimeZoneId())));
    zoneBox->addItem(QStringLiteral("UTC"));
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) {
        if (id.contains('/'))
            zoneBox->addItem(QString::fromUtf8(id));
    }
    zoneBox->setToolTip(tr("For photos without a zone of their own: +HH:MM or an area and city"));

    maxGapBox = secondsBox(QStringLiteral("maxGapBox"), 1800);
    maxGapBox->setToolTip(tr("Two track points further apart than this are not interpolated "
                             "between"));
    maxExtrapolationBox = secondsBox(QStringLiteral("maxExtrapolationBox"), 0);
    maxExtrapolationBox->setToolTip(tr("A photo this close to a point outside the track takes "
                                       "that point"));
    overwriteBox = new QCheckBox(tr("Replace positions the photos already have"));
    overwriteBox->setObjectName(QStringLiteral("overwriteBox"));
    placesBox = new QCheckBox(tr("Fill in city, state and country from the positions"));
    placesBox->setObjectName(QStringLiteral("placesBox"));
    placesBox->setToolTip(tr("Names the place nearest to each photo's new position, where the "
                             "photo names none yet"));

    trackMapView = new MapWidget;
    trackMapView->setObjectName(QStringLiteral("trackMapView"));
    trackMapView->setMinimumSize(320, 240);

    photoTable = new QTableView;
    photoTable->setObjectName(QStringLiteral("photoTable"));
    photoTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    photoTable->setSelectionMode(QAbstractItemView::SingleSelection);
    photoTable->setAlternatingRowColors(true);
    photoTable->setWordWrap(false);
    photoTable->verticalHeader()->hide();
    photoTable->horizontalHeader()->setStretchLastSection(true);

    summaryLabel = new QLabel;
    summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    summaryLabel->setWordWrap(true);
    applyButton = button(tr("Apply"), QStringLiteral("applyButton"));
    closeButton = button(tr("Close"), QStringLiteral("closeButton"));

    auto* trackButtons = new QVBoxLayout;
    trackButtons->addWidget(addTrackButton);
    trackButtons->addWidget(removeTrackButton);
    trackButtons->addStretch(1);
    auto* tracks = new QHBoxLayout;
    tracks->addWidget(trackList, 1);
    tracks->addLayout(trackButtons);
    auto* offset = new QHBoxLayout;
    offset->addWidget(offsetField, 1);
    offset->addWidget(syncButton);
    offset->addWidget(clearSyncButton);
    auto* form = new QFormLayout;
    form->addRow(tr("Track logs"), tracks);
    form->addRow(tr("Clock offset"), offset);
    form->addRow(QString(), syncLabel);
    form->addRow(tr("Time zone"), zoneBox);
    form->addRow(tr("Largest gap"), maxGapBox);
    form->addRow(tr("Extrapolation"), maxExtrapolationBox);
    form->addRow(QString(), overwriteBox);
    form->addRow(QString(), placesBox);
    auto* settings = new QWidget;
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->setContentsMargins(0, 0, 0, 0);
    settingsLayout->addLayout(form);
    settingsLayout->addStretch(1);

    auto* top = new QSplitter(Qt::Horizontal);
    top->addWidget(settings);
    top->addWidget(trackMapView);
    top->setStretchFactor(1, 1);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(top);
    split->addWidget(photoTable);
    split->setStretchFactor(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(summaryLabel, 1);
    buttons->addWidget(closeButton);
    buttons->addWidget(applyButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
}

QString GeotagWindow::zoneText() const {
    if (zoneBox->currentIndex() == 0 && zoneBox->currentText() == zoneBox->itemText(0))
        return QString();
    return zoneBox->currentText().trimmed();
}
