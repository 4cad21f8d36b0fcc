#include "app/ChromeController.h"

#include "app/AboutWindow.h"
#include "app/FileViewer.h"
#include "app/NetworkUpdateFetcher.h"
#include "app/PRButton.h"
#include "app/PRClosedButton.h"
#include "app/PRUpdateController.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

ChromeController::ChromeController(QMainWindow* window, FileViewer& fileViewer,
                                   const StorageLocation& storage, QObject* parent)
    : QObject(parent), m_window(window), m_fileViewer(fileViewer), m_storage(storage) {
    terminate = [] { QCoreApplication::quit(); };
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    m_fetcher = std::make_unique<NetworkUpdateFetcher>();
    m_update = std::make_unique<PRUpdateController>(*m_fetcher,
                                                    QCoreApplication::applicationVersion().isEmpty()
                                                        ? QStringLiteral(TESSAVIEW_VERSION)
                                                        : QCoreApplication::applicationVersion(),
                                                    m_window);
    m_about = new AboutWindow(m_window);
    m_window->installEventFilter(this);

    m_status = new QLabel(m_window);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextFormat(Qt::RichText);
    m_status->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_window->statusBar()->addWidget(m_status, 1);
    connect(m_status, &QLabel::linkActivated, this, [this] {
        if (!m_statusFolder.isEmpty())
            m_fileViewer.openFolder(m_statusFolder);
    });
}

ChromeController::~ChromeController() = default;

void ChromeController::attach(const ChromeButtons& buttons) {
    auto take = [](auto*& mine, auto* given) {
        if (given)
            mine = given;
    };
    const ChromeButtons& b = buttons;
    ChromeButtons& m = m_buttons;
    take(m.closedButton, b.closedButton);
    for (auto [mine, given] : {std::pair{&m.opendeviceBtn, b.opendeviceBtn},
                               {&m.deletePhotoBtn, b.deletePhotoBtn},
                               {&m.downloadPhotoBtn, b.downloadPhotoBtn},
                               {&m.importEditPhotoBtn, b.importEditPhotoBtn},
                               {&m.viewExifBtn, b.viewExifBtn},
                               {&m.removeExifBtn, b.removeExifBtn},
                               {&m.importPhotobtn, b.importPhotobtn},
                               {&m.remoMetaDataLocalBtn, b.remoMetaDataLocalBtn},
                               {&m.editMetaDataLocalBtn, b.editMetaDataLocalBtn},
                               {&m.importandExportBtn, b.importandExportBtn},
                               {&m.cameraphotoBtn, b.cameraphotoBtn},
                               {&m.localphotoBtn, b.localphotoBtn},
                               {&m.editBackBtn, b.editBackBtn},
                               {&m.editTemplateBtn, b.editTemplateBtn},
                               {&m.editApplyBtn, b.editApplyBtn},
                               {&m.localeditexifBtn, b.localeditexifBtn}}) {
        if (!given)
            continue;
        *mine = given;
        connect(given, &PRButton::mouseDown, this, &ChromeController::MybuttonMouseDownHandle,
                Qt::UniqueConnection);
        connect(given, &PRButton::mouseEntered, this, &ChromeController::PRbuttonMouseEnteredHandle,
                Qt::UniqueConnection);
        connect(given, &PRButton::mouseExited, this, &ChromeController::PRbuttonMouseExitedHandle,
                Qt::UniqueConnection);
        // A click made by the program or an assistive tool goes the same way.
        connect(given, &QPushButton::clicked, this, &ChromeController::onClicked,
                Qt::UniqueConnection);
    }
    take(m.editExifMenu, b.editExifMenu);
    take(m.removeExifMenu, b.removeExifMenu);
    take(m.importPhotoMenu, b.importPhotoMenu);
    take(m.importandExportMenu, b.importandExportMenu);
    if (b.closedButton) {
        connect(b.closedButton, &PRClosedButton::mouseDown, this,
                &ChromeController::MyClosebuttonMouseDownHandle, Qt::UniqueConnection);
        b.closedButton->setPicture(QStringLiteral("Close_Nom.png"));
    }

    const std::pair<PRButton*, const char*> first[] = {
        {b.opendeviceBtn, "opendevice.png"},
        {b.deletePhotoBtn, "delete.png"},
        {b.downloadPhotoBtn, "downloadphoto.png"},
        {b.importEditPhotoBtn, "importphototoedit.png"},
        {b.viewExifBtn, "editphotometa.png"},
        {b.removeExifBtn, "deletemetadata.png"},
        {b.cameraphotoBtn, "cameraphotonom.png"},
        // The window starts with the computer's photos chosen.
        {b.localphotoBtn, "localphotodown.png"},
        {b.localeditexifBtn, "editexifnom.png"},
        {b.editBackBtn, "backnom.png"},
        {b.editTemplateBtn, "templatenom.png"},
        {b.editApplyBtn, "applynom.png"},
    };
    for (const auto& [button, picture] : first) {
        if (button)
            button->setPicture(QString::fromLatin1(picture));
    }
}

