#pragma once

#include <QStringList>
#include <QTranslator>

// The English forms by count of the window's own counted texts. Their
// sources name the plural (tr("%n photos written", nullptr, n)); without a
// translation Qt shows that text whatever the count, so this translator,
// installed first, gives the singular of each for a count of one. A real
// translation installed later answers before it.
class EnglishPlurals : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }

    // The counted sources it gives a singular for.
    static QStringList counted();
};
