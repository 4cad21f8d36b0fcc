#include "app/EditViewLayout.h"

#include "app/DateTimeField.h"
#include "app/EditFormState.h"
#include "app/MainWindowLayout.h"
#include "app/MapWidget.h"
#include "app/RatingField.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QLineEdit* formField(const QString& name, const QString& placeholder = QString()) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    // Room for its hint and for the mixed state's, whichever is longer.
    const QFontMetrics metrics(edit->font());
    const int hint = std::max(metrics.horizontalAdvance(placeholder),
                              metrics.horizontalAdvance(EditFormState::mixedText()));
    edit->setMinimumWidth(hint + 3 * metrics.averageCharWidth());
    return edit;
}

// Three lines high, growing no further: the form scrolls, not the text.
QPlainTextEdit* descriptionField() {
    auto* edit = new QPlainTextEdit;
    edit->setTabChangesFocus(true);
    const QFontMetrics metrics(edit->font());
    edit->setFixedHeight(3 * metrics.lineSpacing() + 2 * edit->frameWidth() +
                         int(2 * edit->document()->documentMargin()));
    edit->setMinimumWidth(metrics.horizontalAdvance(EditFormState::mixedText()) +
                          3 * metrics.averageCharWidth());
    return edit;
}

PRButton* formButton(const QString& title, const QString& name, const QString& picture) {
    auto* b = new PRButton(title);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setPicture(picture);
    return b;
}

} // namespace

