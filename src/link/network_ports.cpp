#include "link/network_ports.h"

#include "common/logging.h"
#include "link/port_factory.h"

#include <QDebug>
#include <QFile>
#include <QStandardPaths>

namespace network_ports {

namespace {

// More than any site has; a file larger than this is not a port list.
constexpr qint64 kMaxFileBytes = 1 << 20;

}  // namespace

QString settings_file()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/mirval/ports");
}

Listing parse(const QString &text)
{
    Listing listing;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        NetworkAddress address;
        if (!parse_network_port_name(line, &address)) {
            listing.rejected << QStringLiteral("%1: %2").arg(i + 1).arg(line);
            continue;
        }
        if (!listing.ports.contains(line))
            listing.ports << line;
    }
    return listing;
}

Listing read(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        qCWarning(lcLink) << "network port list not read:" << path << file.errorString();
        return {};
    }
    const Listing listing = parse(QString::fromUtf8(file.read(kMaxFileBytes)));
    for (const QString &line : listing.rejected)
        qCWarning(lcLink).noquote() << path << "line" << line
                                    << "names no network port (rfc2217://HOST:PORT)";
    return listing;
}

}  // namespace network_ports
