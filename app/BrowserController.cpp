#include "app/BrowserController.h"

#include "app/Background.h"
#include "app/DropTargets.h"
#include "app/MainWindowLayout.h"
#include "app/ParallelReads.h"
#include "app/StorageLocation.h"
#include "editing/WorkingCopies.h"
#include "metadata/MetadataService.h"
#include "sources/PhotoBrowserModel.h"
#include "sources/PhotoListModel.h"
#include "sources/ThumbnailLoader.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {
const QString OrderKey = QStringLiteral("window/browserOrder");
// Photos read a batch at a time: small enough that the marks come in soon
// and a cleared list stops the reading quickly.
constexpr qsizetype batchSize = 64;
} // namespace

BrowserController::BrowserController(const MainWindowOutlets& outlets, PhotoListModel& localPhotos,
                                     MetadataService& metadata, const ThumbnailLoader& thumbnails,
                                     const StorageLocation& storage, QSettings& settings,
                                     QObject* parent)
    : QObject(parent), m_outlets(outlets), m_localPhotos(localPhotos), m_metadata(metadata),
      m_thumbnails(thumbnails), m_storage(storage), m_settings(settings),
      m_model(new PhotoBrowserModel(localPhotos, this)), m_refilter(new QTimer(this)),
      m_stop(std::make_shared<std::atomic<bool>>(false)) {
    // Facts come in a batch at a time; the filter and order take them in at
    // most a few times a second, so that a long list does not resort for each.
    m_refilter->setSingleShot(true);
    m_refilter->setInterval(250);
    connect(m_refilter, &QTimer::timeout, this, [this] {
        m_model->factsChanged();
        Q_EMIT shownChanged();
    });
}

BrowserController::~BrowserController() {
    m_stop->store(true);
}

void BrowserController::startFollowing() {
    const MainWindowOutlets& o = m_outlets;
    o.localImageBrowserView->setModel(m_model);
    connect(&m_localPhotos, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                QStringList paths;
                paths.reserve(last - first + 1);
                for (int row = first; row <= last; ++row)
                    paths << m_localPhotos.itemAt(row).filePath;
                queueFacts(paths);
            });
    connect(&m_localPhotos, &QAbstractItemModel::modelReset, this, [this] {
        m_unread.clear();
        m_stop->store(true);
        m_stop = std::make_shared<std::atomic<bool>>(false);
    });

    connect(o.photoFilterField, &QLineEdit::textChanged, this, &BrowserController::applyFilter);
    for (QAction* position : {o.anyPositionItem, o.withPositionItem, o.withoutPositionItem})
        connect(position, &QAction::toggled, this, [this](bool on) {
            if (on)
                applyFilter();
        });
    connect(o.takenBetweenBox, &QCheckBox::toggled, this, &BrowserController::applyFilter);
    for (QDateEdit* edit : {o.takenFromEdit, o.takenToEdit})
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (m_outlets.takenBetweenBox->isChecked())
                applyFilter();
        });

    const int order =
        std::clamp(m_settings.value(OrderKey, 0).toInt(), 0, o.photoOrderBox->count() - 1);
    o.photoOrderBox->setCurrentIndex(order);
    m_model->setOrder(PhotoOrder(order));
    connect(o.photoOrderBox, &QComboBox::currentIndexChanged, this, [this](int chosen) {
        m_settings.setValue(OrderKey, chosen);
        m_model->setOrder(PhotoOrder(chosen));
        const QModelIndex current = m_outlets.localImageBrowserView->currentIndex();
        if (current.isValid())
            m_outlets.localImageBrowserView->scrollTo(current);
    });
    connect(o.removeFromListItem, &QAction::triggered, this,
            &BrowserController::removeSelectedFromList);
}

