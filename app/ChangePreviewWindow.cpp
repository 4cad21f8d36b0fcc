#include "app/ChangePreviewWindow.h"

#include "app/ChangePreviewModel.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTreeView>
#include <QVBoxLayout>

bool ChangePreviewWindow::isWanted(const QSettings& settings) {
    return settings.value(settingsKey(), true).toBool();
}

ChangePreviewWindow::ChangePreviewWindow(std::vector<PhotoChangePreview> previews,
                                         QSettings* settings, QWidget* parent)
    : QDialog(parent), m_model(new ChangePreviewModel(std::move(previews), this)),
      m_settings(settings) {
    setObjectName(QStringLiteral("changePreviewWindow"));
    setWindowTitle(tr("Confirm Changes"));
    setWindowModality(Qt::WindowModal);
    const int photos = int(m_model->previews().size());
    const int skipped = m_model->skippedPhotos();
    // The folder the copies go to: the originals are never written.
    QString folder;
    for (const PhotoChangePreview& preview : m_model->previews()) {
        if (!preview.outputPath.isEmpty()) {
            folder = QFileInfo(preview.outputPath).absolutePath();
            break;
        }
    }
    QString summary =
        folder.isEmpty()
            ? tr("%n photos will be written.", nullptr, photos - skipped)
            : tr("%n photos will be written into %1.", nullptr, photos - skipped).arg(folder);
    if (skipped > 0)
        summary += QLatin1Char(' ') + tr("%n photos will be skipped.", nullptr, skipped);
    summaryLabel = new QLabel(summary);
    summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    summaryLabel->setWordWrap(true);

    changesView = new QTreeView;
    changesView->setObjectName(QStringLiteral("changesView"));
    changesView->setModel(m_model);
    changesView->setUniformRowHeights(true);
    changesView->setAlternatingRowColors(true);
    changesView->header()->resizeSection(ChangePreviewModel::KeyColumn, 240);
    changesView->header()->resizeSection(ChangePreviewModel::OldColumn, 200);
    // A few photos are shown open; a long list starts folded.
    if (photos <= 5)
        changesView->expandAll();

    dontShowAgainBox = new QCheckBox(tr("Don't show this again"));
    dontShowAgainBox->setObjectName(QStringLiteral("dontShowAgainBox"));
    confirmButton = new QPushButton(tr("Confirm"));
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    confirmButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dontShowAgainBox);
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(confirmButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(changesView, 1);
    layout->addLayout(buttons);
    resize(680, 460);

    connect(confirmButton, &QPushButton::clicked, this, &ChangePreviewWindow::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ChangePreviewWindow::confirm() {
    if (m_settings && dontShowAgainBox->isChecked()) {
        m_settings->setValue(settingsKey(), false);
        m_settings->sync();
    }
    accept();
}
