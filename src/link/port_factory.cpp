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

bool parse_network_port_name(const QString &name, NetworkAddress *out)
{
    if (!is_network_port_name(name))
        return false;
    QString rest = name.mid(kScheme.size());
    const qsizetype query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0)
        rest.truncate(query);
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    QString host;
    QString port;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0 || rest.mid(close + 1, 1) != QLatin1String(":"))
            return false;
        host = rest.mid(1, close - 1);
        port = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        if (colon < 0 || rest.left(colon).contains(QLatin1Char(':')))
            return false;
        host = rest.left(colon);
        port = rest.mid(colon + 1);
    }
    if (host.isEmpty() || host.contains(QLatin1Char('/')) || port.isEmpty() || port.size() > 5)
        return false;
    for (const QChar c : port)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const uint number = port.toUInt();
    if (number < 1 || number > 65535)
        return false;
    out->host = host;
    out->port = quint16(number);
    return true;
}

std::unique_ptr<SerialPort> make_port(const QString &name, const Timing &timing)
{
    if (is_network_port_name(name))
        return std::make_unique<Rfc2217Port>(timing);
    return std::make_unique<QtSerialPort>();
}
