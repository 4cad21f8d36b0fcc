#include "app/DateTimeField.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

// The value an empty field rests at: its placeholder shows instead. No
// photo is that old, and a time alone is kept on another day.
const QDateTime emptyValue(QDate(1000, 1, 1), QTime(0, 0), QTimeZone::utc());
const QDate dayOfATime(2000, 1, 1);

// The offsets people's clocks keep, west to east.
const char* const offsets[] = {"-12:00", "-11:00", "-10:00", "-09:30", "-09:00", "-08:00", "-07:00",
                               "-06:00", "-05:00", "-04:00", "-03:30", "-03:00", "-02:00", "-01:00",
                               "+00:00", "+01:00", "+02:00", "+03:00", "+03:30", "+04:00", "+04:30",
                               "+05:00", "+05:30", "+05:45", "+06:00", "+06:30", "+07:00", "+08:00",
                               "+08:45", "+09:00", "+09:30", "+10:00", "+10:30", "+11:00", "+12:00",
                               "+12:45", "+13:00", "+14:00"};

struct Parsed {
    QDateTime value;
    QString zone; // "+02:00", empty without one
};

// The stored text as a wall time, its zone apart; an invalid value where it
// reads as no date of the part.
Parsed parse(const QString& text, DateTimeField::Part part) {
    static const QRegularExpression both(
        QStringLiteral("^\\s*(\\d{4})[:-](\\d{2})[:-](\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})"
                       "(?:[.,]\\d+)?\\s*(Z|[+-]\\d{2}:?\\d{2})?\\s*$"));
    static const QRegularExpression date(
        QStringLiteral("^\\s*(\\d{4})[:-](\\d{2})[:-](\\d{2})\\s*$"));
    static const QRegularExpression time(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{2}):(\\d{2})(?:[.,]\\d+)?\\s*$"));
    Parsed out;
    const auto n = [](const QRegularExpressionMatch& m, int i) { return m.captured(i).toInt(); };
    if (part == DateTimeField::Part::Time) {
        const auto m = time.match(text);
        if (m.hasMatch())
            out.value = QDateTime(dayOfATime, QTime(n(m, 1), n(m, 2), n(m, 3)), QTimeZone::utc());
        return out;
    }
    const auto m = (part == DateTimeField::Part::Date ? date : both).match(text);
    if (!m.hasMatch())
        return out;
    const QDate day(n(m, 1), n(m, 2), n(m, 3));
    const QTime clock =
        part == DateTimeField::Part::Date ? QTime(0, 0) : QTime(n(m, 4), n(m, 5), n(m, 6));
    if (!day.isValid() || !clock.isValid() || day <= emptyValue.date())
        return out;
    out.value = QDateTime(day, clock, QTimeZone::utc());
    QString zone = m.captured(7);
    if (zone == QLatin1String("Z"))
        zone = QStringLiteral("+00:00");
    else if (zone.size() == 5)
        zone.insert(3, QLatin1Char(':'));
    out.zone = zone;
    return out;
}

} // namespace

QString DateTimeField::localeFormat(Part part) {
    const QLocale locale;
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    // The long time has the seconds a photo's clock keeps; the zone has its
    // own box.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    QString time = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    if (!time.contains(QLatin1Char('s')))
        time = QStringLiteral("HH:mm:ss");
    switch (part) {
    case Part::Date:
        return date;
    case Part::Time:
        return time;
    case Part::DateAndTime:
        break;
    }
    return date + QLatin1Char(' ') + time;
}

DateTimeField::DateTimeField(Part part, QWidget* parent) : QWidget(parent), m_part(part) {
    m_edit = new QDateTimeEdit;
    m_edit->setObjectName(QStringLiteral("dateTimeEditor"));
    // A wall time: no day of the user's own zone may refuse a photo's clock.
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    m_edit->setTimeZone(QTimeZone::utc());
#else
    m_edit->setTimeSpec(Qt::UTC);
#endif
    m_edit->setMinimumDateTime(emptyValue);
    m_edit->setDisplayFormat(localeFormat(part));
    m_edit->setCalendarPopup(part != Part::Time);
    m_edit->installEventFilter(this);
    m_zone = new QComboBox;
    m_zone->setObjectName(QStringLiteral("zoneBox"));
    m_zone->addItem(tr("no zone"), QString());
    for (const char* offset : offsets)
        m_zone->addItem(QStringLiteral("UTC%1").arg(QLatin1String(offset)),
                        QString::fromLatin1(offset));
    m_zone->setToolTip(tr("The zone the clock kept, as its offset from UTC"));
    m_zone->setVisible(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_zone);
    setFocusProxy(m_edit);
    setZoneShown(part == Part::DateAndTime);
    connect(m_edit, &QDateTimeEdit::dateTimeChanged, this, &DateTimeField::userChanged);
    connect(m_zone, &QComboBox::activated, this, [this] {
        if (!m_empty)
            userChanged();
    });
    showEmpty();
}

void DateTimeField::setZoneShown(bool shown) {
    m_zone->setVisible(shown && m_part == Part::DateAndTime);
}

void DateTimeField::setText(const QString& text) {
    m_text = text;
    display(text);
    updateToolTip();
}

void DateTimeField::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    if (m_empty)
        display(m_text);
}

