#include "app/Alerts.h"

#include <QWidget>

Alerts::Alerts(QWidget* window, QObject* parent) : QObject(parent), m_window(window) {}

QMessageBox* Alerts::alert(const QString& text, const QString& informative, QWidget* on) {
    auto* box = new QMessageBox(on);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Tessaview"));
    box->setText(text);
    box->setInformativeText(informative);
    box->addButton(tr(" Ok "), QMessageBox::AcceptRole);
    Q_EMIT alertShown(text, informative);
    return box;
}

QMessageBox* Alerts::showSheet(const QString& text, const QString& informative, QWidget* on,
                               QMessageBox::Icon icon) {
    QMessageBox* box = alert(text, informative, on);
    box->setIcon(icon);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}

void Alerts::showEmptySelectionAlert() {
    QMessageBox* box = alert(tr("No Item has been selected"),
                             tr("Please select at least one item to process."), m_window);
    box->setWindowModality(Qt::WindowModal); // a sheet on the main window
    connect(box, &QMessageBox::finished, this, [this, box](int result) {
        savePanelDidEnd3(box, result == QMessageBox::AcceptRole ? 1 : 0);
    });
    box->open();
}

void Alerts::savePanelDidEnd3(QMessageBox* box, int returnCode) {
    if (returnCode == 1 && box)
        box->close();
}

void Alerts::showInvalidDateAlert(QWidget* on, const QString& field) {
    QString informative =
        tr("Input the valid date format: YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS");
    if (!field.isEmpty())
        informative += QLatin1Char('\n') + tr("%1 is not a date.").arg(field);
    QMessageBox* box = alert(tr("Invalid date format"), informative, on);
    box->setWindowModality(Qt::ApplicationModal);
    box->open();
}
