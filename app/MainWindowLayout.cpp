#include "app/MainWindowLayout.h"

#include "app/DateTimeField.h"
#include "app/DropTargets.h"
#include "app/EditViewLayout.h"
#include "app/LargePhotoView.h"
#include "app/MapWidget.h"
#include "app/PRButton.h"
#include "app/PhotoCellDelegate.h"
#include "app/PropertyOutlineView.h"
#include "app/RatingField.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

QList<QLineEdit*> MainWindowOutlets::summaryFields() const {
    return {photoNamelab,      photoCreateDatelab, photoFileSizelab,
            photoImageSizelab, photoDPIlab,        photoModDatelab};
}

QList<QWidget*> MainWindowOutlets::formFields() const {
    return fields();
}

FormOutlets MainWindowOutlets::form() const {
    return *this;
}

QList<QSplitter*> MainWindowOutlets::splitters() const {
    return {mainSplitter, photoSplitter, viewSplitter};
}

namespace {

// A summary value: read-only, without a frame, reached by the mouse (to
// select and copy) but not by Tab.
QLineEdit* summaryField(const QString& name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::ClickFocus);
    edit->setMinimumWidth(80);
    // The window's background, not an input's: nothing here is typed. The
    // style sheet names the palette's role, so it follows a change of theme.
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: palette(window); border: none; }"));
    return edit;
}

QSplitter* splitter(Qt::Orientation orientation, const QString& name) {
    auto* s = new QSplitter(orientation);
    s->setObjectName(name);
    s->setChildrenCollapsible(false);
    return s;
}