void DateTimeField::setNote(const QString& note) {
    m_note = note;
    updateToolTip();
}

void DateTimeField::selectAll() {
    m_edit->setFocus();
    m_edit->selectAll();
}

void DateTimeField::setReadOnly(bool readOnly) {
    m_edit->setReadOnly(readOnly);
    // A date only shown offers no calendar to pick from.
    m_edit->setCalendarPopup(!readOnly && m_part != Part::Time);
    m_edit->setButtonSymbols(readOnly ? QAbstractSpinBox::NoButtons
                                      : QAbstractSpinBox::UpDownArrows);
    m_zone->setEnabled(!readOnly);
}

QString DateTimeField::displayText(const QString& text, Part part) {
    const Parsed parsed = parse(text, part);
    if (!parsed.value.isValid())
        return text;
    const QString shown = QLocale().toString(parsed.value, localeFormat(part));
    return parsed.zone.isEmpty() ? shown : shown + QStringLiteral(" UTC") + parsed.zone;
}

void DateTimeField::display(const QString& text) {
    const Parsed parsed = parse(text, m_part);
    m_filling = true;
    if (parsed.value.isValid()) {
        m_empty = false;
        m_edit->setPalette(QPalette());
        m_edit->setDateTime(parsed.value);
        int zone = m_zone->findData(parsed.zone);
        if (zone < 0) { // an offset of its own: kept as it is
            m_zone->addItem(QStringLiteral("UTC%1").arg(parsed.zone), parsed.zone);
            zone = m_zone->count() - 1;
        }
        m_zone->setCurrentIndex(zone);
    } else {
        showEmpty();
    }
    m_filling = false;
}

// An unreadable text shows as it stands, where the placeholder would be.
void DateTimeField::showEmpty() {
    const bool filling = m_filling;
    m_filling = true;
    m_empty = true;
    const QString shown = m_text.isEmpty() ? m_placeholder : m_text;
    // A blank, as an empty special text would show the value instead.
    m_edit->setSpecialValueText(shown.isEmpty() ? QStringLiteral(" ") : shown);
    // A placeholder reads as one, in the desktop's hint colour; a text that
    // is no date is the field's value and reads as text.
    QPalette hint;
    if (m_text.isEmpty())
        hint.setColor(QPalette::Text, palette().color(QPalette::PlaceholderText));
    m_edit->setPalette(hint);
    m_edit->setDateTime(emptyValue);
    m_zone->setCurrentIndex(0);
    m_filling = filling;
}

QString DateTimeField::wallText() const {
    const QDateTime value = m_edit->dateTime();
    switch (m_part) {
    case Part::Date:
        return value.toString(QStringLiteral("yyyy:MM:dd"));
    case Part::Time:
        return value.toString(QStringLiteral("HH:mm:ss"));
    case Part::DateAndTime:
        break;
    }
    return value.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

void DateTimeField::userChanged() {
    if (m_filling || m_edit->dateTime() <= emptyValue)
        return;
    m_empty = false;
    QString text = wallText();
    if (m_part == Part::DateAndTime) {
        // A hidden box keeps the zone the text was given.
        const QString zone = m_zone->isVisibleTo(this) ? m_zone->currentData().toString()
                                                       : parse(m_text, m_part).zone;
        text += zone;
    }
    if (text == m_text)
        return;
    m_text = text;
    updateToolTip();
    Q_EMIT textEdited(m_text);
}

void DateTimeField::updateToolTip() {
    QStringList lines;
    if (!m_note.isEmpty())
        lines << m_note;
    if (!m_text.isEmpty())
        lines << tr("Stored as \u201c%1\u201d").arg(m_text);
    m_edit->setToolTip(lines.join(QLatin1Char('\n')));
}

// An empty field starts from its start text, else from now, at the user's
// first keystroke or click in it (the calendar's button too), and shows its
// placeholder again when left unchanged. Only coming to it by Tab shows no
// value that is not there.
bool DateTimeField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit || !m_empty || m_edit->isReadOnly())
        return QWidget::eventFilter(watched, event);
    bool begins = event->type() == QEvent::MouseButtonPress;
    if (event->type() == QEvent::KeyPress) {
        static const QList<int> passing = {Qt::Key_Tab,     Qt::Key_Backtab, Qt::Key_Escape,
                                           Qt::Key_Return,  Qt::Key_Enter,   Qt::Key_Shift,
                                           Qt::Key_Control, Qt::Key_Alt,     Qt::Key_Meta};
        begins = !passing.contains(static_cast<QKeyEvent*>(event)->key());
    }
    if (begins && m_edit->dateTime() <= emptyValue) {
        m_filling = true;
        const Parsed start = parse(m_start, m_part);
        QDateTime now = QDateTime::currentDateTime();
        now.setTime(QTime(now.time().hour(), now.time().minute()));
        m_edit->setPalette(QPalette());
        m_edit->setDateTime(start.value.isValid() ? start.value
                            : m_part == Part::Time
                                ? QDateTime(dayOfATime, now.time(), QTimeZone::utc())
                                : QDateTime(now.date(), now.time(), QTimeZone::utc()));
        m_filling = false;
    } else if (event->type() == QEvent::FocusOut) {
        display(m_text);
    }
    return QWidget::eventFilter(watched, event);
}
