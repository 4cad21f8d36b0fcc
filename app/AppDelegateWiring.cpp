#include "app/AppDelegate.h"

#include "app/BrowserController.h"
#include "sources/PhotoBrowserModel.h"

#include "app/CameraWindow.h"
#include "app/ChangeGPSWindow.h"
#include "app/ChromeController.h"
#include "app/CommandRunner.h"
#include "app/DateWindows.h"
#include "app/DatesController.h"
#include "app/DeviceController.h"
#include "app/DisplayController.h"
#include "app/DropTargets.h"
#include "app/EditFormController.h"
#include "app/GeotagController.h"
#include "app/GeotagWindow.h"
#include "app/GpsController.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/PhotoViewerWindow.h"
#include "app/PreferencesController.h"
#include "app/PreferencesWindow.h"
#include "app/PropertyOutlineView.h"
#include "app/RemovalController.h"
#include "app/SourceSelection.h"
#include "app/StampController.h"
#include "app/TemplatesController.h"
#include "app/ZoneController.h"
#include "app/ZoneWindow.h"
#include "sources/PhotoListModel.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

// Every control of the main window and its windows meets its command here.

void AppDelegate::wireDisplay() {
    const MainWindowOutlets& o = m_outlets;
    DisplayController* d = m_display.get();
    connect(o.importItem, &QAction::triggered, d, &DisplayController::ClickImportPhotosAction);
    connect(o.clearAndImportItem, &QAction::triggered, d,
            &DisplayController::ClickClearandImportPhotosAction);
    connect(o.openFolderItem, &QAction::triggered, d,
            &DisplayController::OpenComputerFoldertoImportAction);
    connect(o.clearItem, &QAction::triggered, d, &DisplayController::ClearLeftPhotos);
    connect(o.changtoComputermodemenu, &QAction::triggered, d,
            &DisplayController::ChangeToImportComputerPhoto);
    PreferencesController* p = m_preferences.get();
    connect(o.preferencesButton, &QPushButton::clicked, p,
            &PreferencesController::ShowPreferenceSetting);
    connect(o.localImageBrowserView, &NSDragImageBrowserView::NSDragOperationImageNote, d,
            &DisplayController::PRDragOperationImageNoteHandle);
    connect(o.leftTipImageView, &PRDragImageView::NSDragOperationImageViewNote, d,
            &DisplayController::NSDragOperationImageViewNoteHandle);
    connect(o.localImageBrowserView, &QAbstractItemView::doubleClicked, d,
            [d](const QModelIndex& index) { d->cellWasDoubleClickedAtIndex(listRowOf(index)); });
    // The last photo taken out of the list leaves the panes as emptying it does.
    connect(m_browser.get(), &BrowserController::listEmptied, d,
            &DisplayController::ClearLeftPhotos);
    connect(m_browser.get(), &BrowserController::shownChanged, d,
            &DisplayController::refreshSelectionState);
    // The selected photo at full size, and steps from it to the next.
    connect(o.fullSizeItem, &QAction::triggered, d, &DisplayController::showFullSize);
    connect(o.localPhotoImageView, &LargePhotoView::doubleClicked, d,
            &DisplayController::showFullSize);
    connect(o.localPhotoImageView, &LargePhotoView::stepRequested, d,
            &DisplayController::stepPhoto);
    connect(d->photoViewer(), &PhotoViewerWindow::stepRequested, d, &DisplayController::stepPhoto);

    PreferencesWindow* preferences = p->preferenceWindow();
    connect(preferences->changeLocationButton, &QPushButton::clicked, p,
            &PreferencesController::ChangeStoreLocation);
    connect(preferences->confirmButton, &QPushButton::clicked, p,
            &PreferencesController::ResetPreferenceSetting);
    connect(preferences->cancelButton, &QPushButton::clicked, p,
            &PreferencesController::CancelPreferenceSetting);
    connect(preferences->fontButton, &QPushButton::clicked, m_stamp.get(),
            &StampController::ShowFontPanelAction);
}

