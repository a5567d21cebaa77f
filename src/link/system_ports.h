#pragma once

#include "link/port_names.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

// The system's serial ports, enumerated again only when the device
// directories have changed. Enumerating them (udev on Linux) costs some 10 ms
// of CPU, which the port watcher would pay at every look; listing the names
// in /dev and /sys/class/tty costs microseconds and changes whenever an
// adapter is plugged in or pulled out.
class SystemPorts {
public:
    using Enumerate = std::function<QStringList()>;
    // A value that changes whenever the set of ports may have; empty where
    // there is none, and then every look enumerates.
    using Fingerprint = std::function<QByteArray()>;

    SystemPorts(Enumerate enumerate, Fingerprint fingerprint);

    // The port names, from the last enumeration while the fingerprint stays
    // the same. After a change the next look enumerates once more, for a
    // device whose driver was still settling at the first one.
    QStringList names();

private:
    Enumerate m_enumerate;
    Fingerprint m_fingerprint;
    QByteArray m_last;
    QStringList m_names;
    bool m_known = false;
    bool m_settling = false;
};

// QSerialPortInfo's enumeration; it also keeps what the system said about each
// port for system_port_details().
QStringList qt_system_port_names();
// The manufacturer, product and serial number of a system port as the last
// enumeration found them; only the name where it found none.
PortDetails system_port_details(const QString &name);
// The device directories' entry names (Linux); empty elsewhere.
QByteArray device_fingerprint();
// The process-wide cache over those two.
QStringList system_port_names();
// Starts the cache's first enumeration on a thread of its own, so that it
// runs while the program starts; system_port_names() waits for it.
void prefetch_system_port_names();
