#pragma once

#include <QComboBox>

// A photo's stars, none to five, picked from a list. It holds the text the
// photo has ("3"; "-1" where it was rejected) and gives it back unchanged
// until the user picks, so an untouched field writes nothing new. With no
// stars given it shows its placeholder.
class RatingField : public QComboBox {
    Q_OBJECT

public:
    explicit RatingField(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void clear() { setText(QString()); } // the stars, not the list
    void setPlaceholderText(const QString& text);
    QString placeholderText() const { return m_placeholder; }

    // "★★★☆☆" for 3.
    static QString starsText(int stars);

Q_SIGNALS:
    void textEdited(const QString& text);

private:
    void updatePlaceholder();

    QString m_text, m_placeholder;
};
