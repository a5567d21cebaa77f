#include "link/port_names.h"

#include "link/system_ports.h"
#include "link/virtual_ports.h"

PortNaming native_port_naming()
{
#ifdef Q_OS_WIN
    return PortNaming::Windows;
#else
    return PortNaming::Unix;
#endif
}

bool admits_port_name(const QString &name, PortNaming naming)
{
    const QLatin1String prefix = naming == PortNaming::Windows ? QLatin1String("COM") : QLatin1String("tty");
    return name.startsWith(prefix, Qt::CaseSensitive);
}

QStringList present_port_names()
{
    QStringList names = system_port_names();
    for (const QString &name : virtual_ports::live_ports())
        if (!names.contains(name))
            names << name;
    return names;
}

QString port_system_path(const QString &name)
{
    const QString link = virtual_ports::path_of(name);
    if (!link.isEmpty())
        return link;
#ifdef Q_OS_WIN
    return name;
#else
    return QStringLiteral("/dev/") + name;
#endif
}
