#include "app/EditFormController.h"

#include "app/ChangeConfirmation.h"
#include "app/ControllerContext.h"
#include "app/EditViewLayout.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "editing/EditFormOperation.h"

#include <QEvent>
#include <QLineEdit>
#include <QMainWindow>

#include <cmath>

EditFormController::EditFormController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context) {
    m_confirmation = new ChangeConfirmation(m_ctx.settings, this);
    for (QLineEdit* field : m_ctx.outlets.formFields())
        field->installEventFilter(this);
}

void EditFormController::StartEditViewAction() {
    slideInEditView(m_ctx.outlets);
}

// At once, without a slide; the fields keep their texts.
void EditFormController::HideEditViewAction() {
    m_ctx.outlets.editView->hide();
}

void EditFormController::ClickApplyChangeAction() {
    const MainWindowOutlets& o = m_ctx.outlets;
    EditFormFields fields;
    fields.artist = o.artistlab->text();
    fields.description = o.imageDescrilab->text();
    fields.copyright = o.copyrightlab->text();
    fields.make = o.cameraMakelab->text();
    fields.model = o.cameraModelab->text();
    fields.date = o.cameraDatelab->text();
    fields.comment = o.commentslab->text();
    fields.keywords = o.keywordslab->text();
    fields.latitude = o.gpsLatilab->text();
    fields.longitude = o.gpsLongtlab->text();
    fields.altitude = o.gpsAitlab->text();
    fields.gpsDate = o.gpsDatelab->text();
    fields.gpsTime = o.gpsTimelab->text();
    // Checked before any photo is touched: a refused field writes nothing.
    const Result<PlannedRewrite> plan = editFormPlan(fields);
    if (!plan) {
        QMessageBox* box = m_ctx.alert(tr("Vaule Error"), plan.error(), o.window);
        box->setWindowModality(Qt::WindowModal);
        box->open();
        return;
    }
    const SourceMode mode = m_ctx.mode();
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(mode);
    const QString storage = m_ctx.state.storagelocation;
    MetadataService* metadata = &m_ctx.metadata;
    m_confirmation->confirmThenRun(
        o.window, photos.size(),
        [=, plan = plan.value()] { return previewEditForm(plan, photos, storage, *metadata); },
        [=, this, plan = plan.value()] {
            m_ctx.runEditing(tr("Applying the form…"), photos,
                             [=](const BatchOptions& options) {
                                 return runEditForm(plan, photos, storage, *metadata, options);
                             },
                             {true, false});
        });
}

bool EditFormController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* field = qobject_cast<QLineEdit*>(watched))
            textShouldBeginEditing(field);
    }
    return QObject::eventFilter(watched, event);
}

// The map shows the form's position as it is before the first keystroke, with
// one pin. Fields that hold no position leave the map and the current
// position as they are, rather than pinning the sea off Africa at 0, 0.
void EditFormController::textShouldBeginEditing(QLineEdit*) {
    const MainWindowOutlets& o = m_ctx.outlets;
    const auto latitude = leadingNumber(o.gpsLatilab->text());
    const auto longitude = leadingNumber(o.gpsLongtlab->text());
    if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
        return;
    m_ctx.state.currentCoords = QPointF(*latitude, *longitude);
    m_ctx.state.bMapPreview = true;
    o.currentlocalMapView->show();
    showOnMap(o.currentlocalMapView, *latitude, *longitude, PinPolicy::ReplaceAll);
}
