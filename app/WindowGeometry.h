#pragma once

#include <QSize>
#include <QString>

class QSettings;
class QWidget;
struct MainWindowOutlets;

// Where the windows were and how the panes were divided, kept between runs
// under "window/..." beside the preferences.
namespace WindowGeometry {

// The main window as it was left, or the first size centred on the screen
// (shrunk to the screen where the screen is smaller).
void restoreMainWindow(const MainWindowOutlets& o, QSettings& settings);
void saveMainWindow(const MainWindowOutlets& o, QSettings& settings);

// Another window as it was left, or its own size centred on the window it
// belongs to.
void restoreWindow(QWidget* window, QSettings& settings, const QString& name, QWidget* over);
void saveWindow(const QWidget* window, QSettings& settings, const QString& name);

// The window centred on another (or on the screen without one), kept on the
// screen.
void centreOn(QWidget* window, const QWidget* over);

// Escape and Ctrl+W (and the desktop's own close keys) close the window, as
// they close a document window.
void closeWithEscapeAndCtrlW(QWidget* window);

} // namespace WindowGeometry
