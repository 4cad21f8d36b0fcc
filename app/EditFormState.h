#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QWidget;
struct EditFormFields;

// What the edit form's fields hold besides their texts: whether the user has
// edited each since the form was filled, and whether it stands for values
// that differ across the selected photos. A mixed field shows no text and
// says "(several values)"; with several photos selected, Apply writes only
// the edited fields.
class EditFormState : public QObject {
    Q_OBJECT
public:
    // The fields in the order of their table (formFields()).
    explicit EditFormState(const QList<QWidget*>& fields, QObject* parent = nullptr);

    // The fields have just been filled from one photo (or emptied).
    void filled();
    // The fields compared across the selected photos, each as it shows for
    // one photo: a field whose photos differ becomes mixed, one whose photos
    // agree shows their value. Fields the user has edited meanwhile keep what
    // the user typed.
    void filledFromSeveral(const QList<EditFormFields>& photos);

    bool isEdited(const QWidget* field) const;
    bool isMixed(const QWidget* field) const;
    // A field typed into since the form was filled, or holding a text other
    // than the one it was filled with (a script's or a test's setText).
    QList<QWidget*> editedFields() const;

    static QString mixedText();

Q_SIGNALS:
    void stateChanged();

private:
    struct Field {
        QString placeholder; // the field's own hint, shown while it is not mixed
        QString filledText;
        bool edited = false;
        bool mixed = false;
    };
    void setMixed(QWidget* field, bool mixed);

    QList<QWidget*> m_order;
    QHash<const QWidget*, Field> m_fields;
};
