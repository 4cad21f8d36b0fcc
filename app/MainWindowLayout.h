#pragma once

#include "app/FormOutlets.h"
#include "app/PRButton.h"

#include <QLineEdit>
#include <QList>
#include <QSize>

class CommandBar;
class LargePhotoView;
class MapWidget;
class NSDragImageBrowserView;
class PRDragImageView;
class PropertyOutlineView;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QListView;
class QMainWindow;
class QMenu;
class QPushButton;
class QSlider;
class QSplitter;
class QToolButton;
class QWidget;

// The controls of the main window by the controller's names for them; the
// edit form's among them.
struct MainWindowOutlets : FormOutlets {
    QMainWindow* window = nullptr;
    CommandBar* commandBar = nullptr; // the window's buttons, under the title bar

    // Three panes side by side: the browser, the summary above the property
    // tree, and the large view above the map (split as the user likes). The last two make up the
    // photo view, over whose left part the edit form slides in.
    QSplitter* mainSplitter = nullptr;  // the browser | the photo view
    QSplitter* photoSplitter = nullptr; // the summary and tree | the large view and map
    QSplitter* viewSplitter = nullptr;  // the large view above the map
    QWidget* viewPane = nullptr;        // beside the summary and tree pane, infoPane

    // Left pane: exactly one of the three is visible.
    NSDragImageBrowserView* localImageBrowserView = nullptr; // also the scroll view
    QWidget* leftTipView = nullptr;
    PRDragImageView* leftTipImageView = nullptr;
    QLabel* leftTipCameraImageView = nullptr;
    // Above the browser: the text it is narrowed to (in names, folders and
    // cameras), a menu of the position and the dates it is narrowed to, and
    // its order.
    QLineEdit* photoFilterField = nullptr;
    QToolButton* photoFilterButton = nullptr;
    QAction *anyPositionItem = nullptr, *withPositionItem = nullptr, *withoutPositionItem = nullptr;
    QCheckBox* takenBetweenBox = nullptr;
    QDateEdit *takenFromEdit = nullptr, *takenToEdit = nullptr;
    QComboBox* photoOrderBox = nullptr; // as listed, name, date taken, folder
    // Delete in the browser: the selected photos leave the list, not the disk.
    QAction* removeFromListItem = nullptr;
    // The device photos; shown by the device source.
    QListView* imageBrowserView = nullptr;

    LargePhotoView* localPhotoImageView = nullptr; // above the map, currentlocalMapView
    PropertyOutlineView* propertyOutline = nullptr;
    QLineEdit* propertyFilter = nullptr; // narrows the tree to a text

    QLineEdit *photoNamelab = nullptr, *photoFileSizelab = nullptr, *photoImageSizelab = nullptr,
              *photoDPIlab = nullptr, *photoCreateDatelab = nullptr, *photoModDatelab = nullptr;

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
    // Moves the selected photos' working copies to the trash (Metadata menu).
    QAction* revertItem = nullptr;
    QAction *changeDateItem = nullptr, *zoneItem = nullptr, *fileDatesItem = nullptr,
            *dateStampItem = nullptr;
    QAction *changeGpsItem = nullptr, *addGpsItem = nullptr, *showMapItem = nullptr,
            *placesItem = nullptr, *fixedPositionItem = nullptr;

    // The View menu's: the tree's stored values, the thumbnails' size, the
    // selected photo at full size.
    QAction *storedValuesItem = nullptr, *largerThumbnailsItem = nullptr,
            *smallerThumbnailsItem = nullptr, *fullSizeItem = nullptr;
    QSlider* thumbnailSizeSlider = nullptr;
    QLabel* photoCountLabel = nullptr; // "N photos, M selected"

    // The edit form (editView, of the fields of FormOutlets) slides in over
    // the summary and the outline, beside the photo and the map.
    PRButton *editBackBtn = nullptr, *editApplyBtn = nullptr, *editTemplateBtn = nullptr;
    // Shows the form (the command bar's, and the Metadata menu's Edit Fields…).
    PRButton* localeditexifBtn = nullptr;

    QList<QLineEdit*> summaryFields() const;
    QList<QWidget*> formFields() const;
    FormOutlets form() const;
    QList<QSplitter*> splitters() const;
};

// The size the window opens at the first time, where the screen has room.
constexpr QSize mainWindowFirstSize{900, 752};

// Builds the main window: resizable, its panes in splitters.
MainWindowOutlets buildMainWindow();
// The window's buttons and their menus into the command bar.
void buildCommandBar(MainWindowOutlets& o);
