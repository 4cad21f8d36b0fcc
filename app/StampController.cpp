#include "app/StampController.h"

#include "app/CommandRunner.h"
#include "app/DateStampFont.h"
#include "app/PreferencesWindow.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/DateStamp.h"

#include <QComboBox>
#include <QFontDialog>
#include <QLabel>

#include <cmath>

StampController::StampController(PreferencesWindow* preferences, DateStampFont& font,
                                 SourceSelection& selection, CommandRunner& runner,
                                 MetadataService& metadata, const StorageLocation& storage,
                                 QObject* parent)
    : QObject(parent), m_preferences(preferences), m_font(font), m_selection(selection),
      m_runner(runner), m_metadata(metadata), m_storage(storage) {}

void StampController::AddDateOnPhotoAction() {
    // The stamp works on the computer photos whatever the mode; with nothing
    // selected it only opens the storage folder.
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(SourceMode::Computer);
    StampStyle style;
    style.fontName = m_font.currentFontname;
    style.fontSize = m_font.currentFontSize;
    style.color = m_font.currentFontColor;
    style.corner = stampCornerOfTitle(m_preferences->postionBtn->currentText());
    MetadataService* metadata = &m_metadata;
    m_runner.runEditing(tr("Stamping dates…"), photos,
                        [=, storage = m_storage.storagelocation](const BatchOptions& options) {
                            return runDateStamp(photos, storage, style, *metadata, options);
                        },
                        {false, true});
}

void StampController::ShowFontPanelAction() {
    if (!m_font.fontPanel) {
        m_font.fontPanel = new QFontDialog(m_preferences);
        m_font.fontPanel->setObjectName(QStringLiteral("fontPanel"));
        m_font.fontPanel->setWindowTitle(tr("Date stamp font"));
        m_font.fontPanel->setModal(false);
        connect(m_font.fontPanel, &QFontDialog::fontSelected, this, &StampController::changeFont);
    }
    // Always the default stamp font, whatever was chosen before.
    m_font.fontPanel->setCurrentFont(QFont(stampFontFamily(StampStyle().fontName), 14));
    m_font.fontPanel->show();
    m_font.fontPanel->raise();
    m_font.fontPanel->activateWindow();
}

void StampController::changeFont(const QFont& font) {
    if (font.family().isEmpty())
        return;
    // A font sized in pixels has no point size: on the stamp's canvas the two are one.
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : qreal(font.pixelSize());
    const int size = int(std::trunc(points));
    if (size < 1)
        return;
    m_font.currentFontname = font.family();
    m_font.currentFontSize = size;
    m_preferences->showFont(m_font.currentFontname, size);
}