QDateEdit* dateEdit(const QString& name) {
    auto* edit = new QDateEdit(QDate::currentDate());
    edit->setObjectName(name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return edit;
}

// The filter's menu: a position choice, and a range of days taken.
QMenu* buildFilterMenu(MainWindowOutlets& o) {
    auto* menu = new QMenu(o.photoFilterButton);
    menu->setObjectName(QStringLiteral("photoFilterMenu"));
    auto* positions = new QActionGroup(menu);
    const std::pair<QAction**, QString> choices[] = {
        {&o.anyPositionItem, QObject::tr("With or Without Position")},
        {&o.withPositionItem, QObject::tr("With a Position")},
        {&o.withoutPositionItem, QObject::tr("Without a Position")}};
    for (const auto& [item, title] : choices) {
        *item = menu->addAction(title);
        (*item)->setCheckable(true);
        positions->addAction(*item);
    }
    o.anyPositionItem->setObjectName(QStringLiteral("anyPositionItem"));
    o.withPositionItem->setObjectName(QStringLiteral("withPositionItem"));
    o.withoutPositionItem->setObjectName(QStringLiteral("withoutPositionItem"));
    o.anyPositionItem->setChecked(true);
    menu->addSeparator();
    auto* dates = new QWidget;
    auto* form = new QFormLayout(dates);
    o.takenBetweenBox = new QCheckBox(QObject::tr("Taken between"));
    o.takenBetweenBox->setObjectName(QStringLiteral("takenBetweenBox"));
    o.takenFromEdit = dateEdit(QStringLiteral("takenFromEdit"));
    o.takenToEdit = dateEdit(QStringLiteral("takenToEdit"));
    o.takenFromEdit->setDate(QDate::currentDate().addYears(-1));
    form->addRow(o.takenBetweenBox);
    form->addRow(QObject::tr("From"), o.takenFromEdit);
    form->addRow(QObject::tr("To"), o.takenToEdit);
    auto* holder = new QWidgetAction(menu);
    holder->setDefaultWidget(dates);
    menu->addAction(holder);
    return menu;
}

QWidget* buildFilterRow(MainWindowOutlets& o) {
    auto* filterRow = new QWidget;
    filterRow->setObjectName(QStringLiteral("photoFilterRow"));
    auto* row = new QHBoxLayout(filterRow);
    row->setContentsMargins(0, 0, 0, 4);
    row->setSpacing(4);
    o.photoFilterField = new QLineEdit;
    o.photoFilterField->setObjectName(QStringLiteral("photoFilterField"));
    o.photoFilterField->setPlaceholderText(QObject::tr("Filter photos"));
    o.photoFilterField->setClearButtonEnabled(true);
    o.photoFilterField->setMinimumWidth(60);
    o.photoFilterField->setToolTip(
        QObject::tr("Shows the photos whose name, folder or camera holds the text"));
    row->addWidget(o.photoFilterField, 1);
    o.photoFilterButton = new QToolButton;
    o.photoFilterButton->setObjectName(QStringLiteral("photoFilterButton"));
    o.photoFilterButton->setText(QObject::tr("More"));
    o.photoFilterButton->setToolTip(QObject::tr("Narrow the photos to a position or dates"));
    o.photoFilterButton->setPopupMode(QToolButton::InstantPopup);
    o.photoFilterButton->setMenu(buildFilterMenu(o));
    row->addWidget(o.photoFilterButton);
    o.photoOrderBox = new QComboBox;
    o.photoOrderBox->setObjectName(QStringLiteral("photoOrderBox"));
    o.photoOrderBox->addItems({QObject::tr("As Listed"), QObject::tr("By Name"),
                               QObject::tr("By Date Taken"), QObject::tr("By Folder")});
    o.photoOrderBox->setToolTip(QObject::tr("The order of the photos"));
    row->addWidget(o.photoOrderBox);
    return filterRow;
}

void buildLeftPane(MainWindowOutlets& o, QWidget* left) {
    auto* layout = new QVBoxLayout(left);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildFilterRow(o));

    o.localImageBrowserView = new NSDragImageBrowserView;
    o.localImageBrowserView->setObjectName(QStringLiteral("localImageBrowserView"));
    auto* delegate = new PhotoCellDelegate(o.localImageBrowserView);
    o.localImageBrowserView->setViewMode(QListView::IconMode);
    o.localImageBrowserView->setResizeMode(QListView::Adjust);
    o.localImageBrowserView->setMovement(QListView::Static);
    o.localImageBrowserView->setUniformItemSizes(true);
    o.localImageBrowserView->setItemDelegate(delegate);
    o.localImageBrowserView->setCellSize(delegate->cellSize());
    o.localImageBrowserView->setIconSize(delegate->thumbnailBox());
    o.localImageBrowserView->setSpacing(0);
    o.localImageBrowserView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.localImageBrowserView->setMinimumWidth(delegate->cellSize().width() + 24);
    layout->addWidget(o.localImageBrowserView, 1);
    o.removeFromListItem = new QAction(QObject::tr("Remove from List"), o.localImageBrowserView);
    o.removeFromListItem->setObjectName(QStringLiteral("removeFromListItem"));
    o.removeFromListItem->setShortcuts(QKeySequence::keyBindings(QKeySequence::Delete));
    // Only while the browser has the keyboard: Delete in a field deletes text.
    o.removeFromListItem->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    o.removeFromListItem->setToolTip(
        QObject::tr("Takes the selected photos out of the list; the files stay where they are"));
    o.localImageBrowserView->addAction(o.removeFromListItem);

    o.leftTipView = new QWidget;
    o.leftTipView->setObjectName(QStringLiteral("leftTipView"));
    auto* tipLayout = new QVBoxLayout(o.leftTipView);
    o.leftTipImageView = new PRDragImageView;
    o.leftTipImageView->setObjectName(QStringLiteral("leftTipImageView"));
    o.leftTipImageView->setAlignment(Qt::AlignCenter);
    o.leftTipImageView->setWordWrap(true);
    o.leftTipImageView->setMargin(12);
    o.leftTipImageView->setText(QObject::tr("Drop photos here\nor use Import…"));
    o.leftTipImageView->setFrameShape(QFrame::StyledPanel);
    o.leftTipImageView->setFrameShadow(QFrame::Sunken);
    tipLayout->addWidget(o.leftTipImageView);
    layout->addWidget(o.leftTipView, 1);

    o.leftTipCameraImageView =
        new QLabel(QObject::tr("Connect a camera or phone, then choose Camera again"));
    o.leftTipCameraImageView->setObjectName(QStringLiteral("leftTipCameraImageView"));
    o.leftTipCameraImageView->setAlignment(Qt::AlignCenter);
    o.leftTipCameraImageView->setWordWrap(true);
    o.leftTipCameraImageView->setMargin(12);
    layout->addWidget(o.leftTipCameraImageView, 1);

    // Lives in the device window; made here with the other browser.
    o.imageBrowserView = new QListView;
    o.imageBrowserView->setObjectName(QStringLiteral("imageBrowserView"));
    auto* deviceDelegate = new PhotoCellDelegate(o.imageBrowserView);
    o.imageBrowserView->setViewMode(QListView::IconMode);
    o.imageBrowserView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    o.imageBrowserView->setItemDelegate(deviceDelegate);
    o.imageBrowserView->setGridSize(deviceDelegate->cellSize());
    o.imageBrowserView->hide();
}

