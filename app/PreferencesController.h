#pragma once

#include <QObject>
#include <QString>

class PreferencesWindow;
class QSettings;
class QWidget;
struct DateStampFont;
struct StorageLocation;

// The preferences: the storage folder and the date stamp's font, colour and
// corner, read from the settings at launch and stored when the preferences
// window is confirmed.
class PreferencesController : public QObject {
    Q_OBJECT
public:
    // Makes the preferences window on the main window.
    PreferencesController(QWidget* window, QSettings& settings, StorageLocation& storage,
                          DateStampFont& font, QObject* parent = nullptr);

    PreferencesWindow* preferenceWindow() const { return m_window; }
    // The storage folder and the stamp's style from the settings.
    void loadPreferences();

public Q_SLOTS:
    void ShowPreferenceSetting();
    void ChangeStoreLocation();
    void ResetPreferenceSetting();
    void CancelPreferenceSetting();
    // Completion of the folder panel (return code 1 is OK).
    void openPanelDidEnd5(int returnCode, const QString& folder);

private:
    PreferencesWindow* m_window;
    QSettings& m_settings;
    StorageLocation& m_storage;
    DateStampFont& m_font;
};
