#pragma once

#include "app/PRButton.h"

#include <QWidget>

class QLabel;
class QListView;
class QProgressBar;

// The device window: the connected camera's name, its photos and movies,
// the task progress and the device commands.
class DeviceWindow : public QWidget {
    Q_OBJECT
public:
    // Takes the device browser into its layout.
    DeviceWindow(QListView* imageBrowserView, QWidget* parent = nullptr);

    QLabel* deviceNamelab = nullptr;
    QListView* imageBrowserView = nullptr;
    QProgressBar* camerataskProgressor = nullptr;
    PRButton *opendeviceBtn = nullptr, *downloadPhotoBtn = nullptr, *importEditPhotoBtn = nullptr,
             *deletePhotoBtn = nullptr, *viewExifBtn = nullptr, *removeExifBtn = nullptr;
};
