#include "app/PreferencesWindow.h"

#include "app/AppSettings.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

PreferencesWindow::PreferencesWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("preferenceWindow"));
    setWindowTitle(tr("Preferences"));
    setModal(false);
    auto* form = new QFormLayout(this);

    storePathlab = new QLabel;
    storePathlab->setObjectName(QStringLiteral("storePathlab"));
    storePathlab->setTextInteractionFlags(Qt::TextSelectableByMouse);
    changeLocationButton = new QPushButton(tr("Choose…"));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(storePathlab, 1);
    pathRow->addWidget(changeLocationButton);
    form->addRow(tr("Storage folder"), pathRow);

    showFontlab = new QLabel;
    showFontlab->setObjectName(QStringLiteral("showFontlab"));
    fontButton = new QPushButton(tr("Font…"));
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(showFontlab, 1);
    fontRow->addWidget(fontButton);
    form->addRow(tr("Date stamp font"), fontRow);

    colorwell = new QPushButton;
    colorwell->setObjectName(QStringLiteral("colorwell"));
    colorwell->setToolTip(tr("Choose the date stamp's colour"));
    colorwell->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setColor(Qt::white);
    connect(colorwell, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_color, this, tr("Date stamp colour"));
        if (chosen.isValid())
            setColor(chosen);
    });
    form->addRow(tr("Date stamp colour"), colorwell);

    postionBtn = new QComboBox;
    postionBtn->setObjectName(QStringLiteral("postionBtn"));
    postionBtn->addItems(AppSettings::cornerTitles());
    postionBtn->setCurrentText(QStringLiteral("Lower left corner"));
    form->addRow(tr("Date stamp corner"), postionBtn);

    sidecarPolicyBox = new QComboBox;
    sidecarPolicyBox->setObjectName(QStringLiteral("sidecarPolicyBox"));
    sidecarPolicyBox->addItems({tr("Never"), tr("Where the photo has one"), tr("Always")});
    sidecarPolicyBox->setCurrentIndex(1);
    sidecarPolicyBox->setToolTip(
        tr("Whether each written photo gets an XMP sidecar file beside it"));
    form->addRow(tr("XMP sidecars"), sidecarPolicyBox);

    confirmButton = new QPushButton(tr("OK"));
    confirmButton->setDefault(true);
    cancelButton = new QPushButton(tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addWidget(confirmButton);
    form->addRow(buttons);
    setMinimumWidth(520);
}

void PreferencesWindow::setColor(const QColor& color) {
    m_color = color;
    // A swatch framed in the text's colour, so that white shows on a white
    // button too, and the colour's code beside it.
    const qreal ratio = devicePixelRatioF();
    const QSize swatch(28, 14);
    QPixmap picture(swatch * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(color);
    QPainter painter(&picture);
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1));
    painter.drawRect(QRectF(0.5, 0.5, swatch.width() - 1, swatch.height() - 1));
    painter.end();
    colorwell->setIconSize(swatch);
    colorwell->setIcon(QIcon(picture));
    colorwell->setText(color.name().toUpper());
}

void PreferencesWindow::showFont(const QString& family, int size, const QString& stored) {
    // The label says, and is drawn in, the font the stamp will use.
    showFontlab->setText(QStringLiteral("%1 %2").arg(family).arg(size));
    QFont shown = showFontlab->font();
    shown.setFamily(family);
    showFontlab->setFont(shown);
    showFontlab->setToolTip(stored.isEmpty() || stored == family
                                ? QString()
                                : tr("%1 is not installed; the stamp uses %2").arg(stored, family));
}
