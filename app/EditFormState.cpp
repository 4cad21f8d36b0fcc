#include "app/EditFormState.h"

#include "metadata/PhotoDisplay.h"

#include <QLineEdit>

#include <optional>

namespace {

// The form's fields in formFields() order, as a photo fills them.
QList<std::optional<QString>> formTexts(const PhotoDisplay& d) {
    return {d.artistlab,     d.imageDescrilab, d.copyrightlab, d.cameraMakelab, d.cameraModelab,
            d.cameraDatelab, d.commentslab,    d.keywordslab,  d.gpsDatelab,    d.gpsTimelab,
            d.gpsAitlab,     d.gpsLatilab,     d.gpsLongtlab,  d.citylab,       d.statelab,
            d.countrylab,    d.countryCodelab};
}

} // namespace

EditFormState::EditFormState(const QList<QLineEdit*>& fields, QObject* parent)
    : QObject(parent), m_order(fields) {
    for (QLineEdit* field : fields) {
        m_fields.insert(field, {field->placeholderText(), field->text(), false, false});
        connect(field, &QLineEdit::textEdited, this, [this, field] {
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

void EditFormState::setMixed(QLineEdit* field, bool mixed) {
    Field& f = m_fields[field];
    f.mixed = mixed;
    field->setPlaceholderText(mixed ? mixedText() : f.placeholder);
    field->setToolTip(mixed ? tr("The selected photos differ here; what you type is written "
                                 "into all of them, and an untouched field leaves each as it is.")
                            : QString());
}

void EditFormState::filled() {
    for (QLineEdit* field : std::as_const(m_order)) {
        setMixed(field, false);
        Field& f = m_fields[field];
        f.edited = false;
        f.filledText = field->text();
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
        QLineEdit* field = m_order[i];
        Field& f = m_fields[field];
        if (isEdited(field))
            continue;
        bool same = true;
        for (const auto& photo : std::as_const(texts))
            same =
                same && photo.value(i).value_or(QString()) == texts[0].value(i).value_or(QString());
        field->setText(same ? texts[0].value(i).value_or(QString()) : QString());
        field->setCursorPosition(0);
        f.filledText = field->text();
        setMixed(field, !same);
    }
    Q_EMIT stateChanged();
}

bool EditFormState::isEdited(const QLineEdit* field) const {
    const auto it = m_fields.constFind(field);
    return it != m_fields.constEnd() && (it->edited || field->text() != it->filledText);
}

bool EditFormState::isMixed(const QLineEdit* field) const {
    const auto it = m_fields.constFind(field);
    return it != m_fields.constEnd() && it->mixed && !isEdited(field);
}

QList<QLineEdit*> EditFormState::editedFields() const {
    QList<QLineEdit*> edited;
    for (QLineEdit* field : m_order) {
        if (isEdited(field))
            edited << field;
    }
    return edited;
}

QList<QLineEdit*> EditFormState::mixedFields() const {
    QList<QLineEdit*> mixed;
    for (QLineEdit* field : m_order) {
        if (isMixed(field))
            mixed << field;
    }
    return mixed;
}
