// Access to the device node: its owner, group and mode against this user.
#include "link/port_check.h"

#include <QFileInfo>

namespace {

// The group serial adapters belong to on Debian; what the udev rule gives a
// device that no group may use.
const QString kSerialGroup = QStringLiteral("dialout");
const QString kRulesFile = QStringLiteral("/etc/udev/rules.d/50-mirval.rules");

QString mode_text(uint mode)
{
    return QStringLiteral("0%1").arg(mode & 0777, 3, 8, QLatin1Char('0'));
}

// Matches the adapter by its ids, so that the rule follows it to any
// ttyUSBn; by the kernel's name where the ids are unknown.
QString rule_match(const QString &path, const AdapterIds &ids)
{
    if (ids.known())
        return QStringLiteral("SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\"")
            .arg(ids.vendor, ids.product);
    return QStringLiteral("SUBSYSTEM==\"tty\", KERNEL==\"%1\"").arg(QFileInfo(path).fileName());
}

QString adduser_advice(const QString &user, const QString &group)
{
    return QStringLiteral("sudo adduser %1 %2, затем выйти из системы и войти снова, чтобы членство в группе "
                          "вступило в силу.")
        .arg(user, group);
}

}  // namespace

QString udev_rule_line(const QString &path, const AdapterIds &ids, const QString &assignment)
{
    return rule_match(path, ids) + QStringLiteral(", ") + assignment;
}

QString udev_rule_advice(const QString &rule)
{
    return QStringLiteral("echo '%1' | sudo tee -a %2, затем sudo udevadm control --reload-rules && sudo "
                          "udevadm trigger и переподключите адаптер.")
        .arg(rule, kRulesFile);
}

QString group_rule_advice(const SystemView &system, const QString &path, const AdapterIds &ids)
{
    const SystemView::Account me = system.account();
    const QString rule =
        udev_rule_line(path, ids, QStringLiteral("GROUP=\"%1\", MODE=\"0660\"").arg(kSerialGroup));
    QString advice = QStringLiteral("Правило udev отдаст устройство группе «%1»: %2")
                         .arg(kSerialGroup, udev_rule_advice(rule));
    const std::optional<uint> dialout = [&]() -> std::optional<uint> {
        for (uint gid : me.member_groups)
            if (system.group_name(gid) == kSerialGroup)
                return gid;
        return std::nullopt;
    }();
    if (!dialout)
        advice += QStringLiteral(" Затем ") + adduser_advice(me.name, kSerialGroup);
    else if (!me.session_groups.contains(*dialout))
        advice +=
            QStringLiteral(" Затем выйдите из системы и войдите снова: пользователь %1 уже в группе «%2», "
                           "но этот сеанс начат раньше.")
                .arg(me.name, kSerialGroup);
    return advice;
}

PortFinding check_access(const SystemView &system, const QString &path, const AdapterIds &ids)
{
    PortFinding f;
    f.check = QStringLiteral("access");
    const std::optional<SystemView::Node> node = system.node(path);
    if (!node) {
        f.problem = true;
        f.text = QStringLiteral("Устройство %1 не найдено.").arg(path);
        f.advice =
            QStringLiteral("Подключите адаптер; если он подключен, а устройства нет, смотрите проверку "
                           "brltty.");
        return f;
    }
    const SystemView::Account me = system.account();
    const QString owner = system.user_name(node->uid);
    const QString group = system.group_name(node->gid);
    const QString mode = mode_text(node->mode);
    const auto in_session = [&me](uint gid) { return me.session_groups.contains(gid); };
    const bool group_rw = (node->mode & 060) == 060;
    const bool may = me.uid == 0 || (node->uid == me.uid && (node->mode & 0600) == 0600) ||
                     (group_rw && in_session(node->gid)) || (node->mode & 06) == 06;
    const QString what =
        QStringLiteral("%1 (владелец «%2», группа «%3», права %4)").arg(path, owner, group, mode);
    if (may) {
        f.text = QStringLiteral("Доступ к устройству %1 есть.").arg(what);
        return f;
    }
    f.problem = true;
    // A group that may use the device, other than root's own: joining it
    // is the way.
    if (group_rw && node->gid != 0) {
        if (me.member_groups.contains(node->gid)) {
            f.text = QStringLiteral("Нет доступа к устройству %1. Пользователь %2 уже входит в группу «%3», "
                                    "но этот сеанс начат раньше.")
                         .arg(what, me.name, group);
            f.advice = QStringLiteral("Выйдите из системы и войдите снова (или перезагрузите компьютер), "
                                      "чтобы членство в группе вступило в силу.");
        } else {
            f.text = QStringLiteral("Нет доступа к устройству %1. Пользователь %2 не входит в группу «%3».")
                         .arg(what, me.name, group);
            f.advice = adduser_advice(me.name, group);
        }
        return f;
    }
    // Joining a group would not help (nor may it be root's): a rule gives
    // the device to the serial group.
    f.text =
        QStringLiteral("Нет доступа к устройству %1: ни одна группа, в которую можно вступить, не дает к "
                       "нему доступа.")
            .arg(what);
    f.advice = group_rule_advice(system, path, ids);
    return f;
}
