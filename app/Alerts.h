#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

class QWidget;

// The alerts the commands end in when they cannot go on, all made one way:
// a warning on the window it concerns, gone when closed. Each is announced
// as it comes up, so that whoever watches the window sees what the user saw.
class Alerts : public QObject {
    Q_OBJECT
public:
    // The main window carries the sheets that name no other window.
    explicit Alerts(QWidget* window, QObject* parent = nullptr);

    // An alert ready to open on the window `on`.
    QMessageBox* alert(const QString& text, const QString& informative, QWidget* on);
    // An alert opened at once as a sheet on the window `on`.
    QMessageBox* showSheet(const QString& text, const QString& informative, QWidget* on,
                           QMessageBox::Icon icon = QMessageBox::Warning);
    void showEmptySelectionAlert();
    QWidget* mainWindow() const { return m_window; }
    // Names the field that holds no date, where one is given.
    void showInvalidDateAlert(QWidget* on, const QString& field = QString());
    // Completion of the alert sheets on the main window.
    void savePanelDidEnd3(QMessageBox* alert, int returnCode);

Q_SIGNALS:
    // An alert is up, with its text and informative text.
    void alertShown(const QString& text, const QString& informative);

private:
    QWidget* m_window;
};
