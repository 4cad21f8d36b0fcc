#pragma once

#include <QFont>
#include <QObject>

class ControllerContext;

// The date stamp drawn on the computer photos, and the font panel that
// chooses its font.
class StampController : public QObject {
    Q_OBJECT
public:
    explicit StampController(ControllerContext& context, QObject* parent = nullptr);

public Q_SLOTS:
    void AddDateOnPhotoAction();
    void ShowFontPanelAction();
    void changeFont(const QFont& font);

private:
    ControllerContext& m_ctx;
};
