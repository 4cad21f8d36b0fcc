#include "app/EditViewLayout.h"

#include "app/DateTimeField.h"
#include "app/EditFormState.h"
#include "app/MainWindowLayout.h"
#include "app/MapWidget.h"
#include "app/RatingField.h"
#include "editing/FormField.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <type_traits>

namespace {

QLineEdit* formField(const QString& placeholder) {
    auto* edit = new QLineEdit;
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

QWidget* fieldOfKind(FormFieldKind kind, const QString& placeholder) {
    switch (kind) {
    case FormFieldKind::Line:
        return formField(placeholder);
    case FormFieldKind::Lines:
        return descriptionField();
    case FormFieldKind::DateAndTime:
        return new DateTimeField(DateTimeField::Part::DateAndTime);
    case FormFieldKind::Date:
        return new DateTimeField(DateTimeField::Part::Date);
    case FormFieldKind::Time:
        return new DateTimeField(DateTimeField::Part::Time);
    case FormFieldKind::Stars:
        return new RatingField;
    }
    return nullptr;
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

    auto* fields = new QWidget;
    fields->setObjectName(QStringLiteral("editFields"));
    auto* form = new QFormLayout(fields);
    form->setVerticalSpacing(6);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const FormField& row : formFields()) {
        QWidget* field = fieldOfKind(row.kind, QObject::tr(row.placeholder));
        field->setObjectName(row.outlet);
        o.fieldWidgets << field;
        o.forEachOutlet([&](const char* name, auto*& outlet) {
            if (row.outlet == QLatin1String(name))
                outlet = qobject_cast<std::remove_reference_t<decltype(outlet)>>(field);
        });
        form->addRow(QObject::tr(row.label), field);
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
