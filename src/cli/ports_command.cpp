// The port list, as the window's.
#include "commands.h"
#include "link/port_names.h"

#include <QJsonArray>

namespace cli {

int run_ports(Context &c)
{
    QJsonArray list;
    for (const QString &name : present_port_names()) {
        if (!admits_port_name(name))
            continue;
        c.out(name);
        list.append(name);
    }
    c.result[QStringLiteral("ports")] = list;
    if (list.isEmpty())
        print_err(QStringLiteral("COM-порт не обнаружен !"));
    return Success;
}

}  // namespace cli
