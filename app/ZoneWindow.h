#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

// The zone where the selected photos were taken, and what their camera's
// clock showed: the local time there (only the offsets are written), or
// another zone's time, which the dates move from.
class ChangeZoneWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangeZoneWindow(QWidget* parent = nullptr);

    QRadioButton* fromPositionButton;
    QRadioButton* namedZoneButton;
    QComboBox* zoneBox; // IANA names, editable
    QRadioButton* keepWallTimeButton;
    QRadioButton* keepInstantButton;
    QComboBox* fromZoneBox; // item 0: each photo's own offset
    QPushButton* saveButton;
    QPushButton* cancelButton;

    // The camera's zone for keep-instant, empty for the first item.
    QString fromZoneText() const;
};
