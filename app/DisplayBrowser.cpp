#include "app/DisplayController.h"

#include "app/CurrentPhoto.h"
#include "app/DropTargets.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/MainWindowLayout.h"
#include "app/PhotoCellDelegate.h"
#include "app/PhotoViewerWindow.h"
#include "app/PropertyOutlineView.h"
#include "app/SourceSelection.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>

namespace {
const QString ThumbnailSideKey = QStringLiteral("window/thumbnailSide");
const QString StoredValuesKey = QStringLiteral("window/storedValues");
constexpr int RawPathRole = Qt::UserRole + 1;
} // namespace

// The tree's values and the thumbnails' size as the settings keep them, and
// the commands' first state, once the lists exist (their connections are
// made in AppDelegateWiring.cpp).
void DisplayController::restoreView() {
    const MainWindowOutlets& o = m_outlets;
    o.fullSizeItem->setEnabled(false);
    // Enter in the browser shows the photo at full size, as a double click does.
    o.localImageBrowserView->installEventFilter(this);
    m_storedValues = m_settings.value(StoredValuesKey, false).toBool();
    o.storedValuesItem->setChecked(m_storedValues);
    QSlider* slider = o.thumbnailSizeSlider;
    const int side = m_settings.value(ThumbnailSideKey, PhotoCellDelegate::firstSide).toInt();
    slider->setValue(side);
    setThumbnailSide(slider->value());
    m_thumbnailResize->start(0);
    refreshSelectionState();
}

// The thumbnails made anew for the size the browser's cells now have.
void DisplayController::remakeThumbnails() {
    const auto* delegate =
        static_cast<PhotoCellDelegate*>(m_outlets.localImageBrowserView->itemDelegate());
    // Made at the screen's density, so that they are sharp at 200 %.
    const qreal ratio = m_outlets.window->devicePixelRatioF();
    const QSize made = delegate->thumbnailBox() * ratio;
    m_thumbnails.setSize(made);
    // The cache holds what the screen can show three times over (a
    // screen either way of the one shown), whatever the list's length.
    const QScreen* screen = m_outlets.window->screen();
    const QSize cell = delegate->cellSize();
    const qint64 screenCells = screen ? qint64(screen->size().width() / cell.width() + 1) *
                                            (screen->size().height() / cell.height() + 1)
                                      : 100;
    const qint64 perThumbnail = qint64(made.width()) * made.height() * 4;
    m_thumbnails.setCacheLimit(std::max<qint64>(8 << 20, 3 * screenCells * perThumbnail));
    m_settings.setValue(ThumbnailSideKey, delegate->thumbnailSide());
    m_outlets.localImageBrowserView->viewport()->update();
}

void DisplayController::largerThumbnails() {
    QSlider* slider = m_outlets.thumbnailSizeSlider;
    slider->setValue(slider->value() + PhotoCellDelegate::sideStep);
}

void DisplayController::smallerThumbnails() {
    QSlider* slider = m_outlets.thumbnailSizeSlider;
    slider->setValue(slider->value() - PhotoCellDelegate::sideStep);
}

void DisplayController::showLargeView(const QString& path, const QImage& photo) {
    if (path != m_current.currentChooseFilePath)
        return;
    LargePhotoView* view = m_outlets.localPhotoImageView;
    if (photo.isNull())
        view->setMessage(tr("Not a photo Tessaview can read"));
    else
        view->setPhoto(photo, path);
    Q_EMIT largeViewShown(path);
}

void DisplayController::prefetchAhead() {
    if (!m_current.currentChooseFilePath.isEmpty())
        m_largeView->prefetch(photoAhead(), m_outlets.localPhotoImageView->pixelSize());
}

// The choice is kept for the next run.
void DisplayController::showStoredValues(bool stored) {
    m_settings.setValue(StoredValuesKey, stored);
    m_storedValues = stored;
    if (!m_current.currentExifDictionary.isEmpty())
        showOutline(m_current.currentExifDictionary);
}

void DisplayController::rememberClosedSet(const QModelIndex& index) {
    m_collapsedSets.insert(index.data(RawPathRole).toString());
}

void DisplayController::forgetClosedSet(const QModelIndex& index) {
    m_collapsedSets.remove(index.data(RawPathRole).toString());
}

