#pragma once

#include <QFont>
#include <QObject>

class CommandRunner;
class MetadataService;
class PreferencesWindow;
class SourceSelection;
struct DateStampFont;
struct StorageLocation;

// The date stamp drawn on the computer photos, and the font panel that
// chooses its font.
class StampController : public QObject {
    Q_OBJECT
public:
    // The corner and the font's label are the preferences window's; the font
    // panel opens over it.
    StampController(PreferencesWindow* preferences, DateStampFont& font, SourceSelection& selection,
                    CommandRunner& runner, MetadataService& metadata,
                    const StorageLocation& storage, QObject* parent = nullptr);

public Q_SLOTS:
    void AddDateOnPhotoAction();
    void ShowFontPanelAction();
    void changeFont(const QFont& font);

private:
    PreferencesWindow* m_preferences;
    DateStampFont& m_font;
    SourceSelection& m_selection;
    CommandRunner& m_runner;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
};
