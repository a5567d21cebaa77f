// What keeps the program from a port, and what to do about it.
#include "commands.h"
#include "link/network_ports.h"
#include "link/port_check.h"
#include "link/port_names.h"

#include <QJsonArray>

namespace cli {

namespace {

QJsonObject port_json(const PortCheck &check)
{
    QJsonArray findings;
    for (const PortFinding &f : check.findings)
        findings.append(QJsonObject{
            {QStringLiteral("check"), f.check},
            {QStringLiteral("severity"), f.problem ? QStringLiteral("problem") : QStringLiteral("ok")},
            {QStringLiteral("text"), f.text},
            {QStringLiteral("advice"), f.advice}});
    return QJsonObject{{QStringLiteral("name"), check.name},
                       {QStringLiteral("path"), check.path},
                       {QStringLiteral("by_id"), check.by_id},
                       {QStringLiteral("ok"), check.ok()},
                       {QStringLiteral("findings"), findings}};
}

}  // namespace

int run_doctor(Context &c)
{
    QStringList names = c.ports;
    if (names.isEmpty()) {
        for (const QString &name : present_port_names())
            if (admits_port_name(name))
                names << name;
        names << network_ports::read().ports;
    }
    if (names.isEmpty())
        return c.fail(UnitFailed, QStringLiteral("COM-порт не обнаружен !"));
    QJsonArray ports;
    bool ok = true;
    for (const QString &name : std::as_const(names)) {
        const PortCheck check = check_port(name);
        ok = ok && check.ok();
        c.out(port_check_text(check));
        ports.append(port_json(check));
    }
    c.result[QStringLiteral("ports")] = ports;
    return ok ? Success : UnitFailed;
}

}  // namespace cli
