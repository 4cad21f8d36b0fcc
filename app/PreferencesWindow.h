#pragma once

#include <QColor>
#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The preferences window: storage folder, date-stamp font, colour and corner.
class PreferencesWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesWindow(QWidget* parent = nullptr);

    QLabel* storePathlab;
    QLabel* showFontlab;
    QPushButton* colorwell;
    QComboBox* postionBtn;
    QComboBox* sidecarPolicyBox; // in the order of SidecarPolicy
    QPushButton* changeLocationButton;
    QPushButton* fontButton;
    QPushButton* confirmButton;
    QPushButton* cancelButton;

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    // The font the stamp will use, and the stored one where this system lacks it.
    void showFont(const QString& family, int size, const QString& stored = QString());

private:
    QColor m_color = Qt::white;
};
