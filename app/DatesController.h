#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class Alerts;
class ChangeConfirmation;
class QSettings;
class ChangeDateWindow;
class ChangeMutiDateWindow;
class CommandRunner;
class MetadataService;
class DateTimeField;
class QWidget;
class SourceSelection;
struct CurrentPhoto;
struct StorageLocation;

// The photos' dates: the date window for one photo, the batch date window for
// several, and the file dates copied from the EXIF dates.
class DatesController : public QObject {
    Q_OBJECT
public:
    // Makes the two date windows on the main window.
    DatesController(QWidget* window, SourceSelection& selection, CommandRunner& runner,
                    Alerts& alerts, MetadataService& metadata, const StorageLocation& storage,
                    QSettings& settings, QObject* parent = nullptr);

    ChangeDateWindow* changeDateWindow() const { return m_dateWindow; }
    // Asks before the batch window writes several photos.
    ChangeConfirmation* confirmation() const { return m_confirmation; }
    ChangeMutiDateWindow* changeMutiDateWindow() const { return m_batchWindow; }

public Q_SLOTS:
    void ChangeDateExifFromPhoto();
    void ClickDateChangedSaveAction();
    void ClickDateChangedCancelAction();
    void ChoosePhotosAction();
    void ClickAddTimeAction();
    void ClickRemoveTimeAction();
    void ClickMutiDateChangedSaveAction();
    void ClickMutiDateChangedCancelAction();
    void ClickCopyExifDateToCreateDateAction();

    // Completion of the batch window's photo panel (return code 1 is OK).
    void openPanelDidEnd3(int returnCode, const QStringList& paths);

Q_SIGNALS:
    // A device photo's dates are edited in its downloaded copy, which is not
    // there yet: the selected device photos are to be fetched.
    void deviceCopiesNeeded();
    // A date window has been filled and shown, or the preview photo taken.
    void dateWindowFilled();

private:
    void fillDateWindow(const QString& path, int count);
    // True, with the alert up naming the first field that holds no date.
    bool refuseNonDates(QWidget* window, const QList<std::pair<DateTimeField*, QString>>& fields);
    void closeMutiDateWindow();
    // Where the user left it, else its own size centred on the main window.
    void showPlaced(QWidget* dateWindow);
    bool eventFilter(QObject* watched, QEvent* event) override;

    SourceSelection& m_selection;
    const CurrentPhoto& m_current; // the selection's
    CommandRunner& m_runner;
    ChangeConfirmation* m_confirmation = nullptr;
    Alerts& m_alerts;
    MetadataService& m_metadata;
    const StorageLocation& m_storage;
    ChangeDateWindow* m_dateWindow = nullptr;
    ChangeMutiDateWindow* m_batchWindow = nullptr;
    QWidget* m_window = nullptr;
    QSettings& m_settings;
    QList<QWidget*> m_placed; // the windows shown since the start
};