void AppDelegate::wireBrowsers() {
    const MainWindowOutlets& o = m_outlets;
    DisplayController* d = m_display.get();
    connect(o.localImageBrowserView->selectionModel(), &QItemSelectionModel::selectionChanged, d,
            &DisplayController::imageBrowserSelectionDidChange);
    for (QListView* view : {static_cast<QListView*>(o.localImageBrowserView), o.imageBrowserView})
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, d,
                &DisplayController::refreshSelectionState);
    for (const PhotoListModel* list : {m_localPhotos.get(), m_devicePhotos.get()}) {
        connect(list, &QAbstractItemModel::rowsInserted, d,
                &DisplayController::refreshSelectionState);
        connect(list, &QAbstractItemModel::rowsRemoved, d,
                &DisplayController::refreshSelectionState);
        connect(list, &QAbstractItemModel::modelReset, d,
                &DisplayController::refreshSelectionState);
    }
    connect(m_selection.get(), &SourceSelection::modeChanged, d,
            &DisplayController::refreshSelectionState);

    connect(d->largeViewDecoder(), &LatestPhotoDecoder::decoded, d,
            &DisplayController::showLargeView);
    connect(o.localPhotoImageView, &LargePhotoView::needsLargerPhoto, d,
            &DisplayController::requestLargeView);
    connect(o.localPhotoImageView, &LargePhotoView::pixelSizeChanged, d,
            &DisplayController::prefetchAhead);
    connect(o.propertyOutline, &QTreeView::collapsed, d, &DisplayController::rememberClosedSet);
    connect(o.propertyOutline, &QTreeView::expanded, d, &DisplayController::forgetClosedSet);
    connect(o.storedValuesItem, &QAction::toggled, d, &DisplayController::showStoredValues);
    connect(o.thumbnailSizeSlider, &QSlider::valueChanged, d, &DisplayController::setThumbnailSide);
    connect(o.largerThumbnailsItem, &QAction::triggered, d, &DisplayController::largerThumbnails);
    connect(o.smallerThumbnailsItem, &QAction::triggered, d, &DisplayController::smallerThumbnails);
}

void AppDelegate::wireEditing() {
    const MainWindowOutlets& o = m_outlets;
    RemovalController* r = m_removal.get();
    connect(o.removeExifItem, &QAction::triggered, r, &RemovalController::RemoveExifDataFromPhoto);
    connect(o.removeGpsItem, &QAction::triggered, r, &RemovalController::RemoveGPSDataFromPhoto);
    connect(o.removeIptcItem, &QAction::triggered, r, &RemovalController::RemoveIPTCDataFromPhoto);
    connect(o.removeExifAndGpsItem, &QAction::triggered, r,
            &RemovalController::DeleteExifAndGPSData);
    connect(o.removeAllItem, &QAction::triggered, r,
            &RemovalController::RemoveAllMetadataFromPhoto);
    connect(o.revertItem, &QAction::triggered, r, &RemovalController::RevertToOriginalAction);
    // The browser's marks and the shown values follow the working copies.
    DisplayController* display = m_display.get();
    connect(r, &RemovalController::workingCopiesChanged, display,
            &DisplayController::followWorkingCopies);
    connect(m_runner.get(), &CommandRunner::commandFinished, display,
            &DisplayController::followWorkingCopies);
    // The marks of the photos a command wrote (or reverted) are read again.
    BrowserController* browser = m_browser.get();
    connect(r, &RemovalController::workingCopiesChanged, browser,
            &BrowserController::readSelectedFactsAgain);
    connect(m_runner.get(), &CommandRunner::commandFinished, browser,
            &BrowserController::readSelectedFactsAgain);

    DatesController* d = m_dates.get();
    connect(o.changeDateItem, &QAction::triggered, d, &DatesController::ChangeDateExifFromPhoto);
    connect(o.fileDatesItem, &QAction::triggered, d,
            &DatesController::ClickCopyExifDateToCreateDateAction);
    connect(o.dateStampItem, &QAction::triggered, m_stamp.get(),
            &StampController::AddDateOnPhotoAction);
    connect(d, &DatesController::deviceCopiesNeeded, m_device.get(),
            &DeviceController::ViewExifData);
    ZoneController* z = m_zone.get();
    connect(o.zoneItem, &QAction::triggered, z, &ZoneController::SetTimeZoneAction);
    connect(z->zoneWindow()->saveButton, &QPushButton::clicked, z,
            &ZoneController::ClickZoneSaveAction);
    connect(z->zoneWindow()->cancelButton, &QPushButton::clicked, z,
            &ZoneController::ClickZoneCancelAction);

    ChangeDateWindow* dates = d->changeDateWindow();
    connect(dates->saveButton, &QPushButton::clicked, d,
            &DatesController::ClickDateChangedSaveAction);
    connect(dates->cancelButton, &QPushButton::clicked, d,
            &DatesController::ClickDateChangedCancelAction);
    ChangeMutiDateWindow* batch = d->changeMutiDateWindow();
    connect(batch->dateChoosePhotoBtn, &QPushButton::clicked, d,
            &DatesController::ChoosePhotosAction);
    connect(batch->AddTimeBtn, &QPushButton::clicked, d, &DatesController::ClickAddTimeAction);
    connect(batch->RemoveTimeBtn, &QPushButton::clicked, d,
            &DatesController::ClickRemoveTimeAction);
    connect(batch->saveButton, &QPushButton::clicked, d,
            &DatesController::ClickMutiDateChangedSaveAction);
    connect(batch->cancelButton, &QPushButton::clicked, d,
            &DatesController::ClickMutiDateChangedCancelAction);
    // Escape or the title bar's close button cancel as the button does.
    connect(batch, &QDialog::rejected, d, &DatesController::ClickMutiDateChangedCancelAction);
}

