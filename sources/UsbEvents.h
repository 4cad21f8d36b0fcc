#pragma once

#include <QObject>

#include <memory>

// USB devices plugged in or pulled out, as the system's device manager
// announces them: a camera is looked for at once instead of at the next
// poll. Where there is no such announcement (no udev), nothing is emitted
// and the poll alone finds cameras.
class UsbEvents : public QObject {
    Q_OBJECT
public:
    explicit UsbEvents(QObject* parent = nullptr);
    ~UsbEvents() override;

Q_SIGNALS:
    void changed();

private:
    struct Monitor;
    std::unique_ptr<Monitor> m_monitor;
};
