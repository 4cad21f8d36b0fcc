#include "app/EditViewLayout.h"

#include "app/MainWindowLayout.h"
#include "app/MapWidget.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int columnGap = 6;

QLineEdit* formField(const QString& name, const QString& placeholder = QString()) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

PRButton* formButton(const QString& title, const QString& name) {
    auto* b = new PRButton(title);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

void buildEditView(MainWindowOutlets& o) {
    auto* panel = new QWidget(o.localphotoView);
    panel->setObjectName(QStringLiteral("editView"));
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(QStringLiteral("#editView { background: rgb(52, 48, 47); }"
                                        "#editView QLabel { color: white; }"));
    o.editView = panel;

    const struct {
        QString label;
        QLineEdit** outlet;
        QString name;
        QString placeholder;
    } rows[] = {
        {QObject::tr("Artist"), &o.artistlab, QStringLiteral("artistlab"), {}},
        {QObject::tr("Description"), &o.imageDescrilab, QStringLiteral("imageDescrilab"), {}},
        {QObject::tr("Copyright"), &o.copyrightlab, QStringLiteral("copyrightlab"), {}},
        {QObject::tr("Make"), &o.cameraMakelab, QStringLiteral("cameraMakelab"), {}},
        {QObject::tr("Model"), &o.cameraModelab, QStringLiteral("cameraModelab"), {}},
        {QObject::tr("Date"), &o.cameraDatelab, QStringLiteral("cameraDatelab"),
         QStringLiteral("YYYY:MM:DD HH:MM:SS")},
        {QObject::tr("Comment"), &o.commentslab, QStringLiteral("commentslab"), {}},
        {QObject::tr("Keywords"), &o.keywordslab, QStringLiteral("keywordslab"),
         QObject::tr("one, two, three")},
        {QObject::tr("Latitude"), &o.gpsLatilab, QStringLiteral("gpsLatilab"),
         QObject::tr("south negative")},
        {QObject::tr("Longitude"), &o.gpsLongtlab, QStringLiteral("gpsLongtlab"),
         QObject::tr("west negative")},
        {QObject::tr("Altitude"), &o.gpsAitlab, QStringLiteral("gpsAitlab"), QObject::tr("metres")},
        {QObject::tr("GPS date"), &o.gpsDatelab, QStringLiteral("gpsDatelab"),
         QStringLiteral("YYYY:MM:DD")},
        {QObject::tr("GPS time"), &o.gpsTimelab, QStringLiteral("gpsTimelab"),
         QStringLiteral("HH:MM:SS")},
    };
    auto* form = new QFormLayout;
    form->setVerticalSpacing(6);
    for (const auto& row : rows) {
        *row.outlet = formField(row.name, row.placeholder);
        form->addRow(row.label, *row.outlet);
    }

    auto* title = new QLabel(QObject::tr("Edit Metadata"));
    title->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 15px;"));
    auto* note = new QLabel(QObject::tr("Apply writes these fields into every selected photo. "
                                        "Empty latitude and longitude leave the GPS position "
                                        "as it is."));
    note->setWordWrap(true);
    o.editBackBtn = formButton(QObject::tr("Back"), QStringLiteral("editBackBtn"));
    o.editTemplateBtn =
        formButton(QObject::tr("Save as Template…"), QStringLiteral("editTemplateBtn"));
    o.editTemplateBtn->hide();
    o.editApplyBtn = formButton(QObject::tr("Apply"), QStringLiteral("editApplyBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(o.editBackBtn);
    buttons->addStretch(1);
    buttons->addWidget(o.editTemplateBtn);
    buttons->addWidget(o.editApplyBtn);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 8, 10, 10);
    layout->addWidget(title);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addStretch(1);
    layout->addLayout(buttons);
    panel->hide();
}

QRect editViewRestingGeometry(const MainWindowOutlets& o) {
    // The photo and the map stand in one column at the view's right.
    const int column = o.localPhotoImageView->x() > 0
                           ? o.localPhotoImageView->x()
                           : o.localphotoView->width() - o.localPhotoImageView->width();
    return {0, 0, std::max(0, column - columnGap), o.localphotoView->height()};
}

QPropertyAnimation* slideInEditView(const MainWindowOutlets& o) {
    QWidget* panel = o.editView;
    for (auto* running :
         panel->findChildren<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly))
        running->stop(); // a replay starts from the edge again
    const QRect rest = editViewRestingGeometry(o);
    panel->setGeometry(QRect(QPoint(o.localphotoView->width(), 0), rest.size()));
    panel->show();
    panel->raise();
    // The photo, the map and the edit button stay above the sliding form.
    o.localPhotoImageView->raise();
    o.currentlocalMapView->raise();
    o.starteditBtn->raise();
    auto* slide = new QPropertyAnimation(panel, "pos", panel);
    slide->setDuration(editViewSlideMilliseconds);
    slide->setStartValue(panel->pos());
    slide->setEndValue(rest.topLeft());
    slide->setEasingCurve(QEasingCurve::InOutQuad);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    return slide;
}
