#pragma once

#include <QString>
#include <QWidget>

class LargePhotoView;
class QAction;
class LatestPhotoDecoder;
class MetadataService;
class QSettings;

// The selected photo at full size in a window of its own: opened by a double
// click or Enter in the browser, closed by Escape or Ctrl+W; the arrows, Page
// Up and Down, Home, End and the wheel step through the list, F11 fills the
// screen. The photo is decoded off the GUI thread for the screen it is on.
class PhotoViewerWindow : public QWidget {
    Q_OBJECT
public:
    // Its place is kept in the settings.
    PhotoViewerWindow(MetadataService& metadata, QSettings& settings, QWidget* parent = nullptr);

    // Shows the photo, where the window was last left (or over its parent),
    // and decodes the one likely to come next ahead of time.
    void showPhoto(const QString& path, const QString& name, const QString& ahead = {});
    LargePhotoView* view() const { return m_view; }

Q_SIGNALS:
    void photoShown(const QString& path);
    // The keys and the wheel ask for a photo further on (positive) or back.
    void stepRequested(int step);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void decode();
    void addCommands();

    LargePhotoView* m_view;
    QAction* m_fullScreen = nullptr;
    LatestPhotoDecoder* m_decoder;
    QString m_path;
    QString m_ahead;
    QSettings& m_settings;
    bool m_placed = false;
};
