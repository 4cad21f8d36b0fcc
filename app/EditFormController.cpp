#include "app/EditFormController.h"

#include "app/Alerts.h"
#include "app/ChangeConfirmation.h"
#include "app/CommandRunner.h"
#include "app/EditFormState.h"
#include "app/EditViewLayout.h"
#include "app/FormFieldText.h"
#include "app/KeywordCompleter.h"
#include "app/MapDisplay.h"
#include "app/MapWidget.h"
#include "app/PlacesSource.h"
#include "app/SourceSelection.h"
#include "app/StorageLocation.h"
#include "editing/EditFormOperation.h"
#include "editing/FormField.h"
#include "editing/PlacesOperation.h"

#include <QEvent>
#include <QLineEdit>
#include <QLocale>

#include <cmath>

EditFormController::EditFormController(const FormOutlets& form, QWidget* window,
                                       const EditFormState& formState, SourceSelection& selection,
                                       CommandRunner& runner, Alerts& alerts,
                                       MetadataService& metadata, const StorageLocation& storage,
                                       QSettings& settings, PlacesSource& places, QObject* parent)
    : QObject(parent), m_form(form), m_window(window), m_formState(formState),
      m_selection(selection), m_runner(runner), m_alerts(alerts), m_metadata(metadata),
      m_storage(storage), m_places(places) {
    m_confirmation = new ChangeConfirmation(settings, this);
    m_keywords = new KeywordCompleter(m_form.keywordslab, metadata, this);
    for (QWidget* field : m_form.fields())
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
    const SourceMode mode = m_selection.mode();
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(mode);
    const bool several = photos.size() > 1;
    // Some fields are written only when changed, even for one photo (their
    // rows say why).
    const QList<FormField>& rows = formFields();
    const QList<QWidget*> widgets = m_form.fields();
    EditFormFields fields;
    for (qsizetype i = 0; i < rows.size() && i < widgets.size(); ++i) {
        if ((several || rows[i].onlyWhenEdited) && !m_formState.isEdited(widgets[i]))
            continue;
        fields.*rows[i].edit = FormFieldText::text(widgets[i]);
    }
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

// The fields are filled, not written: Apply writes them with the rest of the
// form, and the user may correct a name first. A place farther than the
// places' reach leaves the city as it is; so does a position at sea for
// the state and country.
void EditFormController::FillFromPositionAction() {
    const auto latitude = leadingNumber(m_form.gpsLatilab->text());
    const auto longitude = leadingNumber(m_form.gpsLongtlab->text());
    if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180) {
        const bool mixed =
            m_formState.isMixed(m_form.gpsLatilab) || m_formState.isMixed(m_form.gpsLongtlab);
        m_alerts.showSheet(
            tr("No position to name"),
            mixed ? tr("The selected photos are at different positions. Metadata ▸ Places from "
                       "Positions names each photo's own place.")
                  : tr("Type a latitude and a longitude, or choose a photo that has a position."),
            m_window, QMessageBox::Information);
        return;
    }
    const auto gazetteer = m_places.gazetteer();
    if (!gazetteer) {
        m_alerts.showSheet(tr("The places could not be read"), gazetteer.error(), m_window);
        return;
    }
    const PlacesSettings defaults;
    const LocationTexts found = locationTextsAt(*gazetteer.value(), *latitude, *longitude,
                                                defaults.maxDistanceKm, QLocale().name());
    const std::pair<const std::optional<QString>*, QLineEdit*> fields[] = {
        {&found.city, m_form.citylab},
        {&found.state, m_form.statelab},
        {&found.country, m_form.countrylab},
        {&found.countryCode, m_form.countryCodelab},
    };
    bool any = false;
    for (const auto& [text, field] : fields) {
        if (!*text)
            continue;
        any = true;
        field->setText(**text);
        field->setCursorPosition(0);
    }
    if (!any)
        m_alerts.showSheet(
            tr("No place here"),
            tr("No country holds %1, %2, and no town is near it.").arg(*latitude).arg(*longitude),
            m_window, QMessageBox::Information);
}

void EditFormController::FillPlacesFromPositionsAction() {
    const std::vector<SelectedPhoto> photos = m_selection.selectedPhotos(m_selection.mode());
    if (photos.empty())
        return;
    const auto gazetteer = m_places.gazetteer();
    if (!gazetteer) {
        m_alerts.showSheet(tr("The places could not be read"), gazetteer.error(), m_window);
        return;
    }
    // The preview shows every name before it is written, so names already
    // there are replaced as the user sees.
    PlacesSettings settings;
    settings.overwrite = true;
    settings.language = QLocale().name();
    const QString storage = m_storage.storagelocation;
    MetadataService* metadata = &m_metadata;
    const std::shared_ptr<const Gazetteer> places = gazetteer.value();
    m_confirmation->confirmThenRun(
        m_window, photos.size(),
        [=] { return previewPlaces(places, settings, photos, storage, *metadata); },
        [=, this] {
            m_runner.runEditing(tr("Naming places…"), photos,
                                [=](const BatchOptions& options) {
                                    return runPlaces(places, settings, photos, storage, *metadata,
                                                     options);
                                },
                                {true, false});
        });
}

bool EditFormController::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_form.infoPane || watched == m_form.localphotoView) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        keepEditViewAtRest(m_form);
    if (event->type() == QEvent::FocusIn) {
        if (m_form.fields().contains(watched))
            textShouldBeginEditing(static_cast<QWidget*>(watched));
    }
    return QObject::eventFilter(watched, event);
}

// The map shows the form's position as it is before the first keystroke, with
// one pin. Fields that hold no position leave the map and the current
// position as they are, rather than pinning the sea off Africa at 0, 0.
void EditFormController::textShouldBeginEditing(QWidget*) {
    const auto latitude = leadingNumber(m_form.gpsLatilab->text());
    const auto longitude = leadingNumber(m_form.gpsLongtlab->text());
    if (!latitude || !longitude || std::fabs(*latitude) > 90 || std::fabs(*longitude) > 180)
        return;
    m_selection.moveToPosition(QPointF(*latitude, *longitude));
    m_form.currentlocalMapView->show();
    showOnMap(m_form.currentlocalMapView, *latitude, *longitude, PinPolicy::ReplaceAll);
}
