#include "app/EditFormController.h"

#include "app/Alerts.h"
#include "app/ChangeConfirmation.h"
#include "app/CommandRunner.h"
#include "app/CurrentPhoto.h"
#include "app/EditFormState.h"
#include "app/EditViewLayout.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/EditFormOperation.h"

#include <QEvent>
#include <QLineEdit>

#include <cmath>

EditFormController::EditFormController(const FormOutlets& form, QWidget* window,
                                       const EditFormState& formState, SourceSelection& selection,
                                       CurrentPhoto& current, CommandRunner& runner, Alerts& alerts,
                                       MetadataService& metadata, const StorageLocation& storage,
                                       QSettings& settings, QObject* parent)
    : QObject(parent), m_form(form), m_window(window), m_formState(formState),
      m_selection(selection), m_current(current), m_runner(runner), m_alerts(alerts),
      m_metadata(metadata), m_storage(storage) {
    m_confirmation = new ChangeConfirmation(settings, this);
    for (QLineEdit* field : m_form.fields())
        field->installEventFilter(this);
    // A shown form stays over its pane as the window and the splitters move.
    m_form.infoPane->installEventFilter(this);
    m_form.localphotoView->installEventFilter(this);
}

void EditFormController::StartEditViewAction() {
    slideInEditView(m_form);
}

// At once, without a slide; the fields keep their texts.
void EditFormController::HideEditViewAction() {
    m_form.editView->hide();
}

// One photo takes every field, as it always has. Several take only the
// fields the user edited since the form was filled: the others show one
// photo's value or none ("(several values)"), and writing them would put
// that photo's date, camera or position into all the others.
void EditFormController::ClickApplyChangeAction() {
    const FormOutlets& o = m_form;
    const SourceMode mode = m_selection.mode();
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(mode);
    const bool several = photos.size() > 1;
    const auto take = [&](QLineEdit* field) -> std::optional<QString> {
        if (several && !m_formState.isEdited(field))
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
    if (several && m_formState.editedFields().isEmpty()) {
        m_alerts.showSheet(
            tr("Nothing to apply"),
            tr("No field has been changed. With several photos selected, Apply writes only "
               "the fields you change."),
            m_window, QMessageBox::Information);
        return;
    }
    // Checked before any photo is touched: a refused field writes nothing.
    const Result<PlannedRewrite> plan =
        several ? editFormPlanForSeveral(fields) : editFormPlan(fields);
    if (!plan) {
        m_alerts.showSheet(tr("Vaule Error"), plan.error(), m_window);
        return;
    }
    const QString storage = m_storage.storagelocation;
    MetadataService* metadata = &m_metadata;
    m_confirmation->confirmThenRun(
        m_window, photos.size(),
        [=, plan = plan.value()] { return previewEditForm(plan, photos, storage, *metadata); },
        [=, this, plan = plan.value()] {
            m_runner.runEditing(tr("Applying the form…"), photos,
                                [=](const BatchOptions& options) {
                                    return runEditForm(plan, photos, storage, *metadata, options);
                                },
                                {true, false});
        });
}

bool EditFormController::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_form.infoPane || watched == m_form.localphotoView) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        keepEditViewAtRest(m_form);
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
    const auto latitude = leadingNumber(m_form.gpsLatilab->text());
    const auto longitude = leadingNumber(m_form.gpsLongtlab->text());
    if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
        return;
    m_current.currentCoords = QPointF(*latitude, *longitude);
    m_current.bMapPreview = true;
    m_form.currentlocalMapView->show();
    showOnMap(m_form.currentlocalMapView, *latitude, *longitude, PinPolicy::ReplaceAll);
}
