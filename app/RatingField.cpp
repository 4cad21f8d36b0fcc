#include "app/RatingField.h"

RatingField::RatingField(QWidget* parent) : QComboBox(parent) {
    for (int stars = 0; stars <= 5; ++stars)
        addItem(starsText(stars), stars);
    setItemData(0, tr("No stars"), Qt::ToolTipRole);
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString text = QString::number(index);
        if (text == m_text)
            return;
        m_text = text;
        Q_EMIT textEdited(m_text);
    });
}

QString RatingField::starsText(int stars) {
    return QString(stars, QChar(0x2605)) + QString(5 - stars, QChar(0x2606));
}

void RatingField::setText(const QString& text) {
    m_text = text;
    bool number = false;
    const int stars = text.trimmed().toInt(&number);
    setCurrentIndex(number && stars >= 0 && stars <= 5 ? stars : -1);
    updatePlaceholder();
}

void RatingField::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    updatePlaceholder();
}

// A rating the list has no stars for (a rejected photo) is named instead.
void RatingField::updatePlaceholder() {
    QComboBox::setPlaceholderText(
        currentIndex() < 0 && !m_text.isEmpty() ? tr("rated %1").arg(m_text) : m_placeholder);
}
