#include "app/CommandBar.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QResizeEvent>

CommandBar::CommandBar(QWidget* parent) : QWidget(parent), m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(6, 4, 6, 4);
    m_layout->setSpacing(4);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CommandBar::addButton(QAbstractButton* button) {
    m_entries.append({button, button->text(), QString(), 0, 0});
    button->setAccessibleName(button->text());
    m_layout->addWidget(button);
    m_measured = false;
}

void CommandBar::addSeparator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    m_separators.append(line);
    m_layout->addWidget(line);
    m_measured = false;
}

void CommandBar::addStretch() {
    m_layout->addStretch(1);
}

// Each button is asked for its size with its title and without, so that the
// row knows both widths before it has to choose; the button is left showing
// what the row shows now.
void CommandBar::measure() const {
    if (m_measured)
        return;
    m_measured = true;
    const QMargins margins = m_layout->contentsMargins();
    const int spacing = m_layout->spacing();
    int titled = margins.left() + margins.right();
    int compact = titled;
    int height = 0;
    int items = 0;
    for (Entry& entry : m_entries) {
        if (entry.description.isEmpty() && entry.titled == 0)
            entry.description = entry.button->toolTip();
        entry.button->setText(entry.title);
        entry.titled = entry.button->sizeHint().width();
        height = std::max(height, entry.button->sizeHint().height());
        entry.button->setText(QString());
        entry.compact = entry.button->sizeHint().width();
        entry.button->setText(m_titles ? entry.title : QString());
        titled += entry.titled;
        compact += entry.compact;
        ++items;
    }
    for (const QWidget* separator : m_separators) {
        const int width = separator->sizeHint().width();
        titled += width;
        compact += width;
        ++items;
    }
    // The spacing between the items, and a little room where the stretch sits.
    const int gaps = std::max(0, items - 1) * spacing + 2 * spacing;
    m_titledWidth = titled + gaps;
    m_compactWidth = compact + gaps;
    m_height = height + margins.top() + margins.bottom();
}

int CommandBar::titledWidth() const {
    measure();
    return m_titledWidth;
}

QSize CommandBar::sizeHint() const {
    measure();
    return {m_titledWidth, m_height};
}

QSize CommandBar::minimumSizeHint() const {
    measure();
    return {m_compactWidth, m_height};
}

void CommandBar::showTitles(bool titles) {
    m_titles = titles;
    for (const Entry& entry : std::as_const(m_entries)) {
        entry.button->setText(titles ? entry.title : QString());
        if (titles)
            entry.button->setToolTip(entry.description);
        else if (entry.description.isEmpty())
            entry.button->setToolTip(entry.title);
        else
            entry.button->setToolTip(entry.title + QLatin1Char('\n') + entry.description);
    }
}

void CommandBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    measure();
    const bool titles = event->size().width() >= m_titledWidth;
    if (titles != m_titles)
        showTitles(titles);
}

void CommandBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_measured = false;
        updateGeometry();
    }
}
