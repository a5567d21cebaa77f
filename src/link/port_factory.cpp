#include "link/port_factory.h"

#include "link/qt_serial_port.h"
#include "link/rfc2217_port.h"

namespace {

const QLatin1String kScheme("rfc2217://");

}  // namespace

bool is_network_port_name(const QString &name)
{
    return name.startsWith(kScheme, Qt::CaseInsensitive);
}

namespace {

// The address in name, or what is wrong with it.
QString parse(const QString &name, NetworkAddress *out)
{
    QString rest = name.mid(kScheme.size());
    const qsizetype query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0)
        rest.truncate(query);
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    QString host;
    QString port;
    bool has_port = false;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return QStringLiteral("нет закрывающей скобки ']' адреса IPv6");
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        has_port = after.startsWith(QLatin1Char(':'));
        if (!has_port && !after.isEmpty())
            return QStringLiteral("лишнее '%1' после адреса").arg(after);
        port = after.mid(1);
    } else {
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'), slash);
        if (colon >= 0 && rest.left(colon).contains(QLatin1Char(':')))
            return QStringLiteral("адрес IPv6 пишется в скобках: rfc2217://[АДРЕС]:ПОРТ");
        has_port = colon >= 0;
        host = has_port ? rest.left(colon) : rest;
        port = has_port ? rest.mid(colon + 1) : QString();
    }
    if (host.isEmpty())
        return QStringLiteral("не задан адрес сервера");
    if (!has_port && host.contains(QLatin1Char('/')))
        return QStringLiteral("лишнее '%1' после адреса").arg(host.mid(host.indexOf(QLatin1Char('/'))));
    if (!has_port || port.isEmpty())
        return QStringLiteral("не задан номер порта");
    qsizetype digits = 0;
    while (digits < port.size() && port[digits] >= QLatin1Char('0') && port[digits] <= QLatin1Char('9'))
        ++digits;
    if (digits == 0)
        return QStringLiteral("номер порта '%1' - не число").arg(port);
    if (digits < port.size())
        return QStringLiteral("лишнее '%1' после номера порта").arg(port.mid(digits));
    const qulonglong number = digits > 5 ? 0 : port.toULongLong();
    if (number < 1 || number > 65535)
        return QStringLiteral("номер порта %1 вне пределов 1..65535").arg(port);
    out->host = host;
    out->port = quint16(number);
    return QString();
}

}  // namespace

bool parse_network_port_name(const QString &name, NetworkAddress *out)
{
    return is_network_port_name(name) && parse(name, out).isEmpty();
}

QString network_port_name_error(const QString &name)
{
    NetworkAddress address;
    const QString why =
        is_network_port_name(name) ? parse(name, &address) : QStringLiteral("нужно rfc2217://АДРЕС:ПОРТ");
    if (why.isEmpty())
        return why;
    return QStringLiteral("Неверное имя сетевого порта '%1': %2 (нужно rfc2217://АДРЕС:ПОРТ)").arg(name, why);
}

std::unique_ptr<SerialPort> make_port(const QString &name, const Timing &timing)
{
    if (is_network_port_name(name))
        return std::make_unique<Rfc2217Port>(timing);
    return std::make_unique<QtSerialPort>();
}
