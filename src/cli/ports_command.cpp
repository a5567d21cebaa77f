// The port list, as the window's: the system's and the virtual ports, then
// the network ports of the settings file.
#include "commands.h"
#include "link/network_ports.h"
#include "link/port_names.h"

#include <QJsonArray>

namespace cli {

int run_ports(Context &c)
{
    QJsonArray list;
    QStringList names;
    for (const QString &name : present_port_names())
        if (admits_port_name(name))
            names << name;
    names << network_ports::read().ports;
    for (const QString &name : names) {
        c.out(name);
        list.append(name);
    }
    c.result[QStringLiteral("ports")] = list;
    if (list.isEmpty())
        print_err(QStringLiteral("COM-порт не обнаружен !"));
    return Success;
}

}  // namespace cli
