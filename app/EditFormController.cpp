#include "app/EditFormController.h"

#include "app/ChangeConfirmation.h"
#include "app/ControllerContext.h"
#include "app/EditFormState.h"
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
    // A shown form stays over its pane as the window and the splitters move.
    m_ctx.outlets.infoPane->installEventFilter(this);
    m_ctx.outlets.localphotoView->installEventFilter(this);
}

void EditFormController::StartEditViewAction() {
    slideInEditView(m_ctx.outlets);
}

// At once, without a slide; the fields keep their texts.
void EditFormController::HideEditViewAction() {
    m_ctx.outlets.editView->hide();
}

// One photo takes every field, as it always has. Several take only the
// fields the user edited since the form was filled: the others show one
// photo's value or none ("(several values)"), and writing them would put
// that photo's date, camera or position into all the others.
void EditFormController::ClickApplyChangeAction() {
    const MainWindowOutlets& o = m_ctx.outlets;
    const SourceMode mode = m_ctx.mode();
    const std::vector<SelectedPhoto> photos = m_ctx.selectedPhotos(mode);
    const bool several = photos.size() > 1;
    const auto take = [&](QLineEdit* field) -> std::optional<QString> {
        if (several && !m_ctx.formState->isEdited(field))
            return std::nullopt;
        return field->text();
    };
    EditFormFields fields;
    fields.artist = take(o.artistlab);
    fields.description = take(o.imageDescrilab);
    fields.copyright = take(o.copyrightlab);
    fields.make = take(o.cameraMakelab);
    fields.model = take(o.cameraModelab);
    fields.date = take(o.cameraDatelab);
    fields.comment = take(o.commentslab);
    fields.keywords = take(o.keywordslab);
    fields.latitude = take(o.gpsLatilab);
    fields.longitude = take(o.gpsLongtlab);
    fields.altitude = take(o.gpsAitlab);
    fields.gpsDate = take(o.gpsDatelab);
    fields.gpsTime = take(o.gpsTimelab);
    if (several && m_ctx.formState->editedFields().isEmpty()) {
        QMessageBox* box = m_ctx.alert(
            tr("Nothing to apply"),
            tr("No field has been changed. With several photos selected, Apply writes only "
               "the fields you change."),
            o.window);
        box->setIcon(QMessageBox::Information);
        box->setWindowModality(Qt::WindowModal);
        box->open();
        return;
    }
    // Checked before any photo is touched: a refused field writes nothing.
    const Result<PlannedRewrite> plan =
        several ? editFormPlanForSeveral(fields) : editFormPlan(fields);
    if (!plan) {
        QMessageBox* box = m_ctx.alert(tr("Vaule Error"), plan.error(), o.window);
        box->setWindowModality(Qt::WindowModal);
        box->open();
        return;
    }
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
    const MainWindowOutlets& o = m_ctx.outlets;
    if ((watched == o.infoPane || watched == o.localphotoView) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        keepEditViewAtRest(o);
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