void ChromeController::onClicked() {
    if (auto* button = qobject_cast<PRButton*>(sender()))
        MybuttonMouseDownHandle(button);
}

void ChromeController::popUpBelow(QMenu* menu, PRButton* button) {
    if (!menu)
        return;
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

// The pictures and menus of a press; the button's own command runs next.
void ChromeController::MybuttonMouseDownHandle(PRButton* button) {
    if (!button)
        return;
    const ChromeButtons& b = m_buttons;
    if (button == b.opendeviceBtn) {
        button->setPicture(QStringLiteral("opendevice.png"));
        for (PRButton* offered :
             {b.deletePhotoBtn, b.downloadPhotoBtn, b.viewExifBtn, b.removeExifBtn}) {
            if (offered)
                offered->setEnabled(true);
        }
    } else if (button == b.deletePhotoBtn) {
        button->setPicture(QStringLiteral("delete.png"));
    } else if (button == b.downloadPhotoBtn) {
        button->setPicture(QStringLiteral("downloadphoto.png"));
    } else if (button == b.importEditPhotoBtn) {
        button->setPicture(QStringLiteral("importphototoedit.png"));
    } else if (button == b.viewExifBtn) {
        button->setPicture(QStringLiteral("editphotometa.png"));
        popUpBelow(b.editExifMenu, button);
    } else if (button == b.removeExifBtn) {
        button->setPicture(QStringLiteral("deletemetadata.png"));
        popUpBelow(b.removeExifMenu, button);
    } else if (button == b.importPhotobtn) {
        popUpBelow(b.importPhotoMenu, button);
    } else if (button == b.remoMetaDataLocalBtn) {
        popUpBelow(b.removeExifMenu, button);
    } else if (button == b.editMetaDataLocalBtn) {
        popUpBelow(b.editExifMenu, button);
    } else if (button == b.importandExportBtn) {
        popUpBelow(b.importandExportMenu, button);
    } else if (button == b.cameraphotoBtn) {
        button->setPicture(QStringLiteral("cameraphotodown.png"));
        button->setChecked(true);
        if (b.localphotoBtn) {
            b.localphotoBtn->setPicture(QStringLiteral("localphotonom.png"));
            b.localphotoBtn->setChecked(false);
        }
    } else if (button == b.localphotoBtn) {
        if (b.cameraphotoBtn) {
            b.cameraphotoBtn->setPicture(QStringLiteral("cameraphotonom.png"));
            b.cameraphotoBtn->setChecked(false);
        }
        button->setPicture(QStringLiteral("localphotodown.png"));
        button->setChecked(true);
    } else if (button == b.editBackBtn) {
        button->setPicture(QStringLiteral("backdown.png"));
    } else if (button == b.editTemplateBtn) {
        button->setPicture(QStringLiteral("templatedown.png"));
    } else if (button == b.editApplyBtn) {
        button->setPicture(QStringLiteral("applydown.png"));
    } else if (button == b.localeditexifBtn) {
        button->setPicture(QStringLiteral("editexifnom.png"));
    }
}

void ChromeController::PRbuttonMouseEnteredHandle(PRButton* button) {
    const ChromeButtons& b = m_buttons;
    if (!button)
        return;
    if (button == b.editBackBtn)
        button->setPicture(QStringLiteral("backdown.png"));
    else if (button == b.editTemplateBtn)
        button->setPicture(QStringLiteral("templatedown.png"));
    else if (button == b.editApplyBtn)
        button->setPicture(QStringLiteral("applydown.png"));
}

void ChromeController::PRbuttonMouseExitedHandle(PRButton* button) {
    const ChromeButtons& b = m_buttons;
    if (!button)
        return;
    if (button == b.editBackBtn)
        button->setPicture(QStringLiteral("backnom.png"));
    else if (button == b.editTemplateBtn)
        button->setPicture(QStringLiteral("templatenom.png"));
    else if (button == b.editApplyBtn)
        button->setPicture(QStringLiteral("applynom.png"));
}

void ChromeController::MyClosebuttonMouseDownHandle(PRClosedButton* button) {
    if (!button || button != m_buttons.closedButton)
        return;
    button->setPicture(QStringLiteral("Close_Down.png"));
    CloseTheMainWindow();
    button->setPicture(QStringLiteral("Close_Nom.png"));
}

bool ChromeController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close) {
        if (!windowWantsToClose())
            event->ignore();
        return !event->isAccepted();
    }
    return QObject::eventFilter(watched, event);
}
