#include "app/StampController.h"

#include "app/ControllerContext.h"
#include "app/PreferencesWindow.h"
#include "editing/DateStamp.h"

#include <QComboBox>
#include <QFontDialog>
#include <QLabel>

#include <cmath>

StampController::StampController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context) {}

void StampController::AddDateOnPhotoAction() {
    // The stamp works on the computer photos whatever the mode; with nothing
    // selected it only opens the storage folder.
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(SourceMode::Computer);
    StampStyle style;
    style.fontName = m_ctx.state.currentFontname;
    style.fontSize = m_ctx.state.currentFontSize;
    style.color = m_ctx.state.currentFontColor;
    style.corner = stampCornerOfTitle(m_ctx.preferences->postionBtn->currentText());
    MetadataService* metadata = &m_ctx.metadata;
    auto notes = std::make_shared<QStringList>();
    m_ctx.runEditing(
        tr("Stamping dates…"), photos,
        [=, storage = m_ctx.state.storagelocation](const BatchOptions& options) {
            const DateStampReport report = runDateStamp(photos, storage, style, *metadata, options);
            for (const RenamedOutput& renamed : report.renamed)
                *notes << tr("%1: written as JPEG to %2: its own format cannot be written")
                              .arg(renamed.inputPath, renamed.outputPath);
            return report.operation;
        },
        {false, true}, {}, notes);
}

void StampController::ShowFontPanelAction() {
    if (!m_ctx.state.fontPanel) {
        m_ctx.state.fontPanel = new QFontDialog(m_ctx.preferences);
        m_ctx.state.fontPanel->setObjectName(QStringLiteral("fontPanel"));
        m_ctx.state.fontPanel->setWindowTitle(tr("Date stamp font"));
        m_ctx.state.fontPanel->setModal(false);
        connect(m_ctx.state.fontPanel, &QFontDialog::fontSelected, this,
                &StampController::changeFont);
    }
    // Always the default stamp font, whatever was chosen before.
    m_ctx.state.fontPanel->setCurrentFont(QFont(stampFontFamily(StampStyle().fontName), 14));
    m_ctx.state.fontPanel->show();
    m_ctx.state.fontPanel->raise();
    m_ctx.state.fontPanel->activateWindow();
}

void StampController::changeFont(const QFont& font) {
    if (font.family().isEmpty())
        return;
    // A font sized in pixels has no point size: on the stamp's canvas the two are one.
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : qreal(font.pixelSize());
    const int size = int(std::trunc(points));
    if (size < 1)
        return;
    m_ctx.state.currentFontname = font.family();
    m_ctx.state.currentFontSize = size;
    m_ctx.preferences->showFontlab->setText(
        QStringLiteral("%1 %2").arg(m_ctx.state.currentFontname).arg(size));
}