QWidget* buildInfoPane(MainWindowOutlets& o) {
    o.infoPane = new QWidget;
    o.infoPane->setObjectName(QStringLiteral("infoPane"));
    auto* layout = new QVBoxLayout(o.infoPane);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* summaryBox = new QGroupBox(QObject::tr("Photo"));
    summaryBox->setObjectName(QStringLiteral("summaryBox"));
    auto* summary = new QFormLayout(summaryBox);
    summary->setVerticalSpacing(2);
    summary->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    o.photoNamelab = summaryField(QStringLiteral("photoNamelab"));
    o.photoFileSizelab = summaryField(QStringLiteral("photoFileSizelab"));
    o.photoImageSizelab = summaryField(QStringLiteral("photoImageSizelab"));
    o.photoDPIlab = summaryField(QStringLiteral("photoDPIlab"));
    o.photoCreateDatelab = summaryField(QStringLiteral("photoCreateDatelab"));
    o.photoModDatelab = summaryField(QStringLiteral("photoModDatelab"));
    summary->addRow(QObject::tr("Name"), o.photoNamelab);
    summary->addRow(QObject::tr("File size"), o.photoFileSizelab);
    summary->addRow(QObject::tr("Pixels"), o.photoImageSizelab);
    summary->addRow(QObject::tr("Camera"), o.photoDPIlab);
    summary->addRow(QObject::tr("Created"), o.photoCreateDatelab);
    summary->addRow(QObject::tr("Digitized"), o.photoModDatelab);
    // As tall as its six rows; the tree takes the rest.
    layout->addWidget(summaryBox);
    o.propertyFilter = new QLineEdit;
    o.propertyFilter->setObjectName(QStringLiteral("propertyFilter"));
    o.propertyFilter->setPlaceholderText(QObject::tr("Filter properties"));
    o.propertyFilter->setClearButtonEnabled(true);
    o.propertyFilter->setToolTip(QObject::tr("Shows the properties whose name or value holds "
                                             "the text, with the sets they are in"));
    layout->addWidget(o.propertyFilter);
    o.propertyOutline = new PropertyOutlineView;
    o.propertyOutline->setObjectName(QStringLiteral("propertyOutline"));
    QObject::connect(o.propertyFilter, &QLineEdit::textChanged, o.propertyOutline,
                     &PropertyOutlineView::setFilterText);
    layout->addWidget(o.propertyOutline, 1);
    return o.infoPane;
}

QWidget* buildViewPane(MainWindowOutlets& o) {
    o.viewPane = new QWidget;
    o.viewPane->setObjectName(QStringLiteral("viewPane"));
    auto* layout = new QVBoxLayout(o.viewPane);
    layout->setContentsMargins(0, 0, 0, 0);
    o.viewSplitter = splitter(Qt::Vertical, QStringLiteral("viewSplitter"));
    o.localPhotoImageView = new LargePhotoView;
    o.localPhotoImageView->setObjectName(QStringLiteral("localPhotoImageView"));
    o.localPhotoImageView->setPlaceholderText(QObject::tr("Select a photo to see it here"));
    o.viewSplitter->addWidget(o.localPhotoImageView);
    o.currentlocalMapView = new MapWidget;
    o.currentlocalMapView->setObjectName(QStringLiteral("currentlocalMapView"));
    o.currentlocalMapView->setMinimumSize(160, 120);
    o.viewSplitter->addWidget(o.currentlocalMapView);
    o.viewSplitter->setStretchFactor(0, 3);
    o.viewSplitter->setStretchFactor(1, 2);
    layout->addWidget(o.viewSplitter, 1);
    return o.viewPane;
}

