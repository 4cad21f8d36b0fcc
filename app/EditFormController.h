#pragma once

#include "app/FormOutlets.h"

#include <QObject>

class Alerts;
class ChangeConfirmation;
class CommandRunner;
class EditFormState;
class KeywordCompleter;
class MetadataService;
class PlacesSource;
class QLineEdit;
class QSettings;
class SourceSelection;
struct StorageLocation;

// The edit form: its fields written together into every selected photo,
// the panel that slides in to hold them, and the form's map, which follows
// the form's position whenever the user begins to edit a field.
class EditFormController : public QObject {
    Q_OBJECT
public:
    EditFormController(const FormOutlets& form, QWidget* window, const EditFormState& formState,
                       SourceSelection& selection, CommandRunner& runner, Alerts& alerts,
                       MetadataService& metadata, const StorageLocation& storage,
                       QSettings& settings, PlacesSource& places, QObject* parent = nullptr);

    ChangeConfirmation* confirmation() const { return m_confirmation; }
    // Completes the keywords field from the keywords of the listed photos.
    KeywordCompleter* keywordCompleter() const { return m_keywords; }

public Q_SLOTS:
    void StartEditViewAction();
    void HideEditViewAction();
    void ClickApplyChangeAction();
    // The location fields from the form's latitude and longitude.
    void FillFromPositionAction();
    // Each selected photo's location fields from its own position, written
    // as the other commands write (Metadata menu).
    void FillPlacesFromPositionsAction();

protected:
    // A form field taking the focus is where editing begins.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textShouldBeginEditing(QWidget* field);

    const FormOutlets m_form;
    QWidget* m_window;
    const EditFormState& m_formState;
    SourceSelection& m_selection;
    CommandRunner& m_runner;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
    PlacesSource& m_places;
    ChangeConfirmation* m_confirmation = nullptr;
    KeywordCompleter* m_keywords = nullptr;
};
