#include "app/EditFormState.h"

#include "app/FormFieldText.h"
#include "editing/FormField.h"

#include <QWidget>

#include <algorithm>

EditFormState::EditFormState(const QList<QWidget*>& fields, QObject* parent)
    : QObject(parent), m_order(fields) {
    for (QWidget* field : fields) {
        m_fields.insert(
            field, {FormFieldText::placeholder(field), FormFieldText::text(field), false, false});
        FormFieldText::onEdited(field, this, [this, field] {
            Field& f = m_fields[field];
            if (!f.edited) {
                f.edited = true;
                setMixed(field, false);
                Q_EMIT stateChanged();
            }
        });
    }
}

QString EditFormState::mixedText() {
    return tr("(several values)");
}

void EditFormState::setMixed(QWidget* field, bool mixed) {
    Field& f = m_fields[field];
    f.mixed = mixed;
    FormFieldText::setPlaceholder(field, mixed ? mixedText() : f.placeholder);
    FormFieldText::setNote(
        field, mixed ? tr("The selected photos differ here; what you type is written "
                          "into all of them, and an untouched field leaves each as it is.")
                     : QString());
}

void EditFormState::filled() {
    for (QWidget* field : std::as_const(m_order)) {
        setMixed(field, false);
        Field& f = m_fields[field];
        f.edited = false;
        f.filledText = FormFieldText::text(field);
    }
    Q_EMIT stateChanged();
}

void EditFormState::filledFromSeveral(const QList<EditFormFields>& photos) {
    if (photos.isEmpty())
        return;
    const QList<FormField>& rows = formFields();
    for (int i = 0; i < m_order.size() && i < rows.size(); ++i) {
        QWidget* field = m_order[i];
        Field& f = m_fields[field];
        if (isEdited(field))
            continue;
        const auto textOf = [&](const EditFormFields& photo) {
            return (photo.*rows[i].edit).value_or(QString());
        };
        const QString first = textOf(photos.first());
        const bool same = std::all_of(photos.cbegin(), photos.cend(),
                                      [&](const EditFormFields& p) { return textOf(p) == first; });
        FormFieldText::setText(field, same ? first : QString());
        f.filledText = FormFieldText::text(field);
        setMixed(field, !same);
    }
    Q_EMIT stateChanged();
}

bool EditFormState::isEdited(const QWidget* field) const {
    const auto it = m_fields.constFind(field);
    return it != m_fields.constEnd() &&
           (it->edited || FormFieldText::text(field) != it->filledText);
}

bool EditFormState::isMixed(const QWidget* field) const {
    const auto it = m_fields.constFind(field);
    return it != m_fields.constEnd() && it->mixed && !isEdited(field);
}

QList<QWidget*> EditFormState::editedFields() const {
    QList<QWidget*> edited;
    for (QWidget* field : m_order) {
        if (isEdited(field))
            edited << field;
    }
    return edited;
}
