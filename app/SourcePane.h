#pragma once

class PRButton;
class QWidget;
struct MainWindowOutlets;

// What the main window shows of the two sources: in the left pane exactly
// one of the computer's photo browser, the drop hint and the camera hint,
// and of the two source buttons the chosen one, by picture and by state.
class SourcePane {
public:
    explicit SourcePane(const MainWindowOutlets& o);

    // The computer's photos where there are some, else the drop hint.
    void showPhotosOrDropHint(bool hasPhotos);
    // No camera is there to show photos of.
    void showCameraHint();
    void showChosenSource(bool computer);

private:
    QWidget* m_browser;
    QWidget* m_dropHint;
    QWidget* m_cameraHint;
    PRButton* m_computerButton;
    PRButton* m_cameraButton;
};
