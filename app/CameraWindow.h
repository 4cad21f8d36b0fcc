#pragma once

#include "app/PRButton.h"

#include <QWidget>

class QLabel;
class QListView;
class QProgressBar;
class QStackedWidget;

// The camera window of the device source: the connected camera's name, its
// photos and movies, the task progress and the device commands.
class CameraWindow : public QWidget {
    Q_OBJECT
public:
    // Takes the device browser into its layout.
    CameraWindow(QListView* imageBrowserView, QWidget* parent = nullptr);

    QLabel* deviceNamelab = nullptr;
    QListView* imageBrowserView = nullptr;
    QProgressBar* camerataskProgressor = nullptr;
    PRButton *opendeviceBtn = nullptr, *downloadPhotoBtn = nullptr, *importEditPhotoBtn = nullptr,
             *deletePhotoBtn = nullptr, *viewExifBtn = nullptr, *removeExifBtn = nullptr;
    // Says what to do until a device is open; the browser then takes its place.
    QLabel* openHint = nullptr;
    void showOpenHint(bool hint);
    bool showsOpenHint() const;

private:
    QStackedWidget* m_pages = nullptr;
};
