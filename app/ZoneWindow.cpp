#include "app/ZoneWindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace {

QComboBox* zoneNames(const QString& name) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds())
        box->addItem(QString::fromLatin1(id));
    box->completer()->setFilterMode(Qt::MatchContains);
    box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    box->setCurrentText(QString::fromLatin1(QTimeZone::systemTimeZoneId()));
    return box;
}

} // namespace

ChangeZoneWindow::ChangeZoneWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("changeZoneWindow"));
    setWindowTitle(tr("Set Time Zone"));

    auto* where = new QGroupBox(tr("Where the photos were taken"));
    fromPositionButton = new QRadioButton(tr("Each photo's own position"));
    fromPositionButton->setObjectName(QStringLiteral("fromPositionButton"));
    fromPositionButton->setToolTip(tr("The zone of the place nearest to the photo's GPS "
                                      "position; photos without one are left as they are"));
    namedZoneButton = new QRadioButton(tr("This zone:"));
    namedZoneButton->setObjectName(QStringLiteral("namedZoneButton"));
    zoneBox = zoneNames(QStringLiteral("zoneBox"));
    auto* named = new QHBoxLayout;
    named->addWidget(namedZoneButton);
    named->addWidget(zoneBox, 1);
    auto* whereLayout = new QVBoxLayout(where);
    whereLayout->addWidget(fromPositionButton);
    whereLayout->addLayout(named);
    fromPositionButton->setChecked(true);

    auto* clock = new QGroupBox(tr("The camera's clock showed"));
    keepWallTimeButton = new QRadioButton(tr("The local time there: only the zone is written"));
    keepWallTimeButton->setObjectName(QStringLiteral("keepWallTimeButton"));
    keepInstantButton = new QRadioButton(tr("Another zone's time, moved to the local time:"));
    keepInstantButton->setObjectName(QStringLiteral("keepInstantButton"));
    keepInstantButton->setToolTip(tr("For a camera left on the time of home while travelling"));
    fromZoneBox = zoneNames(QStringLiteral("fromZoneBox"));
    fromZoneBox->insertItem(0, tr("The zone each photo says"));
    fromZoneBox->setCurrentIndex(0);
    auto* instant = new QHBoxLayout;
    instant->addWidget(keepInstantButton);
    instant->addWidget(fromZoneBox, 1);
    auto* clockLayout = new QVBoxLayout(clock);
    clockLayout->addWidget(keepWallTimeButton);
    clockLayout->addLayout(instant);
    keepWallTimeButton->setChecked(true);

    // The choices of each group exclude each other.
    for (const auto& [a, b] : {std::pair{fromPositionButton, namedZoneButton},
                               std::pair{keepWallTimeButton, keepInstantButton}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(a);
        group->addButton(b);
    }
    const auto follow = [this] {
        zoneBox->setEnabled(namedZoneButton->isChecked());
        fromZoneBox->setEnabled(keepInstantButton->isChecked());
    };
    for (QRadioButton* button : {namedZoneButton, keepInstantButton})
        connect(button, &QRadioButton::toggled, this, follow);
    follow();

    auto* noteLabel =
        new QLabel(tr("Writes the zone offset of every date the photos hold, in EXIF, "
                      "XMP and IPTC alike, summer time included."));
    noteLabel->setObjectName(QStringLiteral("zoneNote"));
    noteLabel->setWordWrap(true);

    saveButton = new QPushButton(tr("Save"));
    saveButton->setObjectName(QStringLiteral("zoneSaveButton"));
    saveButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("zoneCancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(saveButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addWidget(clock);
    layout->addWidget(noteLabel);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setModal(false);
}

QString ChangeZoneWindow::fromZoneText() const {
    return fromZoneBox->currentIndex() == 0 &&
                   fromZoneBox->currentText() == fromZoneBox->itemText(0)
               ? QString()
               : fromZoneBox->currentText().trimmed();
}
