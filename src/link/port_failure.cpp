#include "link/port_failure.h"

#include "link/port_check.h"
#include "link/port_factory.h"
#include "link/port_names.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// The group that owns the device node (dialout for USB adapters on Debian),
// as the system reports it.
QString device_group(const QString &path)
{
    const QFileInfo info(path);
    const QString group = info.group();
    if (!group.isEmpty())
        return group;
    return info.exists() ? QString::number(info.groupId()) : QStringLiteral("dialout");
}

// The user the program runs as.
QString user_name()
{
#ifdef Q_OS_UNIX
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("$USER") : user;
}

QString busy_text(const QString &name)
{
    return QStringLiteral("Порт %1 занят другой программой. Закройте ее и повторите попытку.").arg(name);
}

// A network serial server: the reasons are the connection's, with what the
// server said or did.
QString network_failure_text(PortFailure failure, const QString &name, const QString &detail)
{
    const QString malformed = network_port_name_error(name);
    if (!malformed.isEmpty())
        return malformed + QLatin1Char('.');
    switch (failure) {
    case PortFailure::Busy:
        return detail.isEmpty() ? busy_text(name)
                                : QStringLiteral("%1 Сервер ответил: «%2».").arg(busy_text(name), detail);
    case PortFailure::NotFound:
        return QStringLiteral("Сервер %1 не найден: проверьте адрес (rfc2217://АДРЕС:ПОРТ).").arg(name);
    case PortFailure::Vanished:
        return QStringLiteral("Связь с сервером %1 прервана: сервер отключен или сеть недоступна.").arg(name);
    case PortFailure::Refused:
        return QStringLiteral("%1 не принимает соединение: сервер не запущен или порт неверен.").arg(name);
    case PortFailure::TimedOut:
        return detail.isEmpty()
                   ? QStringLiteral("%1 не ответил за 5 с: сервер недоступен или занят.").arg(name)
                   : QStringLiteral("%1 не ответил вовремя. %2.").arg(name, detail);
    default:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("Сервер %1: неизвестная ошибка.").arg(name)
                            : QStringLiteral("%1: %2.").arg(name, detail);
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
        return QStringLiteral("Порт %1 не найден: адаптер не подключен или отключен, или имя порта неверно.")
            .arg(name);
    case PortFailure::AccessDenied: {
        const QString path = port_system_path(name);
        // A device no group may use, or root's group's: joining the group is
        // no way there; the check tells the udev rule instead.
        const SystemView &system = live_system();
        const std::optional<SystemView::Node> node = system.node(path);
        if (node && (node->gid == 0 || (node->mode & 060) != 060))
            return QStringLiteral(
                       "Нет доступа к устройству %1 (группа «%2»): оно принадлежит %3 с правами %4, "
                       "вступление в группу не поможет. %5")
                .arg(path, system.group_name(node->gid), system.user_name(node->uid),
                     QStringLiteral("0%1").arg(node->mode & 0777, 3, 8, QLatin1Char('0')),
                     group_rule_advice(system, path, adapter_ids(system, path)));
        const QString group = device_group(path);
        return QStringLiteral("Нет доступа к устройству %1 (группа «%2»). Пользователь %3 должен входить в "
                              "группу «%2»: sudo adduser %3 %2, затем выйти из системы и войти снова, чтобы "
                              "членство в группе вступило в силу.")
            .arg(path, group, user_name());
    }
    case PortFailure::Busy:
        return busy_text(name);
    case PortFailure::Vanished:
        return QStringLiteral(
                   "Адаптер отключен от компьютера: порт %1 пропал. Подключите адаптер и повторите "
                   "попытку.")
            .arg(name);
    case PortFailure::Refused:
        return QStringLiteral("%1 не принимает соединение: сервер не запущен или порт неверен.").arg(name);
    case PortFailure::TimedOut:
        return QStringLiteral("%1 не ответил вовремя.").arg(name);
    case PortFailure::Other:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("Порт %1: неизвестная ошибка.").arg(name) : detail;
}

const char *port_failure_key(PortFailure failure)
{
    switch (failure) {
    case PortFailure::None:
        return "";
    case PortFailure::NotFound:
        return "not-found";
    case PortFailure::AccessDenied:
        return "access-denied";
    case PortFailure::Busy:
        return "busy";
    case PortFailure::Vanished:
        return "vanished";
    case PortFailure::Refused:
        return "refused";
    case PortFailure::TimedOut:
        return "timed-out";
    case PortFailure::Other:
        break;
    }
    return "other";
}