void BrowserController::applyFilter() {
    const MainWindowOutlets& o = m_outlets;
    PhotoFilter filter;
    filter.text = o.photoFilterField->text();
    filter.position = o.withPositionItem->isChecked()      ? PhotoFilter::Position::With
                      : o.withoutPositionItem->isChecked() ? PhotoFilter::Position::Without
                                                           : PhotoFilter::Position::Any;
    if (o.takenBetweenBox->isChecked()) {
        // Days given the wrong way round mean the days between them.
        filter.from = std::min(o.takenFromEdit->date(), o.takenToEdit->date());
        filter.to = std::max(o.takenFromEdit->date(), o.takenToEdit->date());
    }
    m_model->setFilter(filter);
    Q_EMIT shownChanged();
    // The button says when its menu narrows the list.
    const bool narrowed = filter.position != PhotoFilter::Position::Any || !filter.from.isNull();
    QFont font = o.photoFilterButton->font();
    font.setBold(narrowed);
    o.photoFilterButton->setFont(font);
}

void BrowserController::queueFacts(const QStringList& paths) {
    m_unread += paths;
    if (m_reading)
        return;
    // A moment's wait, so that the browser has asked for the thumbnails of
    // its first screen before the facts take their share of the workers.
    m_reading = true;
    QTimer::singleShot(250, this, &BrowserController::readNextBatch);
}

void BrowserController::readSelectedFactsAgain() {
    const QItemSelectionModel* selection = m_outlets.localImageBrowserView->selectionModel();
    if (!selection)
        return;
    QStringList paths;
    for (const QModelIndex& index : selection->selectedIndexes())
        paths << m_localPhotos.itemAt(listRowOf(index)).filePath;
    queueFacts(paths);
}

// One batch at a time on a pool thread, several photos at once in the
// workers; the next batch starts when this one is in.
void BrowserController::readNextBatch() {
    if (m_unread.isEmpty()) {
        m_reading = false;
        return;
    }
    m_reading = true;
    // The thumbnails on the screen come first: they share the workers.
    if (m_thumbnails.pendingCount() > 0) {
        QTimer::singleShot(100, this, &BrowserController::readNextBatch);
        return;
    }
    const QStringList batch = m_unread.first(std::min(batchSize, m_unread.size()));
    m_unread.remove(0, batch.size());
    MetadataService* metadata = &m_metadata;
    const auto stop = m_stop;
    const int threads = std::max(1, std::min(4, QThread::idealThreadCount()));
    runInBackground(
        this,
        [metadata, batch, stop, threads, storage = m_storage.storagelocation] {
            const auto facts =
                readInParallel<PhotoFacts>(size_t(batch.size()), threads, *stop, [&](size_t i) {
                    const QString& path = batch[qsizetype(i)];
                    // What the browser marks is what the next edit builds on.
                    const QString working = workingCopyOf(path, storage);
                    const auto read = metadata->readProperties(working.isEmpty() ? path : working);
                    return read ? photoFactsOf(read->dictionary) : unreadablePhotoFacts();
                });
            QList<std::pair<QString, PhotoFacts>> answers;
            for (qsizetype i = 0; i < batch.size(); ++i) {
                if (facts[size_t(i)].known)
                    answers.append({batch[i], facts[size_t(i)]});
            }
            return answers;
        },
        [this, stop](const QList<std::pair<QString, PhotoFacts>>& answers) {
            if (!stop->load()) {
                m_localPhotos.setFacts(answers);
                m_refilter->start();
                Q_EMIT factsRead();
            }
            readNextBatch();
        });
}

void BrowserController::removeSelectedFromList() {
    NSDragImageBrowserView* browser = m_outlets.localImageBrowserView;
    const QModelIndexList selected = browser->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    // The photo after the last one taken out takes the selection, as far as
    // the browser shows one.
    int after = -1;
    for (const QModelIndex& index : selected)
        after = std::max(after, index.row());
    const int nextShown = after + 1 - int(selected.size());
    QList<int> rows;
    for (const QModelIndex& index : selected)
        rows << listRowOf(index);
    m_localPhotos.removeRowsAt(rows);
    if (m_localPhotos.rowCount() == 0) {
        Q_EMIT listEmptied();
        return;
    }
    const int shown = m_model->rowCount();
    if (shown == 0)
        return;
    const QModelIndex next = m_model->index(std::clamp(nextShown, 0, shown - 1), 0);
    browser->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect);
    browser->scrollTo(next);
}
