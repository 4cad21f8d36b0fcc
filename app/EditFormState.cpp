#include "app/EditFormState.h"

#include "app/FormFieldText.h"
#include "metadata/PhotoDisplay.h"

#include <QWidget>

#include <optional>

namespace {

// The form's fields in formFields() order, as a photo fills them.
QList<std::optional<QString>> formTexts(const PhotoDisplay& d) {
    return {d.artistlab,     d.imageDescrilab, d.copyrightlab, d.cameraMakelab, d.cameraModelab,
            d.cameraDatelab, d.commentslab,    d.keywordslab,  d.gpsDatelab,    d.gpsTimelab,
            d.gpsAitlab,     d.gpsLatilab,     d.gpsLongtlab,  d.citylab,       d.statelab,
            d.countrylab,    d.countryCodelab, d.titlelab,     d.ratinglab};
}

} // namespace

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

void EditFormState::filledFromSeveral(const QList<PhotoDisplay>& photos) {
    if (photos.isEmpty())
        return;
    QList<QList<std::optional<QString>>> texts;
    for (const PhotoDisplay& photo : photos)
        texts << formTexts(photo);
    for (int i = 0; i < m_order.size(); ++i) {
        QWidget* field = m_order[i];
        Field& f = m_fields[field];
        if (isEdited(field))
            continue;
        bool same = true;
        for (const auto& photo : std::as_const(texts))
            same =
                same && photo.value(i).value_or(QString()) == texts[0].value(i).value_or(QString());
        FormFieldText::setText(field, same ? texts[0].value(i).value_or(QString()) : QString());
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

QList<QWidget*> EditFormState::mixedFields() const {
    QList<QWidget*> mixed;
    for (QWidget* field : m_order) {
        if (isMixed(field))
            mixed << field;
    }
    return mixed;
}
