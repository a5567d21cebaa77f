#pragma once

#include "link/system_view.h"

#include <QList>
#include <QString>

// A look at a serial port's surroundings that says what keeps the program
// from it and what to do: access to the device, programs that hold it,
// ModemManager and brltty taking USB adapters, the adapter's lasting name.
// Nothing here opens the port.

struct PortFinding {
    QString check;  // "access", "holders", "modemmanager", "brltty", "by-id", "network"
    bool problem = false;
    QString text;
    QString advice;  // what to do; empty when nothing is needed
};

struct PortCheck {
    QString name;
    QString path;   // the device node
    QString by_id;  // /dev/serial/by-id/... leading to it; empty: none
    QList<PortFinding> findings;
    bool ok() const;
};

// A USB adapter's vendor and product ids (four hexadecimal digits each).
struct AdapterIds {
    QString vendor;
    QString product;
    bool known() const { return !vendor.isEmpty() && !product.isEmpty(); }
};

// The ids from sysfs, for a device node of a USB adapter; empty otherwise.
AdapterIds adapter_ids(const SystemView &system, const QString &path);
// The /dev/serial/by-id link that leads to the device node; empty: none.
QString by_id_name(const SystemView &system, const QString &path);
// Among port names, the one whose device the by-id link leads to now; empty
// when the link leads nowhere or to none of them.
QString port_named_by_id(const SystemView &system, const QString &by_id, const QStringList &names);

// A udev rule's line for the adapter (by its ids, else the kernel's name)
// with the assignment given, and how to add it to the program's rules file.
QString udev_rule_line(const QString &path, const AdapterIds &ids, const QString &assignment);
QString udev_rule_advice(const QString &rule);

// How a device no group may use gets to the serial group: the udev rule, and
// joining dialout where the user is not in it.
QString group_rule_advice(const SystemView &system, const QString &path, const AdapterIds &ids);

// Whether this user may read and write the device, and if not, how to get
// there: joining the device's group, or (a device no group may use, root's
// own) a udev rule that gives it to dialout. Never the root group.
PortFinding check_access(const SystemView &system, const QString &path, const AdapterIds &ids);
// Programs that hold the device open: this user's named, another user's as
// far as they can be seen.
PortFinding check_holders(const SystemView &system, const QString &path);
PortFinding check_modem_manager(const SystemView &system, const QString &path, const AdapterIds &ids);
PortFinding check_brltty(const SystemView &system, const QString &path, const AdapterIds &ids);

// Every check for a port of the list (name) whose device is path.
PortCheck check_port(const SystemView &system, const QString &name, const QString &path);
// For a port name as the program takes it (a name of the list, a device path
// or a network server), on this machine.
PortCheck check_port(const QString &name);

// The findings as lines: "ok:" or "ПРОБЛЕМА:" with the text, the advice under
// a problem.
QString port_check_text(const PortCheck &check);
