#include "sources/UsbEvents.h"

#include <QSocketNotifier>

#include <libudev.h>

struct UsbEvents::Monitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
    ~Monitor() {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

UsbEvents::UsbEvents(QObject* parent) : QObject(parent), m_monitor(new Monitor) {
    Monitor& m = *m_monitor;
    m.context = udev_new();
    if (!m.context)
        return;
    m.monitor = udev_monitor_new_from_netlink(m.context, "udev");
    if (!m.monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(m.monitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m.monitor) < 0) {
        m_monitor.reset(new Monitor);
        return;
    }
    const int fd = udev_monitor_get_fd(m.monitor);
    m.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m.notifier, &QSocketNotifier::activated, this, [this] {
        // Each announcement is read, so the socket is quiet until the next.
        bool any = false;
        while (udev_device* device = udev_monitor_receive_device(m_monitor->monitor)) {
            udev_device_unref(device);
            any = true;
        }
        if (any)
            Q_EMIT changed();
    });
}

UsbEvents::~UsbEvents() = default;
