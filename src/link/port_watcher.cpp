#include "link/port_watcher.h"

PortWatcher::PortWatcher(Enumerate enumerate, QObject *parent)
    : QObject(parent), m_enumerate(std::move(enumerate))
{
    qRegisterMetaType<PortInfo>();
    connect(&m_timer, &QTimer::timeout, this, &PortWatcher::rescan);
}

void PortWatcher::setUpNotifications(int interval_ms)
{
    m_known.clear();
    rescan();
    m_timer.start(interval_ms);
}

void PortWatcher::rescan()
{
    const QStringList now = m_enumerate();
    const QStringList before = m_known;
    m_known = now;
    for (const QString &name : before)
        if (!now.contains(name))
            emit deviceRemoved(PortInfo{name});
    for (const QString &name : now)
        if (!before.contains(name))
            emit deviceDiscovered(PortInfo{name});
}
