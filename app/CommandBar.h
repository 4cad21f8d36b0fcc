#pragma once

#include <QList>
#include <QWidget>

class QAbstractButton;
class QHBoxLayout;

// The window's row of command buttons. Every button shows its picture and
// its title where the row has room for all the titles; a row too narrow for
// them shows the pictures alone, each title moving to the front of its
// button's tooltip. The row is never narrower than its pictures, so no
// command ever hides behind an overflow arrow.
class CommandBar : public QWidget {
    Q_OBJECT
public:
    explicit CommandBar(QWidget* parent = nullptr);

    // The button's text is its title; a tooltip it has is its description.
    void addButton(QAbstractButton* button);
    void addSeparator();
    void addStretch();
    bool showsTitles() const { return m_titles; }
    // The width of the row with the titles (its minimum size hint is the
    // row with the pictures alone).
    int titledWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Entry {
        QAbstractButton* button = nullptr;
        QString title;
        QString description;
        int titled = 0;
        int compact = 0;
    };
    void measure() const;
    void showTitles(bool titles);

    QHBoxLayout* m_layout;
    mutable QList<Entry> m_entries;
    QList<QWidget*> m_separators;
    mutable int m_titledWidth = 0;
    mutable int m_compactWidth = 0;
    mutable int m_height = 0;
    mutable bool m_measured = false;
    bool m_titles = true;
};
