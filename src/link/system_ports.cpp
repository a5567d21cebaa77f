#include "link/system_ports.h"

#include <QHash>
#include <QMutex>
#include <QSerialPortInfo>

#include <algorithm>
#include <thread>

#ifdef Q_OS_LINUX
#include <dirent.h>
#endif

SystemPorts::SystemPorts(Enumerate enumerate, Fingerprint fingerprint)
    : m_enumerate(std::move(enumerate)), m_fingerprint(std::move(fingerprint))
{
}

QStringList SystemPorts::names()
{
    const QByteArray now = m_fingerprint ? m_fingerprint() : QByteArray();
    const bool changed = !m_known || now.isEmpty() || now != m_last;
    if (changed || m_settling) {
        m_names = m_enumerate();
        m_settling = changed && m_known;
        m_known = true;
        m_last = now;
    }
    return m_names;
}

namespace {

QMutex &details_mutex()
{
    static QMutex mutex;
    return mutex;
}

// What the last enumeration said about each port, by name.
QHash<QString, PortDetails> &details_by_name()
{
    static QHash<QString, PortDetails> details;
    return details;
}

}  // namespace

QStringList qt_system_port_names()
{
    QStringList names;
    QHash<QString, PortDetails> details;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        names << info.portName();
        PortDetails &d = details[info.portName()];
        d.name = info.portName();
        d.path = info.systemLocation();
        d.manufacturer = info.manufacturer();
        d.product = info.description();
        d.serial = info.serialNumber();
    }
    const QMutexLocker lock(&details_mutex());
    details_by_name() = std::move(details);
    return names;
}

PortDetails system_port_details(const QString &name)
{
    const QMutexLocker lock(&details_mutex());
    return details_by_name().value(name,
                                   PortDetails{name, QString(), QString(), QString(), QString(), false});
}

#ifdef Q_OS_LINUX
namespace {

// Entry names of a directory, sorted: readdir's order may change without
// the set changing.
void append_entries(const char *path, QByteArray &out)
{
    DIR *dir = opendir(path);
    if (!dir)
        return;
    QList<QByteArray> names;
    while (const dirent *e = readdir(dir))
        names << QByteArray(e->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    out += path;
    for (const QByteArray &n : names)
        out += '\0' + n;
    out += '\n';
}

}  // namespace
#endif

QByteArray device_fingerprint()
{
    QByteArray out;
#ifdef Q_OS_LINUX
    append_entries("/dev", out);
    append_entries("/sys/class/tty", out);
#endif
    return out;
}

namespace {

QMutex &cache_mutex()
{
    static QMutex mutex;
    return mutex;
}

SystemPorts &cache()
{
    static SystemPorts ports(qt_system_port_names, device_fingerprint);
    return ports;
}

// Joined at exit, before the cache (constructed earlier) goes.
struct Prefetch {
    ~Prefetch()
    {
        if (thread.joinable())
            thread.join();
    }
    std::thread thread;
};

}  // namespace

QStringList system_port_names()
{
    const QMutexLocker lock(&cache_mutex());
    return cache().names();
}

void prefetch_system_port_names()
{
    cache_mutex();
    cache();
    static Prefetch prefetch;
    if (!prefetch.thread.joinable())
        prefetch.thread = std::thread([] { system_port_names(); });
}