void AppDelegate::wireTemplateMenu() {
    QMenu* menu = m_outlets.importandExportMenu;
    using T = TemplatesController;
    const struct {
        const char* title;
        void (TemplatesController::*command)();
    } items[] = {
        {"Export TIFF Set…", &T::ExportTIFFtoPlistAction},
        {"Export EXIF Set…", &T::ExportExiftoPlistAction},
        {"Export EXIF and TIFF Sets…", &T::ExportExifAndIiFFDataToPlist},
        {"Export EXIF and GPS Sets…", &T::ExportExifAndGPSDataToPlist},
        {"Export All Metadata…", &T::WriteExifDataToPlist},
        // The same file; it too writes the shown photo alone, whatever else is selected.
        {"Export All Metadata of the Shown Photo…", &T::WriteSelectedItemsExifDataToPlist},
        {"Export Template from the Form…", &T::ExportTemplateDataToPlist},
        {nullptr, nullptr},
        {"Import TIFF Set…", &T::ImportTIFFtoPlistAction},
        {"Import EXIF Set…", &T::ImportExiFtoPlistAction},
        {"Import EXIF and TIFF Sets…", &T::ImportExiFAndTiffPlistAction},
        {"Import EXIF and GPS Sets…", &T::ImportExiFAndGPSPlistAction},
        {"Import All Metadata…", &T::ImportMetaDataPlistAction},
        {"Import Template…", &T::ImportTemplateDataPlistAction},
    };
    bool exports = true;
    for (const auto& item : items) {
        if (!item.title) {
            menu->addSeparator();
            exports = false;
            continue;
        }
        QAction* action = menu->addAction(tr(item.title));
        // What each needs: a current photo to export, the form, or a selection to import into.
        action->setProperty("exports", exports);
        action->setProperty("exportsForm", item.command == &T::ExportTemplateDataToPlist);
        connect(action, &QAction::triggered, m_templates.get(), item.command);
    }
}

void AppDelegate::wireDevice() {
    // The device window's buttons and the source buttons act through the
    // chrome (wireChrome); the menu item directly.
    connect(m_outlets.changtoiOSmodemenu, &QAction::triggered, m_device.get(),
            &DeviceController::ChangeToImportiOSDevicePhoto);
}

void AppDelegate::wireGps() {
    const MainWindowOutlets& o = m_outlets;
    GpsController* g = m_gps.get();
    connect(o.changeGpsItem, &QAction::triggered, g, &GpsController::EditeGPSExifDataPhoto);
    connect(o.addGpsItem, &QAction::triggered, g, &GpsController::AddGPSExifDataPhoto);
    connect(o.showMapItem, &QAction::triggered, g, &GpsController::ShowMapAction);
    connect(o.fixedPositionItem, &QAction::triggered, g, &GpsController::ChangeGPSExifDataPhoto);
    ChangeGPSWindow* w = g->changeGPSWindow();
    connect(w->previewButton, &QPushButton::clicked, g, &GpsController::PreviewCurrentGPSInMap);
    connect(w->saveButton, &QPushButton::clicked, g, &GpsController::ClickSaveChangeGPSAction);
    connect(w->cancelButton, &QPushButton::clicked, g, &GpsController::ClickCancleSaveGPSAction);
    connect(g, &GpsController::deviceCopiesNeeded, m_device.get(), &DeviceController::ViewExifData);
}

