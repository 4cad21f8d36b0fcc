#pragma once

#include "editing/ChangePreview.h"

#include <QDialog>

#include <vector>

class ChangePreviewModel;
class QCheckBox;
class QLabel;
class QPushButton;
class QSettings;
class QTreeView;

// Asks before a command writes several photos: what each photo would become,
// key by key, with Confirm and Cancel. "Don't show this again" turns the
// question off; it is stored when the user confirms.
class ChangePreviewWindow : public QDialog {
    Q_OBJECT
public:
    // The settings key, spelled like the others: true (or missing) asks.
    static QString settingsKey() { return QStringLiteral("showChangePreview"); }
    static bool isWanted(const QSettings& settings);

    ChangePreviewWindow(std::vector<PhotoChangePreview> previews, QSettings* settings,
                        QWidget* parent = nullptr);

    ChangePreviewModel* model() const { return m_model; }

    QLabel* summaryLabel;
    QTreeView* changesView;
    QCheckBox* dontShowAgainBox;
    QPushButton* confirmButton;
    QPushButton* cancelButton;

private:
    void confirm();

    ChangePreviewModel* m_model;
    QSettings* m_settings;
};
