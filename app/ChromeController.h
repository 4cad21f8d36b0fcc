#pragma once

#include "editing/OperationReport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class AboutWindow;
class FileViewer;
class NetworkUpdateFetcher;
class PRButton;
class PRClosedButton;
class PRUpdateController;
class QLabel;
class QMainWindow;
class QMenu;
class QMessageBox;
struct StorageLocation;

// The window's image buttons by the controller's names for them. Any may be
// missing; a button that is not here is ignored by the handlers.
struct ChromeButtons {
    PRClosedButton* closedButton = nullptr;
    PRButton *opendeviceBtn = nullptr, *deletePhotoBtn = nullptr, *downloadPhotoBtn = nullptr,
             *importEditPhotoBtn = nullptr, *viewExifBtn = nullptr, *removeExifBtn = nullptr;
    PRButton *importPhotobtn = nullptr, *remoMetaDataLocalBtn = nullptr,
             *editMetaDataLocalBtn = nullptr, *importandExportBtn = nullptr;
    PRButton *cameraphotoBtn = nullptr, *localphotoBtn = nullptr;
    PRButton *editBackBtn = nullptr, *editTemplateBtn = nullptr, *editApplyBtn = nullptr,
             *localeditexifBtn = nullptr;
    QMenu *editExifMenu = nullptr, *removeExifMenu = nullptr, *importPhotoMenu = nullptr,
          *importandExportMenu = nullptr;
};

// The window's chrome: the image buttons' pictures, the menus their presses
// open, the exit confirmation, About, Support, the update check, and the
// status bar that says what the last command did. A button's command is
// connected to the button itself (AppDelegateWiring.cpp), after the chrome,
// so that it runs with the button's pressed picture on.
class ChromeController : public QObject {
    Q_OBJECT
public:
    // Asks before the window closes and says in its status bar what the last
    // command did; About names the storage folder.
    ChromeController(QMainWindow* window, FileViewer& fileViewer, const StorageLocation& storage,
                     QObject* parent = nullptr);
    ~ChromeController() override;

    // Takes the buttons (those set) with their first pictures and follows
    // their signals; may be called again as more buttons appear.
    void attach(const ChromeButtons& buttons);
    const ChromeButtons& buttons() const { return m_buttons; }
    // How the application ends and how a web page is opened; tests record them.
    std::function<void()> terminate;
    std::function<void(const QUrl&)> openUrl;

    AboutWindow* aboutWindow() const { return m_about; }
    PRUpdateController* updateController() const { return m_update.get(); }
    QMessageBox* exitConfirmation() const { return m_exitBox; }
    QLabel* statusLabel() const { return m_status; }

    // The main window's close: asks first. True when the window may close now.
    bool windowWantsToClose();

public Q_SLOTS:
    void MybuttonMouseDownHandle(PRButton* button);
    void PRbuttonMouseEnteredHandle(PRButton* button);
    void PRbuttonMouseExitedHandle(PRButton* button);
    void MyClosebuttonMouseDownHandle(PRClosedButton* button);
    void CloseTheMainWindow();
    void ClickAbout();
    void CLICkSupport();
    void CheckforUpdateAction();

    // The status bar after a command.
    void showReport(const OperationReport& report, const QString& folder);
    void showExport(const QString& path);
    void showMessage(const QString& text, const QString& folder = QString());

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onClicked();
    void popUpBelow(QMenu* menu, PRButton* button);

    QMainWindow* m_window;
    FileViewer& m_fileViewer;
    const StorageLocation& m_storage;
    ChromeButtons m_buttons;
    AboutWindow* m_about = nullptr;
    std::unique_ptr<NetworkUpdateFetcher> m_fetcher;
    std::unique_ptr<PRUpdateController> m_update;
    QPointer<QMessageBox> m_exitBox;
    bool m_exitConfirmed = false;
    QLabel* m_status = nullptr;
    QString m_statusFolder;
};
