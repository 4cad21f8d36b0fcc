#include "app/FormFieldText.h"

#include "app/DateTimeField.h"
#include "app/RatingField.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace FormFieldText {

namespace {

// Set while the form fills a multi-line text, whose change signal does not
// tell the user's typing from the form's.
const char* const filling = "tessaviewFilling";

} // namespace

QString text(const QWidget* field) {
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->text();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(field))
        return plain->toPlainText();
    if (const auto* date = qobject_cast<const DateTimeField*>(field))
        return date->text();
    if (const auto* rating = qobject_cast<const RatingField*>(field))
        return rating->text();
    return QString();
}

void setText(QWidget* field, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        if (plain->toPlainText() == text)
            return;
        plain->setProperty(filling, true);
        plain->setPlainText(text);
        plain->setProperty(filling, false);
    } else if (auto* date = qobject_cast<DateTimeField*>(field)) {
        date->setText(text);
    } else if (auto* rating = qobject_cast<RatingField*>(field)) {
        rating->setText(text);
    }
}

QString placeholder(const QWidget* field) {
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->placeholderText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(field))
        return plain->placeholderText();
    if (const auto* date = qobject_cast<const DateTimeField*>(field))
        return date->placeholderText();
    if (const auto* rating = qobject_cast<const RatingField*>(field))
        return rating->placeholderText();
    return QString();
}

void setPlaceholder(QWidget* field, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->setPlaceholderText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(field))
        plain->setPlaceholderText(text);
    else if (auto* date = qobject_cast<DateTimeField*>(field))
        date->setPlaceholderText(text);
    else if (auto* rating = qobject_cast<RatingField*>(field))
        rating->setPlaceholderText(text);
}

void setNote(QWidget* field, const QString& note) {
    if (auto* date = qobject_cast<DateTimeField*>(field))
        date->setNote(note);
    else
        field->setToolTip(note);
}

void onEdited(QWidget* field, QObject* context, std::function<void()> edited) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        QObject::connect(line, &QLineEdit::textEdited, context, edited);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        QObject::connect(plain, &QPlainTextEdit::textChanged, context, [plain, edited] {
            if (!plain->property(filling).toBool())
                edited();
        });
    } else if (auto* date = qobject_cast<DateTimeField*>(field)) {
        QObject::connect(date, &DateTimeField::textEdited, context, edited);
    } else if (auto* rating = qobject_cast<RatingField*>(field)) {
        QObject::connect(rating, &RatingField::textEdited, context, edited);
    }
}

} // namespace FormFieldText
