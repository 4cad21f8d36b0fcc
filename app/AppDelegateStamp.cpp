#include "app/AppDelegate.h"

#include "app/PreferencesWindow.h"
#include "editing/DateStamp.h"

#include <QComboBox>
#include <QFontDialog>
#include <QLabel>

#include <cmath>

void AppDelegate::AddDateOnPhotoAction() {
    // The stamp works on the computer photos whatever the mode; with nothing
    // selected it only opens the storage folder.
    const std::vector<SelectedPhoto> photos = selectedPhotos(SourceMode::Computer);
    StampStyle style;
    style.fontName = currentFontname;
    style.fontSize = currentFontSize;
    style.color = currentFontColor;
    style.corner = stampCornerOfTitle(m_preferences->postionBtn->currentText());
    MetadataService* metadata = &m_metadata;
    auto notes = std::make_shared<QStringList>();
    runEditing(
        tr("Stamping dates…"), photos,
        [=, storage = storagelocation](const BatchOptions& options) {
            const DateStampReport report = runDateStamp(photos, storage, style, *metadata, options);
            for (const RenamedOutput& renamed : report.renamed)
                *notes << tr("%1: written as JPEG to %2: its own format cannot be written")
                              .arg(renamed.inputPath, renamed.outputPath);
            return report.operation;
        },
        {false, true}, {}, notes);
}

void AppDelegate::ShowFontPanelAction() {
    if (!fontPanel) {
        fontPanel = new QFontDialog(m_preferences);
        fontPanel->setObjectName(QStringLiteral("fontPanel"));
        fontPanel->setWindowTitle(tr("Date stamp font"));
        fontPanel->setModal(false);
        connect(fontPanel, &QFontDialog::fontSelected, this, &AppDelegate::changeFont);
    }
    // Always the default stamp font, whatever was chosen before.
    fontPanel->setCurrentFont(QFont(stampFontFamily(StampStyle().fontName), 14));
    fontPanel->show();
    fontPanel->raise();
    fontPanel->activateWindow();
}

void AppDelegate::changeFont(const QFont& font) {
    if (font.family().isEmpty())
        return;
    // A font sized in pixels has no point size: on the stamp's canvas the two are one.
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : qreal(font.pixelSize());
    const int size = int(std::trunc(points));
    if (size < 1)
        return;
    currentFontname = font.family();
    currentFontSize = size;
    m_preferences->showFontlab->setText(QStringLiteral("%1 %2").arg(currentFontname).arg(size));
}
