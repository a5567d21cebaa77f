#include "port_option.h"

#include "link/port_factory.h"
#include "link/port_names.h"

#include <QFileInfo>

namespace {

const QString kKinds = QStringLiteral(
    "имя из списка (ttyUSB0), путь к устройству (/dev/serial/by-id/...) или rfc2217://АДРЕС:ПОРТ");

// The name as the list shows it, or why it is none.
PortOption checked(const QString &name)
{
    if (name.isEmpty())
        return {QString(), QStringLiteral("--port: не задан порт: ") + kKinds};
    if (is_network_port_name(name)) {
        const QString error = network_port_name_error(name);
        if (!error.isEmpty())
            return {QString(), QStringLiteral("--port: ") + error};
        return {name, QString()};
    }
    if (is_device_path(name)) {
        // A node right in /dev is the list's own name for it.
        const QFileInfo path(name);
        if (path.absolutePath() == QLatin1String("/dev") && admits_port_name(path.fileName()))
            return {path.fileName(), QString()};
        return {name, QString()};
    }
    if (admits_port_name(name))
        return {name, QString()};
    return {QString(), QStringLiteral("--port: '%1' - не порт: ").arg(name) + kKinds};
}

}  // namespace

FileArgument file_argument(const QStringList &arguments)
{
    FileArgument result;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--port")) {
            ++i;
            continue;
        }
        if (a.startsWith(QLatin1Char('-')))
            continue;
        if (!result.file.isEmpty())
            return {QString(),
                    QStringLiteral("окно открывает один файл конфигурации ('%1', '%2')").arg(result.file, a)};
        result.file = a;
    }
    return result;
}

PortOption port_option(const QStringList &arguments)
{
    const QString option = QStringLiteral("--port");
    PortOption result;
    bool given = false;
    for (int i = 1; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == option) {
            value = arguments.value(++i);
        } else if (arguments[i].startsWith(option + QLatin1Char('='))) {
            value = arguments[i].mid(option.size() + 1);
        } else {
            continue;
        }
        if (given)
            return {QString(), QStringLiteral("--port задан дважды: окно выбирает один порт")};
        given = true;
        result = checked(value);
        if (!result.error.isEmpty())
            return result;
    }
    return result;
}
