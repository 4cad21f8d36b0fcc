#include "app/SourcePane.h"

#include "app/DropTargets.h"
#include "app/MainWindowLayout.h"

#include <QLabel>

SourcePane::SourcePane(const MainWindowOutlets& o)
    : m_browser(o.localImageBrowserView), m_dropHint(o.leftTipView),
      m_cameraHint(o.leftTipCameraImageView), m_computerButton(o.localphotoBtn),
      m_cameraButton(o.cameraphotoBtn) {}

void SourcePane::showPhotosOrDropHint(bool hasPhotos) {
    m_cameraHint->hide();
    m_browser->setVisible(hasPhotos);
    m_dropHint->setVisible(!hasPhotos);
}

void SourcePane::showCameraHint() {
    m_cameraHint->show();
    m_browser->hide();
    m_dropHint->hide();
}

void SourcePane::showChosenSource(bool computer) {
    m_computerButton->setPicture(computer ? QStringLiteral("localphotodown.png")
                                          : QStringLiteral("localphotonom.png"));
    m_cameraButton->setPicture(computer ? QStringLiteral("cameraphotonom.png")
                                        : QStringLiteral("cameraphotodown.png"));
    m_computerButton->setChecked(computer);
    m_cameraButton->setChecked(!computer);
}
