#pragma once

#include <QProgressBar>
#include <QRectF>

#include <optional>

// A rounded progress bar: a grey bezel with a faint highlight along its top
// edge and a light gradient bar that fills the given fraction. It is a
// QProgressBar so that progress dialogs can carry it; their integer value is
// turned into the fraction.
class PRProgressView : public QProgressBar {
    Q_OBJECT
public:
    explicit PRProgressView(QWidget* parent = nullptr);

    // The filled fraction: shown when it is not above 1 and not 0. Until it
    // is set, the fraction follows the bar's value within its range.
    void setProgressValue(float value);
    float progressValue() const;

    // The bar in the view's own coordinates, whose y axis grows upwards from
    // the bottom edge; nothing when only the bezel shows.
    static std::optional<QRectF> barRect(const QSizeF& size, float value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawBezel(QPainter& painter) const;
    std::optional<float> m_value;
};
