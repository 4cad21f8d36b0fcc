#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class ChangeDateWindow;
class ChangeMutiDateWindow;
class ControllerContext;
class QLineEdit;
class QWidget;

// The photos' dates: the date window for one photo, the batch date window for
// several, and the file dates copied from the EXIF dates.
class DatesController : public QObject {
    Q_OBJECT
public:
    // Makes the two date windows on the main window.
    explicit DatesController(ControllerContext& context, QObject* parent = nullptr);

    ChangeDateWindow* changeDateWindow() const { return m_dateWindow; }
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

private:
    void fillDateWindow(const QString& path, int count);
    // True, with the alert up naming the first field that holds no date.
    bool refuseNonDates(QWidget* window, const QList<std::pair<QLineEdit*, QString>>& fields);
    void closeMutiDateWindow();

    ControllerContext& m_ctx;
    ChangeDateWindow* m_dateWindow = nullptr;
    ChangeMutiDateWindow* m_batchWindow = nullptr;
};