void buildEditView(MainWindowOutlets& o) {
    auto* panel = new QFrame(o.localphotoView);
    panel->setObjectName(QStringLiteral("editView"));
    panel->setFrameShape(QFrame::StyledPanel);
    // Opaque in the desktop's own colours: it covers the summary and the tree.
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Window);
    o.editView = panel;

    const struct {
        QString label;
        QLineEdit** outlet;
        QString name;
        QString placeholder;
    } rows[] = {
        {QObject::tr("Artist"), &o.artistlab, QStringLiteral("artistlab"), {}},
        {QObject::tr("Description"), nullptr, QStringLiteral("imageDescrilab"), {}},
        {QObject::tr("Copyright"), &o.copyrightlab, QStringLiteral("copyrightlab"), {}},
        {QObject::tr("Make"), &o.cameraMakelab, QStringLiteral("cameraMakelab"), {}},
        {QObject::tr("Model"), &o.cameraModelab, QStringLiteral("cameraModelab"), {}},
        {QObject::tr("Date"), nullptr, QStringLiteral("cameraDatelab"), {}},
        {QObject::tr("Comment"), &o.commentslab, QStringLiteral("commentslab"), {}},
        {QObject::tr("Keywords"), &o.keywordslab, QStringLiteral("keywordslab"),
         QObject::tr("one, two, three")},
        {QObject::tr("Latitude"), &o.gpsLatilab, QStringLiteral("gpsLatilab"),
         QObject::tr("south negative")},
        {QObject::tr("Longitude"), &o.gpsLongtlab, QStringLiteral("gpsLongtlab"),
         QObject::tr("west negative")},
        {QObject::tr("Altitude"), &o.gpsAitlab, QStringLiteral("gpsAitlab"), QObject::tr("metres")},
        {QObject::tr("GPS date"), nullptr, QStringLiteral("gpsDatelab"), {}},
        {QObject::tr("GPS time (UTC)"), nullptr, QStringLiteral("gpsTimelab"), {}},
        {QObject::tr("City"), &o.citylab, QStringLiteral("citylab"), {}},
        {QObject::tr("State"), &o.statelab, QStringLiteral("statelab"), QObject::tr("or province")},
        {QObject::tr("Country"), &o.countrylab, QStringLiteral("countrylab"), {}},
        {QObject::tr("Country code"), &o.countryCodelab, QStringLiteral("countryCodelab"),
         QObject::tr("ISO, such as DE")},
        {QObject::tr("Title"), &o.titlelab, QStringLiteral("titlelab"), {}},
        {QObject::tr("Rating"), nullptr, QStringLiteral("ratinglab"), {}},
    };
    auto* fields = new QWidget;
    fields->setObjectName(QStringLiteral("editFields"));
    auto* form = new QFormLayout(fields);
    form->setVerticalSpacing(6);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const auto& row : rows) {
        QWidget* field = nullptr;
        if (row.outlet) {
            *row.outlet = formField(row.name, row.placeholder);
            field = *row.outlet;
        } else if (row.name == QLatin1String("imageDescrilab")) {
            o.imageDescrilab = descriptionField();
            field = o.imageDescrilab;
        } else if (row.name == QLatin1String("ratinglab")) {
            o.ratinglab = new RatingField;
            field = o.ratinglab;
        } else {
            const auto part = row.name == QLatin1String("gpsDatelab") ? DateTimeField::Part::Date
                              : row.name == QLatin1String("gpsTimelab")
                                  ? DateTimeField::Part::Time
                                  : DateTimeField::Part::DateAndTime;
            auto* date = new DateTimeField(part);
            (part == DateTimeField::Part::Date   ? o.gpsDatelab
             : part == DateTimeField::Part::Time ? o.gpsTimelab
                                                 : o.cameraDatelab) = date;
            field = date;
        }
        field->setObjectName(row.name);
        form->addRow(row.label, field);
        if (field == o.countryCodelab) {
            // Beside the place it fills, below the position it reads.
            o.fillPlacesBtn = new QPushButton(QObject::tr("Fill from Position"));
            o.fillPlacesBtn->setObjectName(QStringLiteral("fillPlacesBtn"));
            o.fillPlacesBtn->setAutoDefault(false);
            o.fillPlacesBtn->setToolTip(
                QObject::tr("City, state, country and code of the place nearest to the latitude "
                            "and longitude above, from the places that come with Tessaview"));
            auto* buttonRow = new QHBoxLayout;
            buttonRow->addStretch(1);
            buttonRow->addWidget(o.fillPlacesBtn);
            form->addRow(buttonRow);
        }
    }
    auto* note = new QLabel(QObject::tr("Apply writes these fields into every selected photo. "
                                        "With several photos selected, only the fields you "
                                        "change are written. Empty latitude and longitude "
                                        "leave the GPS position as it is."));
    note->setObjectName(QStringLiteral("editNote"));
    note->setWordWrap(true);
    form->addRow(note);
    // The fields scroll where the window is short; nothing is cut off.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("editScroll"));
    scroll->setWidget(fields);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* title = new QLabel(QObject::tr("Edit Metadata"));
    title->setObjectName(QStringLiteral("editTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    title->setFont(bold);
    o.editBackBtn = formButton(QObject::tr("Back"), QStringLiteral("editBackBtn"),
                               QStringLiteral("backnom.png"));
    o.editTemplateBtn =
        formButton(QObject::tr("Save as Template…"), QStringLiteral("editTemplateBtn"),
                   QStringLiteral("templatenom.png"));
    o.editTemplateBtn->hide();
    o.editApplyBtn = formButton(QObject::tr("Apply"), QStringLiteral("editApplyBtn"),
                                QStringLiteral("applynom.png"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(o.editBackBtn);
    buttons->addStretch(1);
    buttons->addWidget(o.editTemplateBtn);
    buttons->addWidget(o.editApplyBtn);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addWidget(title);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    panel->hide();
    // The pane it covers is never narrower than the form needs: its fields,
    // and its three buttons side by side (the template button counts while
    // it waits hidden for its command).
    int buttonsWidth = 2 * layout->spacing() + 20 + 2 * panel->frameWidth();
    for (PRButton* button : {o.editBackBtn, o.editTemplateBtn, o.editApplyBtn})
        buttonsWidth += button->sizeHint().width() + buttons->spacing();
    o.infoPane->setMinimumWidth(std::max(fields->minimumSizeHint().width() + 40, buttonsWidth));
}

QRect editViewRestingGeometry(const FormOutlets& o) {
    const QPoint at = o.infoPane->mapTo(o.localphotoView, QPoint(0, 0));
    return {at.x(), 0, o.infoPane->width(), o.localphotoView->height()};
}

QPropertyAnimation* slideInEditView(const FormOutlets& o) {
    QWidget* panel = o.editView;
    for (auto* running :
         panel->findChildren<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly))
        running->stop(); // a replay starts from the edge again
    const QRect rest = editViewRestingGeometry(o);
    panel->setGeometry(QRect(QPoint(o.localphotoView->width(), 0), rest.size()));
    panel->show();
    panel->raise();
    auto* slide = new QPropertyAnimation(panel, "pos", panel);
    slide->setDuration(editViewSlideMilliseconds);
    slide->setStartValue(panel->pos());
    slide->setEndValue(rest.topLeft());
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    return slide;
}

void keepEditViewAtRest(const FormOutlets& o) {
    QWidget* panel = o.editView;
    if (!panel->isVisible() ||
        !panel->findChildren<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        return;
    panel->setGeometry(editViewRestingGeometry(o));
}