void DisplayController::setThumbnailSide(int side) {
    NSDragImageBrowserView* browser = m_outlets.localImageBrowserView;
    auto* delegate = static_cast<PhotoCellDelegate*>(browser->itemDelegate());
    delegate->setThumbnailSide(side);
    browser->setCellSize(delegate->cellSize());
    browser->setIconSize(delegate->thumbnailBox());
    browser->setMinimumWidth(delegate->cellSize().width() + 24);
    m_outlets.thumbnailSizeSlider->setValue(delegate->thumbnailSide());
    m_outlets.largerThumbnailsItem->setEnabled(side < PhotoCellDelegate::largestSide);
    m_outlets.smallerThumbnailsItem->setEnabled(side > PhotoCellDelegate::smallestSide);
    // The thumbnails are made anew once the size rests.
    m_thumbnailResize->start();
}

bool DisplayController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_outlets.localImageBrowserView && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            const QModelIndex current = m_outlets.localImageBrowserView->currentIndex();
            if (current.isValid())
                cellWasDoubleClickedAtIndex(listRowOf(current));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// The large views step through the browser's list as shown: the photo a
// step on becomes the one selection, and the window of the photo follows it.
void DisplayController::stepPhoto(int step) {
    QListView* browser = m_outlets.localImageBrowserView;
    const QAbstractItemModel* list = browser->model();
    const int rows = list ? list->rowCount() : 0;
    if (rows == 0 || !browser->selectionModel())
        return;
    const QModelIndex current = browser->currentIndex();
    const qint64 from = current.isValid() ? current.row() : (step > 0 ? -1 : rows);
    const int to = int(std::clamp<qint64>(from + step, 0, rows - 1));
    if (to == from)
        return;
    const QModelIndex next = list->index(to, 0);
    browser->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    browser->scrollTo(next);
    if (m_viewer->isVisible())
        showFullSize();
}

void DisplayController::showFullSize() {
    const QString path = m_current.currentChooseFilePath;
    if (path.isEmpty())
        return;
    m_viewer->showPhoto(path, QFileInfo(path).fileName(), photoAhead());
}

void DisplayController::refreshSelectionState() {
    const MainWindowOutlets& o = m_outlets;
    const int photos = m_localPhotos.rowCount();
    const int selected = m_selection.selectionCount(SourceMode::Computer);
    const QAbstractItemModel* browsed = o.localImageBrowserView->model();
    const int shown = browsed ? browsed->rowCount() : photos;
    if (shown != photos)
        o.photoCountLabel->setText(
            tr("%1 of %2 photos shown, %3 selected").arg(shown).arg(photos).arg(selected));
    else
        o.photoCountLabel->setText(photos == 1
                                       ? tr("1 photo, %1 selected").arg(selected)
                                       : tr("%1 photos, %2 selected").arg(photos).arg(selected));
    // The commands that work on the selection wait for one, in the source
    // they work on; the stamp and the imports always work on the computer's.
    const bool some = m_selection.selectionCount(m_selection.mode()) > 0;
    const bool local = selected > 0;
    const bool current = !m_current.currentExifDictionary.isEmpty();
    for (QAction* action : o.removeExifMenu->actions())
        action->setEnabled(some);
    for (QAction* action : {o.changeDateItem, o.fileDatesItem, o.changeGpsItem, o.addGpsItem})
        action->setEnabled(some);
    o.dateStampItem->setEnabled(local);
    o.removeFromListItem->setEnabled(local);
    o.fixedPositionItem->setEnabled(some && !m_current.currentFileName.isEmpty());
    o.showMapItem->setEnabled(m_current.bMapPreview);
    o.fullSizeItem->setEnabled(!m_current.currentChooseFilePath.isEmpty() && local);
    o.editApplyBtn->setEnabled(some);
    for (QAction* action : o.importandExportMenu->actions()) {
        if (action->isSeparator())
            continue;
        // Exports write the current photo's metadata (or the form); imports
        // write into the selected photos.
        const bool exportsForm = action->property("exportsForm").toBool();
        const bool exports = action->property("exports").toBool();
        action->setEnabled(exportsForm || (exports ? current : local));
    }
}
