#include "app/CommandBar.h"
#include "app/MainWindowLayout.h"
#include "app/Pictures.h"

#include <QAction>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>

namespace {

PRButton* commandButton(const QString& title, const QString& name, const QString& picture) {
    auto* b = new PRButton(title);
    b->setObjectName(name);
    b->setPicture(picture);
    b->setAutoDefault(false);
    return b;
}

PRButton* menuButton(const QString& title, const QString& name, const QString& picture) {
    PRButton* b = commandButton(title, name, picture);
    b->setMenuArrow(true);
    return b;
}

QMenu* menuOf(PRButton* button, const QString& name, const QString& title = QString()) {
    auto* menu = new QMenu(title, button);
    menu->setObjectName(name);
    return menu;
}

} // namespace

// One style for every button of the bar: a picture and its title, and an
// arrow on those that open a menu. A bar too narrow for all the titles shows
// the pictures alone (the bar says how), never a hidden command.
void buildCommandBar(MainWindowOutlets& o) {
    auto* bar = new CommandBar;
    bar->setObjectName(QStringLiteral("commandBar"));
    o.commandBar = bar;

    o.importPhotobtn = menuButton(QObject::tr("Import"), QStringLiteral("importPhotobtn"),
                                  QStringLiteral("importphotos.png"));
    o.importPhotoMenu = menuOf(o.importPhotobtn, QStringLiteral("importPhotoMenu"));
    o.importItem = o.importPhotoMenu->addAction(QObject::tr("Import Photos…"));
    o.clearAndImportItem = o.importPhotoMenu->addAction(QObject::tr("Clear and Import…"));
    o.openFolderItem = o.importPhotoMenu->addAction(QObject::tr("Open Folder…"));
    o.importPhotoMenu->addSeparator();
    o.clearItem = o.importPhotoMenu->addAction(QObject::tr("Clear List"));

    o.localphotoBtn = commandButton(QObject::tr("Computer"), QStringLiteral("localphotoBtn"),
                                    QStringLiteral("localphotodown.png"));
    o.cameraphotoBtn = commandButton(QObject::tr("Camera"), QStringLiteral("cameraphotoBtn"),
                                     QStringLiteral("cameraphotonom.png"));
    // The chosen source shows pressed, as well as by its picture.
    for (PRButton* source : {o.localphotoBtn, o.cameraphotoBtn})
        source->setCheckable(true);
    o.localphotoBtn->setChecked(true);
    o.localphotoBtn->setToolTip(QObject::tr("The photos on this computer"));
    o.cameraphotoBtn->setToolTip(QObject::tr("The photos of a connected camera or phone"));
    // The menu bar carries them; the device's is offered once a camera is there.
    o.changtoComputermodemenu = new QAction(QObject::tr("Computer"), o.window);
    o.changtoComputermodemenu->setObjectName(QStringLiteral("changtoComputermodemenu"));
    o.changtoiOSmodemenu = new QAction(QObject::tr("Camera or Phone"), o.window);
    o.changtoiOSmodemenu->setObjectName(QStringLiteral("changtoiOSmodemenu"));
    o.changtoiOSmodemenu->setEnabled(false);

    o.remoMetaDataLocalBtn =
        menuButton(QObject::tr("Remove"), QStringLiteral("remoMetaDataLocalBtn"),
                   QStringLiteral("deletemetadata.png"));
    o.removeExifMenu = menuOf(o.remoMetaDataLocalBtn, QStringLiteral("removeExifMenu"));
    o.removeExifItem = o.removeExifMenu->addAction(QObject::tr("Remove EXIF"));
    o.removeGpsItem = o.removeExifMenu->addAction(QObject::tr("Remove GPS"));
    o.removeIptcItem = o.removeExifMenu->addAction(QObject::tr("Remove IPTC"));
    o.removeExifAndGpsItem = o.removeExifMenu->addAction(QObject::tr("Remove EXIF and GPS"));
    o.removeAllItem = o.removeExifMenu->addAction(QObject::tr("Remove All Metadata"));
    o.revertItem = new QAction(QObject::tr("Revert to Original"), o.window);
    o.revertItem->setObjectName(QStringLiteral("revertItem"));
    o.revertItem->setToolTip(
        QObject::tr("Moves the selected photos' edited copies in the storage folder to the trash"));

    o.editMetaDataLocalBtn =
        menuButton(QObject::tr("Dates and GPS"), QStringLiteral("editMetaDataLocalBtn"),
                   QStringLiteral("editphotometa.png"));
    o.editExifMenu = menuOf(o.editMetaDataLocalBtn, QStringLiteral("editExifMenu"));
    o.changeDateItem = o.editExifMenu->addAction(QObject::tr("Change Dates…"));
    o.zoneItem = o.editExifMenu->addAction(QObject::tr("Set Time Zone…"));
    o.zoneItem->setObjectName(QStringLiteral("zoneItem"));
    o.fileDatesItem = o.editExifMenu->addAction(QObject::tr("File Dates from EXIF Date"));
    o.dateStampItem = o.editExifMenu->addAction(QObject::tr("Add Date on Photo"));
    o.editExifMenu->addSeparator();
    o.changeGpsItem = o.editExifMenu->addAction(QObject::tr("Change GPS Position…"));
    o.addGpsItem = o.editExifMenu->addAction(QObject::tr("Add GPS Position…"));
    o.showMapItem = o.editExifMenu->addAction(QObject::tr("Show on Map"));
    o.placesItem = o.editExifMenu->addAction(QObject::tr("Places from Positions…"));
    o.placesItem->setObjectName(QStringLiteral("placesItem"));
    o.placesItem->setToolTip(QObject::tr("Writes the city, state and country of each selected "
                                         "photo's position"));
    o.fixedPositionItem = o.editExifMenu->addAction(QObject::tr("Write the Fixed Test Position"));

    o.importandExportBtn =
        menuButton(QObject::tr("Import and Export"), QStringLiteral("importandExportBtn"),
                   QStringLiteral("exportmetadata.png"));
    o.importandExportBtn->setToolTip(QObject::tr("Import and export metadata as property lists"));
    o.importandExportMenu = menuOf(o.importandExportBtn, QStringLiteral("importandExportMenu"),
                                   QObject::tr("Import and Export"));

    o.localeditexifBtn =
        commandButton(QObject::tr("Edit Fields…"), QStringLiteral("localeditexifBtn"),
                      QStringLiteral("editexifnom.png"));

    o.localeditexifBtn->setToolTip(
        QObject::tr("Shows the form of the selected photos' fields, to change them"));

    auto* preferences = new QPushButton(QObject::tr("Preferences…"));
    preferences->setObjectName(QStringLiteral("preferencesButton"));
    preferences->setAutoDefault(false);
    preferences->setIconSize(QSize(22, 22));
    Pictures::apply(preferences, QStringLiteral("preferences.png"));
    o.preferencesButton = preferences;

    // The buttons join the bar once their tooltips are set: those become the
    // descriptions that follow the titles when the bar shows pictures alone.
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(o.importPhotobtn),
                                    static_cast<QAbstractButton*>(o.localphotoBtn),
                                    static_cast<QAbstractButton*>(o.cameraphotoBtn)})
        bar->addButton(button);
    bar->addSeparator();
    for (PRButton* button :
         {o.remoMetaDataLocalBtn, o.editMetaDataLocalBtn, o.importandExportBtn, o.localeditexifBtn})
        bar->addButton(button);
    bar->addStretch();
    bar->addButton(preferences);

    o.window->centralWidget()->layout()->addWidget(bar);
}
