#pragma once

#include <QCoreApplication>
#include <QEventLoop>

// Runs the events that are due, sleeping until one is. The overload of
// processEvents() that takes a time limit never sleeps: it would keep the GUI
// thread spinning on one of the machine's cores, taking it from the workers
// whose speed is being measured. A timer of the caller's wakes it.
inline void waitForEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
