#include "link/port_names.h"

#include "link/port_factory.h"
#include "link/system_ports.h"
#include "link/virtual_ports.h"

#include <QFileInfo>

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

bool is_device_path(const QString &name)
{
#ifdef Q_OS_WIN
    return name.startsWith(QLatin1String("\\\\.\\"));
#else
    return name.startsWith(QLatin1Char('/'));
#endif
}

// Links (/dev/serial/by-id/..., a virtual port) resolve to the device node:
// the node is what is locked, so that every spelling of one port locks it
// alike.
QString port_system_path(const QString &name)
{
    if (is_device_path(name)) {
        const QString node = QFileInfo(name).canonicalFilePath();
        return node.isEmpty() ? name : node;
    }
    const QString link = virtual_ports::path_of(name);
    if (!link.isEmpty()) {
        const QString node = QFileInfo(link).canonicalFilePath();
        return node.isEmpty() ? link : node;
    }
#ifdef Q_OS_WIN
    return name;
#else
    return QStringLiteral("/dev/") + name;
#endif
}

PortDetails port_details(const QString &name)
{
    if (is_network_port_name(name)) {
        PortDetails d;
        d.name = d.path = name;
        d.product = QStringLiteral("сетевой сервер (RFC 2217)");
        return d;
    }
    const QString path = port_system_path(name);
    // A device path (/dev/serial/by-id/...) is the adapter whose node it
    // leads to.
    PortDetails d = system_port_details(is_device_path(name) ? QFileInfo(path).fileName() : name);
    d.name = name;
    d.path = path;
    d.simulated = !is_device_path(name) && !virtual_ports::path_of(name).isEmpty();
    if (d.simulated)
        d.product = QStringLiteral("имитатор блока (виртуальный порт)");
    return d;
}

QString port_description(const PortDetails &d)
{
    QStringList lines;
    if (!d.manufacturer.isEmpty())
        lines << QStringLiteral("Производитель: ") + d.manufacturer;
    if (!d.product.isEmpty())
        lines << (d.simulated ? d.product.left(1).toUpper() + d.product.mid(1)
                              : QStringLiteral("Устройство: ") + d.product);
    if (!d.serial.isEmpty())
        lines << QStringLiteral("Серийный номер: ") + d.serial;
    if (lines.isEmpty())
        lines << QStringLiteral("Система не сообщает, какой это адаптер");
    lines << d.path;
    return lines.join(QLatin1Char('\n'));
}
