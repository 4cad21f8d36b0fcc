#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include <utility>

// Runs work on a pool thread and hands its result to done on the GUI thread,
// unless owner has gone by then: a window closed or a controller destroyed
// while a photo is read never hears of it. The result travels through the
// application object, which outlives every owner, so that no pool thread
// posts to an object the GUI thread may be destroying; owner is only looked
// at on the GUI thread. Work and done are copied, as the pool asks.
template <typename Work, typename Done>
void runInBackground(QObject* owner, Work work, Done done,
                     QThreadPool* pool = QThreadPool::globalInstance()) {
    pool->start([owner = QPointer<QObject>(owner), work = std::move(work),
                 done = std::move(done)]() mutable {
        auto result = work();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner, done, result = std::move(result)]() mutable {
                if (owner)
                    done(std::move(result));
            },
            Qt::QueuedConnection);
    });
}
