#include "app/DisplayController.h"

#include "app/AppSettings.h"
#include "app/ControllerContext.h"
#include "app/DropTargets.h"
#include "app/EditFormState.h"
#include "app/LargePhotoView.h"
#include "app/LatestPhotoDecoder.h"
#include "app/PhotoViewerWindow.h"
#include "app/PreferencesWindow.h"
#include "app/PropertyOutlineView.h"
#include "sources/PhotoListModel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTreeView>

DisplayController::DisplayController(ControllerContext& context, QObject* parent)
    : QObject(parent), m_ctx(context) {
    m_outline = new QStandardItemModel(this);
    m_outline->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    m_ctx.outlets.propertyOutline->setModel(m_outline);
    m_largeView = new LatestPhotoDecoder(m_ctx.metadata, this);
    m_viewer = new PhotoViewerWindow(m_ctx.metadata, m_ctx.outlets.window);
}

DisplayController::~DisplayController() {
    if (m_comparisonStop)
        m_comparisonStop->store(true);
}

QStringList DisplayController::photoNameFilters() {
    return {tr("Photos (*.jpg *.jpeg *.jpe *.png *.tif *.tiff *.webp *.heic *.heif *.hif *.avif "
               "*.gif *.JPG *.JPEG *.PNG *.TIF *.TIFF *.WEBP *.HEIC *.HEIF *.AVIF *.GIF)"),
            tr("All files (*)")};
}

void DisplayController::loadPreferences() {
    const AppSettings settings = AppSettings::loadAtLaunch(*m_ctx.settings);
    ControllerState& state = m_ctx.state;
    state.storagelocation = settings.storagePath;
    m_ctx.preferences->storePathlab->setText(state.storagelocation);
    m_ctx.createStorageFolder();
    state.currentFontname = AppSettings::availableFontFamily(settings.fontName);
    state.currentFontSize = settings.fontSize;
    m_ctx.preferences->showFontlab->setText(
        QStringLiteral("%1 %2").arg(settings.fontName).arg(settings.fontSize));
    state.currentFontColor = Qt::white;
    m_ctx.preferences->setColor(Qt::white);
    m_ctx.preferences->postionBtn->setCurrentText(settings.position);
    state.sidecar = settings.sidecar;
    m_ctx.preferences->sidecarPolicyBox->setCurrentIndex(int(settings.sidecar));
}

void DisplayController::addPaths(const QStringList& paths) {
    QList<IKImageItem> items;
    items.reserve(paths.size());
    for (const QString& path : paths)
        items << IKImageItem::forLocalFile(path);
    m_ctx.localPhotos->append(items);
}

void DisplayController::showBrowser() {
    m_ctx.outlets.localImageBrowserView->show();
    m_ctx.outlets.leftTipView->hide();
    m_ctx.outlets.leftTipCameraImageView->hide();
}

void DisplayController::selectFirstPhoto() {
    if (m_ctx.localPhotos->rowCount() == 0)
        return;
    m_ctx.outlets.localImageBrowserView->selectionModel()->select(
        m_ctx.localPhotos->index(0), QItemSelectionModel::ClearAndSelect);
    m_ctx.outlets.localImageBrowserView->setCurrentIndex(m_ctx.localPhotos->index(0));
}

void DisplayController::openImportPanel(bool clearFirst, bool openCommand) {
    if (clearFirst)
        ClearLeftPhotos();
    auto* panel = new QFileDialog(m_ctx.outlets.window, tr("Please select photos to import."));
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setNameFilters(photoNameFilters());
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel, openCommand](int result) {
        const int code = result == QDialog::Accepted ? 1 : 0;
        if (openCommand)
            openPanelDidEnd(code, panel->selectedFiles());
        else
            openPanelDidEnd1(code, panel->selectedFiles());
    });
    panel->open();
}

void DisplayController::ClickImportPhotosAction() {
    openImportPanel(false, false);
}
void DisplayController::ClickClearandImportPhotosAction() {
    openImportPanel(true, false);
}
void DisplayController::OpenComputerFoldertoImportAction() {
    openImportPanel(false, true);
}

void DisplayController::openPanelDidEnd1(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty())
        return;
    showBrowser();
    addPaths(paths);
    m_ctx.setLocalMode(true);
}

void DisplayController::openPanelDidEnd(int returnCode, const QStringList& paths) {
    if (returnCode != 1)
        return;
    if (!paths.isEmpty()) {
        addPaths(paths);
        m_ctx.setLocalMode(true);
    }
    m_ctx.createStorageFolder();
}

namespace {
QStringList localPaths(const QList<QUrl>& urls) {
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}
} // namespace

void DisplayController::PRDragOperationImageNoteHandle() {
    m_ctx.setLocalMode(true);
    addPaths(localPaths(m_ctx.outlets.localImageBrowserView->geturlArray()));
    selectFirstPhoto();
}

void DisplayController::NSDragOperationImageViewNoteHandle() {
    showBrowser();
    m_ctx.setLocalMode(true);
    addPaths(localPaths(m_ctx.outlets.leftTipImageView->geturlArray()));
    selectFirstPhoto();
}

void DisplayController::ClearLeftPhotos() {
    m_ctx.localPhotos->clear();
    for (QLineEdit* field : m_ctx.outlets.summaryFields())
        field->setText(QString());
    for (QLineEdit* field : m_ctx.outlets.formFields()) {
        if (field != m_ctx.outlets.cameraDatelab)
            field->setText(QString());
    }
    m_ctx.formState->filled();
}

void DisplayController::ChangeToImportComputerPhoto() {
    m_ctx.outlets.leftTipCameraImageView->hide();
    const bool hasPhotos = m_ctx.localPhotos->rowCount() > 0;
    m_ctx.outlets.localImageBrowserView->setVisible(hasPhotos);
    m_ctx.outlets.leftTipView->setVisible(!hasPhotos);
    m_ctx.setLocalMode(true);
}

void DisplayController::ShowPreferenceSetting() {
    m_ctx.preferences->show();
}

void DisplayController::ChangeStoreLocation() {
    auto* panel = new QFileDialog(m_ctx.preferences);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) {
        openPanelDidEnd5(result == QDialog::Accepted ? 1 : 0, panel->selectedFiles().value(0));
    });
    panel->open();
}

void DisplayController::openPanelDidEnd5(int returnCode, const QString& folder) {
    if (returnCode == 1 && !folder.isEmpty())
        m_ctx.preferences->storePathlab->setText(folder);
}

void DisplayController::ResetPreferenceSetting() {
    if (m_ctx.state.fontPanel)
        m_ctx.state.fontPanel->hide();
    m_ctx.state.currentFontColor = m_ctx.preferences->color();
    AppSettings settings;
    settings.fontName = m_ctx.state.currentFontname;
    settings.fontSize = m_ctx.state.currentFontSize;
    settings.position = m_ctx.preferences->postionBtn->currentText();
    settings.storagePath = m_ctx.preferences->storePathlab->text();
    settings.sidecar = SidecarPolicy(m_ctx.preferences->sidecarPolicyBox->currentIndex());
    m_ctx.state.sidecar = settings.sidecar;
    settings.storeConfirmed(*m_ctx.settings);
    m_ctx.state.storagelocation = settings.storagePath;
    m_ctx.createStorageFolder();
    m_ctx.preferences->hide();
}

void DisplayController::CancelPreferenceSetting() {
    m_ctx.preferences->hide();
}
