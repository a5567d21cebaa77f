// Who else has the port: programs holding it, ModemManager, brltty; and the
// adapter's ids and lasting name.
#include "link/port_check.h"

#include "link/port_factory.h"
#include "link/port_names.h"

#include <QFileInfo>

namespace {

const QString kById = QStringLiteral("/dev/serial/by-id");
// udev's rules, the later directories' files taking the place of the earlier
// ones' of the same name.
const QStringList kRulesDirs{QStringLiteral("/usr/lib/udev/rules.d"), QStringLiteral("/lib/udev/rules.d"),
                             QStringLiteral("/etc/udev/rules.d")};
// Where serial programs (Qt's among them) keep a port's lock file.
const QStringList kLockDirs{QStringLiteral("/var/lock"),       QStringLiteral("/run/lock"),
                            QStringLiteral("/etc/locks"),      QStringLiteral("/var/spool/locks"),
                            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"),
                            QStringLiteral("/var/tmp")};
// USB serial adapters brltty's rules are known to take, for a port whose
// adapter has gone before its ids could be read.
const QList<QPair<AdapterIds, const char *>> kCommonAdapters{
    {{QStringLiteral("1a86"), QStringLiteral("7523")}, "CH340"},
    {{QStringLiteral("10c4"), QStringLiteral("ea60")}, "CP210x"},
    {{QStringLiteral("0403"), QStringLiteral("6001")}, "FT232"},
};

struct Process {
    int pid;
    uint uid;
    QString command;
};

QString command_of(const SystemView &system, int pid)
{
    return QString::fromLocal8Bit(
        system.read(QStringLiteral("/proc/%1/comm").arg(pid)).value_or(QByteArray()).trimmed());
}

QList<int> process_ids(const SystemView &system)
{
    QList<int> pids;
    for (const QString &e : system.entries(QStringLiteral("/proc")).value_or(QStringList())) {
        bool ok = false;
        const int pid = e.toInt(&ok);
        if (ok && pid > 0 && pid != system.own_pid())
            pids << pid;
    }
    return pids;
}

QString process_text(const Process &p)
{
    return QStringLiteral("%1 (pid %2)")
        .arg(p.command.isEmpty() ? QStringLiteral("?") : p.command)
        .arg(p.pid);
}

QString processes_text(const QList<Process> &list)
{
    QStringList parts;
    for (const Process &p : list)
        parts << process_text(p);
    return parts.join(QStringLiteral(", "));
}

// The process a lock file names for the device, if it still runs.
std::optional<Process> lock_holder(const SystemView &system, const QString &path)
{
    QString name = path;
    if (name.startsWith(QStringLiteral("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const QString &dir : kLockDirs) {
        const std::optional<QByteArray> lock = system.read(dir + QStringLiteral("/LCK..") + name);
        if (!lock)
            continue;
        bool ok = false;
        const int pid = QString::fromLatin1(lock->simplified()).section(QLatin1Char(' '), 0, 0).toInt(&ok);
        const auto node = ok && pid > 0 ? system.node(QStringLiteral("/proc/%1").arg(pid)) : std::nullopt;
        if (node)
            return Process{pid, node->uid, command_of(system, pid)};
    }
    return std::nullopt;
}

bool has_hex(const QString &text, const QString &ids)
{
    return text.contains(ids, Qt::CaseInsensitive);
}

// Whether a brltty rules text takes the adapter: its rules match the
// device's PRODUCT ("1a86/7523/...", hexadecimal without leading zeros) or
// its idVendor and idProduct on one line.
bool takes_adapter(const QString &rules, const AdapterIds &ids)
{
    const auto bare = [](const QString &hex) {
        bool ok = false;
        const uint value = hex.toUInt(&ok, 16);
        return ok ? QString::number(value, 16) : hex;
    };
    if (has_hex(rules, QStringLiteral("\"%1/%2/").arg(bare(ids.vendor), bare(ids.product))))
        return true;
    const QStringList lines = rules.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        if (!line.trimmed().startsWith(QLatin1Char('#')) &&
            has_hex(line, QStringLiteral("idVendor}==\"%1\"").arg(ids.vendor)) &&
            has_hex(line, QStringLiteral("idProduct}==\"%1\"").arg(ids.product)))
            return true;
    return false;
}

// brltty's rules files in effect, by path: one in /etc that leads to
// /dev/null masks those of its name.
QStringList brltty_rules(const SystemView &system)
{
    QMap<QString, QString> by_name;
    for (const QString &dir : kRulesDirs)
        for (const QString &e : system.entries(dir).value_or(QStringList()))
            if (e.contains(QStringLiteral("brltty")) && e.endsWith(QStringLiteral(".rules")))
                by_name[e] = dir + QLatin1Char('/') + e;
    QStringList files;
    for (const QString &file : std::as_const(by_name))
        if (system.resolve(file) != QStringLiteral("/dev/null"))
            files << file;
    return files;
}

}  // namespace

bool PortCheck::ok() const
{
    for (const PortFinding &f : findings)
        if (f.problem)
            return false;
    return true;
}

AdapterIds adapter_ids(const SystemView &system, const QString &path)
{
    // The tty's device in sysfs, and up from it the USB device with the ids.
    QString dir = system.resolve(QStringLiteral("/sys/class/tty/%1/device").arg(QFileInfo(path).fileName()));
    for (int up = 0; up < 8 && dir.startsWith(QStringLiteral("/sys/")); ++up) {
        const auto vendor = system.read(dir + QStringLiteral("/idVendor"));
        const auto product = system.read(dir + QStringLiteral("/idProduct"));
        if (vendor && product)
            return AdapterIds{QString::fromLatin1(vendor->trimmed()).toLower(),
                              QString::fromLatin1(product->trimmed()).toLower()};
        dir = QFileInfo(dir).path();
    }
    return AdapterIds{};
}

QString by_id_name(const SystemView &system, const QString &path)
{
    const QString node = system.resolve(path);
    if (node.isEmpty())
        return QString();
    for (const QString &e : system.entries(kById).value_or(QStringList())) {
        const QString link = kById + QLatin1Char('/') + e;
        if (system.resolve(link) == node)
            return link;
    }
    return QString();
}

QString port_named_by_id(const SystemView &system, const QString &by_id, const QStringList &names)
{
    const QString node = by_id.isEmpty() ? QString() : system.resolve(by_id);
    if (node.isEmpty())
        return QString();
    for (const QString &name : names)
        if (!is_network_port_name(name) && system.resolve(port_system_path(name)) == node)
            return name;
    return QString();
}

PortFinding check_holders(const SystemView &system, const QString &path)
{
    PortFinding f;
    f.check = QStringLiteral("holders");
    const QString node = system.resolve(path);
    const uint me = system.account().uid;
    QList<Process> mine, others;
    bool unseen = false;  // another user's process whose files are hidden
    for (int pid : process_ids(system)) {
        const QString proc = QStringLiteral("/proc/%1").arg(pid);
        const std::optional<SystemView::Node> owner = system.node(proc);
        if (!owner)
            continue;
        const std::optional<QStringList> fds = system.entries(proc + QStringLiteral("/fd"));
        if (!fds) {
            unseen = unseen || owner->uid != me;
            continue;
        }
        for (const QString &fd : *fds)
            if (!node.isEmpty() && system.link(proc + QStringLiteral("/fd/") + fd) == node) {
                (owner->uid == me ? mine : others) << Process{pid, owner->uid, command_of(system, pid)};
                break;
            }
    }
    if (mine.isEmpty() && others.isEmpty())
        if (const std::optional<Process> locked = lock_holder(system, node.isEmpty() ? path : node))
            if (locked->pid != system.own_pid())
                (locked->uid == me ? mine : others) << *locked;
    if (!mine.isEmpty()) {
        f.problem = true;
        f.text = QStringLiteral("Порт %1 открыт программой: %2.").arg(path, processes_text(mine));
        f.advice =
            QStringLiteral("Закройте ее и повторите попытку (или завершите: kill %1).").arg(mine.first().pid);
        return f;
    }
    if (!others.isEmpty()) {
        const Process &p = others.first();
        f.problem = true;
        f.text = QStringLiteral("Порт %1 открыт программой пользователя %2: %3.")
                     .arg(path, system.user_name(p.uid), processes_text(others));
        f.advice = QStringLiteral("Попросите пользователя %1 закрыть ее или завершите ее как администратор: "
                                  "sudo kill %2.")
                       .arg(system.user_name(p.uid))
                       .arg(p.pid);
        return f;
    }
    f.text =
        unseen ? QStringLiteral("Порт %1 не открыт ни одной программой этого пользователя. Программы других "
                                "пользователей проверить нельзя: их открытые файлы видны только root (sudo "
                                "mirval-cli doctor).")
                     .arg(path)
               : QStringLiteral("Порт %1 не открыт другими программами.").arg(path);
    return f;
}

PortFinding check_modem_manager(const SystemView &system, const QString &path, const AdapterIds &ids)
{
    PortFinding f;
    f.check = QStringLiteral("modemmanager");
    bool running = false;
    for (int pid : process_ids(system))
        running = running || command_of(system, pid) == QStringLiteral("ModemManager");
    if (!running) {
        f.text = QStringLiteral("ModemManager не запущен.");
        return f;
    }
    if (!ids.known()) {
        f.text = QStringLiteral("ModemManager запущен, но %1 не USB-адаптер: такие порты он не опрашивает.")
                     .arg(path);
        return f;
    }
    // udev's database entry of the device: the properties its rules set.
    const std::optional<SystemView::Node> node = system.node(path);
    const QByteArray properties =
        node ? system.read(QStringLiteral("/run/udev/data/c%1:%2").arg(node->major).arg(node->minor))
                   .value_or(QByteArray())
             : QByteArray();
    if (properties.contains("E:ID_MM_DEVICE_IGNORE=1")) {
        f.text = QStringLiteral(
            "ModemManager запущен, но адаптер отмечен ID_MM_DEVICE_IGNORE: он его не трогает.");
        return f;
    }
    f.problem = true;
    f.text =
        QStringLiteral("ModemManager запущен и опрашивает USB-адаптер %1:%2 как модем: после подключения "
                       "адаптера он занимает порт на несколько секунд и посылает в линию AT-команды.")
            .arg(ids.vendor, ids.product);
    f.advice =
        QStringLiteral("Если модем не нужен: sudo systemctl disable --now ModemManager. Иначе пусть он не "
                       "трогает адаптер: ") +
        udev_rule_advice(udev_rule_line(path, ids, QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")));
    return f;
}

PortFinding check_brltty(const SystemView &system, const QString &path, const AdapterIds &ids)
{
    PortFinding f;
    f.check = QStringLiteral("brltty");
    const QStringList files = brltty_rules(system);
    if (files.isEmpty()) {
        f.text = QStringLiteral("brltty не установлен (его правил udev нет).");
        return f;
    }
    // The adapter's own ids; for a device that is gone, the adapters brltty
    // is known to take.
    QList<QPair<AdapterIds, const char *>> adapters;
    if (ids.known())
        adapters << qMakePair(ids, "");
    else if (!system.node(path))
        adapters = kCommonAdapters;
    QStringList taken;
    QString file;
    for (const QString &rules_file : files) {
        const QString rules = QString::fromUtf8(system.read(rules_file).value_or(QByteArray()));
        for (const auto &a : std::as_const(adapters))
            if (takes_adapter(rules, a.first)) {
                const QString ids_text = a.first.vendor + QLatin1Char(':') + a.first.product;
                taken << (*a.second ? QStringLiteral("%1 %2").arg(QLatin1String(a.second), ids_text)
                                    : ids_text);
                file = file.isEmpty() ? rules_file : file;
            }
    }
    if (taken.isEmpty()) {
        f.text = ids.known() ? QStringLiteral("brltty установлен, но его правила не берут адаптер %1:%2.")
                                   .arg(ids.vendor, ids.product)
                             : QStringLiteral("brltty установлен; %1 не USB-адаптер, его правила такие порты "
                                              "не берут.")
                                   .arg(path);
        return f;
    }
    f.problem = true;
    f.text =
        QStringLiteral("brltty (программа для брайлевских дисплеев) установлен, и его правило udev %1 берет "
                       "адаптеры %2: он занимает адаптер, и порт пропадает вскоре после подключения.")
            .arg(file, taken.join(QStringLiteral(", ")));
    f.advice =
        QStringLiteral("Если брайлевский дисплей не используется: sudo apt remove brltty и переподключите "
                       "адаптер. Иначе отключите это правило: sudo ln -s /dev/null "
                       "/etc/udev/rules.d/%1.")
            .arg(QFileInfo(file).fileName());
    return f;
}

PortCheck check_port(const SystemView &system, const QString &name, const QString &path)
{
    PortCheck c;
    c.name = name;
    c.path = path;
    const AdapterIds ids = adapter_ids(system, path);
    c.by_id = by_id_name(system, path);
    c.findings << check_access(system, path, ids) << check_holders(system, path)
               << check_modem_manager(system, path, ids) << check_brltty(system, path, ids);
    if (!c.by_id.isEmpty())
        c.findings << PortFinding{
            QStringLiteral("by-id"), false,
            QStringLiteral("Постоянное имя адаптера: %1 (то же, когда адаптер получает другой "
                           "номер ttyUSB).")
                .arg(c.by_id),
            QString()};
    return c;
}

PortCheck check_port(const QString &name)
{
    if (!is_network_port_name(name))
        return check_port(live_system(), name, port_system_path(name));
    PortCheck c;
    c.name = c.path = name;
    c.findings << PortFinding{
        QStringLiteral("network"), false,
        QStringLiteral("%1 - сетевой сервер: устройство компьютера не проверяется.").arg(name), QString()};
    return c;
}

QString port_check_text(const PortCheck &check)
{
    QStringList lines;
    lines << (check.name == check.path ? check.name : QStringLiteral("%1 (%2)").arg(check.name, check.path));
    for (const PortFinding &f : check.findings) {
        lines << (f.problem ? QStringLiteral("  ПРОБЛЕМА: ") : QStringLiteral("  ok: ")) + f.text;
        if (!f.advice.isEmpty())
            lines << QStringLiteral("    Что сделать: ") + f.advice;
    }
    return lines.join(QLatin1Char('\n'));
}
