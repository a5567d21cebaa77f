#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// What a port arrival or removal report carries.
struct PortInfo {
    QString portName;
};
Q_DECLARE_METATYPE(PortInfo)

// Qt SerialPort sends no hot-plug notifications, so the watcher enumerates the
// ports periodically and reports each one that appeared or vanished since the
// last look, in enumeration order. Switching notifications on reports every
// present port as arrived.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    using Enumerate = std::function<QStringList()>;

    explicit PortWatcher(Enumerate enumerate, QObject *parent = nullptr);

    // Reports the present ports as discovered, then keeps watching.
    void setUpNotifications(int interval_ms = 500);
    // One look now (the timer calls it too).
    void rescan();
    // The ports present at the last look, in enumeration order.
    QStringList ports() const { return m_known; }

signals:
    void deviceDiscovered(const PortInfo &info);
    void deviceRemoved(const PortInfo &info);

private:
    Enumerate m_enumerate;
    QStringList m_known;
    QTimer m_timer;
};
