#pragma once

#include <QWidget>

class QComboBox;
class QDateTimeEdit;

// A date, a time or both as people edit them: the locale's format, a
// calendar to pick the day, and the zone offset beside a date and time. What
// it holds is the stored text ("2008:10:22 16:28:39.52+02:00", the EXIF
// layout), shown in its tooltip. A text it was given comes back unchanged
// until the user changes the value, fraction and zone included, so an
// untouched field writes nothing new; a text that reads as no date stays as
// it is and shows as it stands. Empty, the field shows its placeholder (the
// edit form's "(several values)", say).
class DateTimeField : public QWidget {
    Q_OBJECT

public:
    enum class Part { DateAndTime, Date, Time };
    explicit DateTimeField(Part part = Part::DateAndTime, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void clear() { setText(QString()); }
    QString placeholderText() const { return m_placeholder; }
    void setPlaceholderText(const QString& text);
    // Beside the date and time: the zone offset the text ends in. Off, the
    // text keeps whatever zone it was given.
    void setZoneShown(bool shown);
    // A note in the tooltip above the stored text (why a field is mixed).
    void setNote(const QString& note);
    void selectAll();
    // Shown and not edited: the before dates of a preview photo.
    void setReadOnly(bool readOnly);
    // Where an empty field starts when the user comes to it; now without one.
    void setStartText(const QString& text) { m_start = text; }
    // A stored text in the locale's format, as the field shows it; the text
    // itself where it reads as no date.
    static QString displayText(const QString& text, Part part = Part::DateAndTime);

    QDateTimeEdit* editor() const { return m_edit; }
    QComboBox* zoneBox() const { return m_zone; }

    // The display format for the part in the user's locale, seconds
    // included and the year in full.
    static QString localeFormat(Part part);

Q_SIGNALS:
    // The user changed the value; not sent for setText().
    void textEdited(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void display(const QString& text);
    void showEmpty();
    void userChanged();
    void updateToolTip();
    QString wallText() const;

    Part m_part;
    QDateTimeEdit* m_edit = nullptr;
    QComboBox* m_zone = nullptr;
    QString m_text, m_placeholder, m_note, m_start;
    bool m_filling = false;
    bool m_empty = true; // the editor shows the placeholder, not a value
};