// The Edit button's menu, which the Metadata menu repeats.
void AppDelegate::wireGeotag() {
    QAction* item = new QAction(tr("Geotag from Track…"), m_outlets.editExifMenu);
    item->setObjectName(QStringLiteral("geotagItem"));
    m_outlets.editExifMenu->insertAction(m_outlets.fixedPositionItem, item);
    GeotagController* g = m_geotag.get();
    connect(item, &QAction::triggered, g, &GeotagController::GeotagFromTrackAction);
    GeotagWindow* w = g->geotagWindow();
    connect(w->addTrackButton, &QPushButton::clicked, g, &GeotagController::AddTrackAction);
    connect(w->removeTrackButton, &QPushButton::clicked, g, &GeotagController::RemoveTrackAction);
    connect(w->syncButton, &QPushButton::clicked, g, &GeotagController::SynchroniseAction);
    connect(w->clearSyncButton, &QPushButton::clicked, g, &GeotagController::ClearSyncAction);
    connect(w->applyButton, &QPushButton::clicked, g, &GeotagController::ApplyGeotagAction);
    connect(w->closeButton, &QPushButton::clicked, g, &GeotagController::CloseGeotagAction);
}

void AppDelegate::wireEditForm() {
    // The form's image buttons take their pictures from the chrome, their
    // commands in wireButtons.
    const MainWindowOutlets& o = m_outlets;
    ChromeButtons b;
    b.editBackBtn = o.editBackBtn;
    b.editTemplateBtn = o.editTemplateBtn;
    b.editApplyBtn = o.editApplyBtn;
    b.localeditexifBtn = o.localeditexifBtn;
    m_chrome->attach(b);
    EditFormController* f = m_editForm.get();
    connect(o.fillPlacesBtn, &QPushButton::clicked, f, &EditFormController::FillFromPositionAction);
    connect(o.placesItem, &QAction::triggered, f,
            &EditFormController::FillPlacesFromPositionsAction);
    // The template button shows once it has its command (wireButtons).
    o.editTemplateBtn->show();
}

namespace {

// A press of an image button, by the mouse, the keyboard or a click made by
// the program or an assistive tool, runs its command. Connected after the
// chrome (ChromeController::attach), which sets the pressed picture first.
template <class Receiver>
void onPress(PRButton* button, Receiver* receiver, void (Receiver::*command)()) {
    QObject::connect(button, &PRButton::mouseDown, receiver, command);
    QObject::connect(button, &QPushButton::clicked, receiver, command);
}

} // namespace

void AppDelegate::wireButtons() {
    const MainWindowOutlets& o = m_outlets;
    const CameraWindow* w = m_device->cameraWindow();
    DeviceController* d = m_device.get();
    onPress(w->opendeviceBtn, d, &DeviceController::OpenDeviceAction);
    onPress(w->deletePhotoBtn, d, &DeviceController::DeletePhotoAction);
    onPress(w->downloadPhotoBtn, d, &DeviceController::DownloadPhotoAction);
    onPress(w->importEditPhotoBtn, d, &DeviceController::DownloadImportEditePhotoAction);
    onPress(o.cameraphotoBtn, d, &DeviceController::ChangeToImportiOSDevicePhoto);
    onPress(o.localphotoBtn, m_display.get(), &DisplayController::ChangeToImportComputerPhoto);
    EditFormController* f = m_editForm.get();
    onPress(o.localeditexifBtn, f, &EditFormController::StartEditViewAction);
    onPress(o.editBackBtn, f, &EditFormController::HideEditViewAction);
    onPress(o.editApplyBtn, f, &EditFormController::ClickApplyChangeAction);
    onPress(o.editTemplateBtn, m_templates.get(), &TemplatesController::ExportTemplateDataToPlist);
}
