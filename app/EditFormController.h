#pragma once

#include <QObject>

class ChangeConfirmation;
class ControllerContext;
class QLineEdit;

// The edit form: thirteen fields written together into every selected photo,
// the panel that slides in to hold them, and the form's map, which follows
// the form's position whenever the user begins to edit a field.
class EditFormController : public QObject {
    Q_OBJECT
public:
    explicit EditFormController(ControllerContext& context, QObject* parent = nullptr);

    ChangeConfirmation* confirmation() const { return m_confirmation; }

public Q_SLOTS:
    void StartEditViewAction();
    void HideEditViewAction();
    void ClickApplyChangeAction();

protected:
    // A form field taking the focus is where editing begins.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textShouldBeginEditing(QLineEdit* field);

    ControllerContext& m_ctx;
    ChangeConfirmation* m_confirmation = nullptr;
};
