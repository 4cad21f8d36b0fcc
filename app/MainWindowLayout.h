#pragma once

#include "app/PRButton.h"

#include <QLineEdit>
#include <QList>

class MapWidget;
class NSDragImageBrowserView;
class PRDragImageView;
class PWindowView;
class QAction;
class QLabel;
class QListView;
class QMainWindow;
class QMenu;
class QPushButton;
class QTreeView;
class QWidget;

// The controls of the main window by the controller's names for them.
struct MainWindowOutlets {
    QMainWindow* window = nullptr;
    PWindowView* theView = nullptr; // the banner across the top

    // Left pane: exactly one of the three is visible.
    NSDragImageBrowserView* localImageBrowserView = nullptr; // also the scroll view
    QWidget* leftTipView = nullptr;
    PRDragImageView* leftTipImageView = nullptr;
    QLabel* leftTipCameraImageView = nullptr;
    // The device photos; shown by the device source.
    QListView* imageBrowserView = nullptr;

    QWidget* localphotoView = nullptr;
    QLabel* localPhotoImageView = nullptr;
    MapWidget* currentlocalMapView = nullptr;
    QTreeView* propertyOutline = nullptr;

    QLineEdit *photoNamelab = nullptr, *photoFileSizelab = nullptr, *photoImageSizelab = nullptr,
              *photoDPIlab = nullptr, *photoCreateDatelab = nullptr, *photoModDatelab = nullptr;
    QLineEdit *artistlab = nullptr, *imageDescrilab = nullptr, *copyrightlab = nullptr,
              *cameraMakelab = nullptr, *cameraModelab = nullptr, *cameraDatelab = nullptr,
              *commentslab = nullptr, *keywordslab = nullptr, *gpsDatelab = nullptr,
              *gpsTimelab = nullptr, *gpsAitlab = nullptr, *gpsLatilab = nullptr,
              *gpsLongtlab = nullptr;

    // The import button opens its menu below it.
    PRButton* importPhotobtn = nullptr;
    QMenu* importPhotoMenu = nullptr;
    QAction *importItem = nullptr, *clearAndImportItem = nullptr, *openFolderItem = nullptr,
            *clearItem = nullptr;
    QPushButton* preferencesButton = nullptr;
    // The two sources: their buttons, and the menu items (the device's enabled
    // once a camera is there).
    PRButton *localphotoBtn = nullptr, *cameraphotoBtn = nullptr;
    QAction *changtoComputermodemenu = nullptr, *changtoiOSmodemenu = nullptr;

    // The remove, edit and import-and-export buttons open their menus below them.
    PRButton *remoMetaDataLocalBtn = nullptr, *editMetaDataLocalBtn = nullptr,
             *importandExportBtn = nullptr;
    QMenu *removeExifMenu = nullptr, *editExifMenu = nullptr, *importandExportMenu = nullptr;
    QAction *removeExifItem = nullptr, *removeGpsItem = nullptr, *removeIptcItem = nullptr,
            *removeExifAndGpsItem = nullptr, *removeAllItem = nullptr;
    QAction *changeDateItem = nullptr, *fileDatesItem = nullptr, *dateStampItem = nullptr;
    QAction *changeGpsItem = nullptr, *addGpsItem = nullptr, *showMapItem = nullptr,
            *fixedPositionItem = nullptr;

    // The edit form: a panel of the thirteen fields that slides in over the
    // summary and the outline, beside the photo and the map.
    QWidget* editView = nullptr;
    PRButton *editBackBtn = nullptr, *editApplyBtn = nullptr, *editTemplateBtn = nullptr;
    // Both edit buttons show the form.
    PRButton *starteditBtn = nullptr, *localeditexifBtn = nullptr;

    QList<QLineEdit*> summaryFields() const;
    QList<QLineEdit*> formFields() const;
};

// Builds the main window: 900 x 752, not resizable.
MainWindowOutlets buildMainWindow();
