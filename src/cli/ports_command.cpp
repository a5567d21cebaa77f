// The port list, as the window's: the system's and the virtual ports, then
// the network ports of the settings file.
#include "commands.h"
#include "link/network_ports.h"
#include "link/port_names.h"

#include <QJsonArray>

namespace cli {

namespace {

// A column of `ports`: "-" where the system says nothing.
QString column(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

}  // namespace

int run_ports(Context &c)
{
    // Name, device, manufacturer, product, serial number: the port list's
    // tooltips, one port a line, separated by tabs.
    QJsonArray list;
    QStringList names;
    for (const QString &name : present_port_names())
        if (admits_port_name(name))
            names << name;
    const network_ports::Listing network = network_ports::read();
    for (const QString &line : network.rejected)
        print_err(QStringLiteral("%1: строка %2 - не сетевой порт (rfc2217://АДРЕС:ПОРТ)")
                      .arg(network_ports::settings_file(), line));
    names << network.ports;
    for (const QString &name : names) {
        const PortDetails d = port_details(name);
        c.out(QStringList{name, d.path, column(d.manufacturer), column(d.product), column(d.serial)}.join(
            QLatin1Char('\t')));
        QJsonObject port;
        port[QStringLiteral("name")] = name;
        port[QStringLiteral("path")] = d.path;
        port[QStringLiteral("manufacturer")] = d.manufacturer;
        port[QStringLiteral("product")] = d.product;
        port[QStringLiteral("serial")] = d.serial;
        port[QStringLiteral("simulated")] = d.simulated;
        list.append(port);
    }
    c.result[QStringLiteral("ports")] = list;
    if (list.isEmpty())
        print_err(QStringLiteral("COM-порт не обнаружен !"));
    return Success;
}

}  // namespace cli
