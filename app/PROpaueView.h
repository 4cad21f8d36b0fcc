#pragma once

#include <QWidget>

// A transparent hole: clears what lies under it in its window rather than
// painting over it.
class PROpaueView : public QWidget {
    Q_OBJECT
public:
    explicit PROpaueView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