void buildViewActions(MainWindowOutlets& o) {
    o.storedValuesItem = new QAction(QObject::tr("Show Stored Values"), o.window);
    o.storedValuesItem->setObjectName(QStringLiteral("storedValuesItem"));
    o.storedValuesItem->setCheckable(true);
    o.storedValuesItem->setToolTip(QObject::tr(
        "The tree shows the values as they are stored rather than as people read them"));
    o.largerThumbnailsItem = new QAction(QObject::tr("Larger Thumbnails"), o.window);
    o.largerThumbnailsItem->setObjectName(QStringLiteral("largerThumbnailsItem"));
    o.largerThumbnailsItem->setShortcuts(QKeySequence::keyBindings(QKeySequence::ZoomIn) +
                                         QList{QKeySequence(QObject::tr("Ctrl+="))});
    o.smallerThumbnailsItem = new QAction(QObject::tr("Smaller Thumbnails"), o.window);
    o.smallerThumbnailsItem->setObjectName(QStringLiteral("smallerThumbnailsItem"));
    o.smallerThumbnailsItem->setShortcuts(QKeySequence::keyBindings(QKeySequence::ZoomOut));
    o.fullSizeItem = new QAction(QObject::tr("Show Photo Full Size"), o.window);
    o.fullSizeItem->setObjectName(QStringLiteral("fullSizeItem"));
}

void buildStatusBar(MainWindowOutlets& o) {
    QStatusBar* bar = o.window->statusBar();
    o.photoCountLabel = new QLabel;
    o.photoCountLabel->setObjectName(QStringLiteral("photoCountLabel"));
    bar->addPermanentWidget(o.photoCountLabel);
    o.thumbnailSizeSlider = new QSlider(Qt::Horizontal);
    o.thumbnailSizeSlider->setObjectName(QStringLiteral("thumbnailSizeSlider"));
    o.thumbnailSizeSlider->setRange(PhotoCellDelegate::smallestSide,
                                    PhotoCellDelegate::largestSide);
    o.thumbnailSizeSlider->setSingleStep(PhotoCellDelegate::sideStep);
    o.thumbnailSizeSlider->setPageStep(PhotoCellDelegate::sideStep * 2);
    o.thumbnailSizeSlider->setValue(PhotoCellDelegate::firstSide);
    o.thumbnailSizeSlider->setFixedWidth(120);
    o.thumbnailSizeSlider->setToolTip(QObject::tr("Thumbnail size (Ctrl+plus, Ctrl+minus)"));
    bar->addPermanentWidget(o.thumbnailSizeSlider);
}

} // namespace

MainWindowOutlets buildMainWindow() {
    MainWindowOutlets o;
    o.window = new QMainWindow;
    o.window->setObjectName(QStringLiteral("mainWindow"));
    o.window->setWindowTitle(QStringLiteral("Tessaview"));
    o.window->resize(mainWindowFirstSize);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("mainView"));
    o.window->setCentralWidget(central);
    auto* page = new QVBoxLayout(central);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    buildCommandBar(o);

    o.mainSplitter = splitter(Qt::Horizontal, QStringLiteral("mainSplitter"));
    auto* left = new QWidget;
    left->setObjectName(QStringLiteral("browserPane"));
    buildLeftPane(o, left);
    o.mainSplitter->addWidget(left);

    o.localphotoView = new QWidget;
    o.localphotoView->setObjectName(QStringLiteral("localphotoView"));
    auto* photoLayout = new QVBoxLayout(o.localphotoView);
    photoLayout->setContentsMargins(0, 0, 0, 0);
    o.photoSplitter = splitter(Qt::Horizontal, QStringLiteral("photoSplitter"));
    o.photoSplitter->addWidget(buildInfoPane(o));
    o.photoSplitter->addWidget(buildViewPane(o));
    o.photoSplitter->setStretchFactor(0, 1);
    o.photoSplitter->setStretchFactor(1, 2);
    photoLayout->addWidget(o.photoSplitter);
    o.mainSplitter->addWidget(o.localphotoView);
    // A larger window gives the browser a third of what it gains, so that
    // more photos show at once; the photo view keeps the rest.
    o.mainSplitter->setStretchFactor(0, 1);
    o.mainSplitter->setStretchFactor(1, 2);
    // At the first size: a browser two cells wide, then the summary and the
    // photo side by side.
    o.mainSplitter->setSizes({280, 620});
    o.photoSplitter->setSizes({330, 290});
    o.viewSplitter->setSizes({330, 230});

    auto* frame = new QVBoxLayout;
    frame->setContentsMargins(6, 6, 6, 0);
    frame->addWidget(o.mainSplitter);
    page->addLayout(frame, 1);
    buildEditView(o);
    buildViewActions(o);
    buildStatusBar(o);
    return o;
}
