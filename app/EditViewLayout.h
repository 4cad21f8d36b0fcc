#pragma once

#include <QRect>

class QPropertyAnimation;
struct FormOutlets;
struct MainWindowOutlets;

// Builds the edit form's panel inside the photo view: the seventeen fields,
// the back, template and apply buttons. The panel starts hidden; the
// template button too, until a command is connected to it.
void buildEditView(MainWindowOutlets& o);

// Where the form rests: over the summary and the tree pane, whole height of
// the photo view.
QRect editViewRestingGeometry(const FormOutlets& o);

// Shows the form at the photo view's right edge and slides it to rest in
// 0.2 s. Showing it again replays the slide.
QPropertyAnimation* slideInEditView(const FormOutlets& o);
// A shown form follows its pane when the window or a splitter moves it.
void keepEditViewAtRest(const FormOutlets& o);

constexpr int editViewSlideMilliseconds = 200;
