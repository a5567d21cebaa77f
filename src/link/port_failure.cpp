#include "link/port_failure.h"

#include "link/port_factory.h"
#include "link/port_names.h"

#include <QFileInfo>

namespace {

// The group that owns the device node (dialout on Debian), as the system
// reports it.
QString device_group(const QString &name)
{
    const QString group = QFileInfo(port_system_path(name)).group();
    return group.isEmpty() ? QStringLiteral("dialout") : group;
}

// A network serial server: the reasons are the connection's.
QString network_failure_text(PortFailure failure, const QString &name, const QString &detail)
{
    switch (failure) {
    case PortFailure::NotFound:
        return QStringLiteral("Сервер %1 не найден: проверьте адрес (rfc2217://АДРЕС:ПОРТ).").arg(name);
    case PortFailure::Vanished:
        return QStringLiteral("Связь с сервером %1 прервана: сервер отключен или сеть недоступна.").arg(name);
    case PortFailure::Refused:
        return QStringLiteral("%1 не принимает соединение: сервер не запущен или порт неверен.").arg(name);
    case PortFailure::TimedOut:
        return QStringLiteral("%1 не ответил за 5 с: сервер недоступен или занят.").arg(name);
    default:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("Сервер %1: неизвестная ошибка.").arg(name)
                            : QStringLiteral("Сервер %1: %2").arg(name, detail);
}

}  // namespace

QString port_failure_text(PortFailure failure, const QString &name, const QString &detail)
{
    if (failure != PortFailure::None && is_network_port_name(name))
        return network_failure_text(failure, name, detail);
    switch (failure) {
    case PortFailure::None:
        return QString();
    case PortFailure::NotFound:
        return QStringLiteral("Порт %1 не найден: адаптер не подключен или имя порта неверно.").arg(name);
    case PortFailure::AccessDenied: {
        const QString group = device_group(name);
        return QStringLiteral("Нет доступа к устройству %1. Пользователь должен входить в группу «%2» "
                              "(sudo adduser $USER %2) и заново войти в систему.")
            .arg(port_system_path(name), group);
    }
    case PortFailure::Busy:
        return QStringLiteral("Порт %1 занят другой программой. Закройте её и повторите попытку.").arg(name);
    case PortFailure::Vanished:
        return QStringLiteral("Адаптер отключен от компьютера: порт %1 пропал.").arg(name);
    case PortFailure::Refused:
        return QStringLiteral("%1 не принимает соединение: сервер не запущен или порт неверен.").arg(name);
    case PortFailure::TimedOut:
        return QStringLiteral("%1 не ответил вовремя.").arg(name);
    case PortFailure::Other:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("Порт %1: неизвестная ошибка.").arg(name) : detail;
}
