#include "app/PreferencesController.h"

#include "app/AppSettings.h"
#include "app/DateStampFont.h"
#include "app/PreferencesWindow.h"
#include "app/StorageLocation.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>

PreferencesController::PreferencesController(QWidget* window, QSettings& settings,
                                             StorageLocation& storage, DateStampFont& font,
                                             QObject* parent)
    : QObject(parent), m_window(new PreferencesWindow(window)), m_settings(settings),
      m_storage(storage), m_font(font) {}

void PreferencesController::loadPreferences() {
    const AppSettings settings = AppSettings::loadAtLaunch(m_settings);
    m_storage.storagelocation = settings.storagePath;
    m_window->storePathlab->setText(m_storage.storagelocation);
    m_storage.create();
    m_font.currentFontname = AppSettings::availableFontFamily(settings.fontName);
    m_font.currentFontSize = settings.fontSize;
    m_window->showFont(m_font.currentFontname, m_font.currentFontSize, settings.fontName);
    m_font.currentFontColor = Qt::white;
    m_window->setColor(Qt::white);
    m_window->postionBtn->setCurrentText(settings.position);
    m_storage.sidecar = settings.sidecar;
    m_window->sidecarPolicyBox->setCurrentIndex(int(settings.sidecar));
}

void PreferencesController::ShowPreferenceSetting() {
    m_window->show();
}

void PreferencesController::ChangeStoreLocation() {
    auto* panel = new QFileDialog(m_window);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd5(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles().value(0));
    });
    panel->open();
}

void PreferencesController::openPanelDidEnd5(int returnCode, const QString& folder) {
    if (returnCode == 1 && !folder.isEmpty())
        m_window->storePathlab->setText(folder);
}

void PreferencesController::ResetPreferenceSetting() {
    if (m_font.fontPanel)
        m_font.fontPanel->hide();
    m_font.currentFontColor = m_window->color();
    AppSettings settings;
    settings.fontName = m_font.currentFontname;
    settings.fontSize = m_font.currentFontSize;
    settings.position = m_window->postionBtn->currentText();
    settings.storagePath = m_window->storePathlab->text();
    settings.sidecar = SidecarPolicy(m_window->sidecarPolicyBox->currentIndex());
    m_storage.sidecar = settings.sidecar;
    settings.storeConfirmed(m_settings);
    m_storage.storagelocation = settings.storagePath;
    m_storage.create();
    m_window->hide();
}

void PreferencesController::CancelPreferenceSetting() {
    m_window->hide();
}
