#pragma once

#include <QString>

#include <functional>

class QObject;
class QWidget;

// The edit form's fields as texts, whichever control edits them: a line, a
// multi-line text, a date and time, the stars.
namespace FormFieldText {

QString text(const QWidget* field);
// As the form fills it from a photo: the user did not type it.
void setText(QWidget* field, const QString& text);
QString placeholder(const QWidget* field);
void setPlaceholder(QWidget* field, const QString& text);
// Why the field shows what it shows; a date keeps its stored text below.
void setNote(QWidget* field, const QString& note);
// Called whenever the user, not the form, changes the field.
void onEdited(QWidget* field, QObject* context, std::function<void()> edited);

} // namespace FormFieldText
