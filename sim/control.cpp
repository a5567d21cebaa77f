#include "control.h"

#include <QList>
#include <QMap>

namespace sim {

namespace {

// Splits "ADDR/REST"; without a slash every unit is meant (*address = 0).
bool split_scope(const QString &text, int *address, QString *rest)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        *address = 0;
        *rest = text;
        return true;
    }
    bool ok = false;
    *address = text.left(slash).toInt(&ok);
    *rest = text.mid(slash + 1);
    return ok && *address >= 1 && *address <= 255;
}

// The units a command is meant for; empty when the address has no unit.
QList<Unit *> units_of(Bus &bus, int address)
{
    QList<Unit *> units;
    if (address == 0) {
        for (int i = 0; i < bus.size(); ++i)
            units << &bus.unit_at(i);
    } else if (Unit *u = bus.unit(quint8(address))) {
        units << u;
    }
    return units;
}

// "state ADDR modes=M,M,M,M chN=CODE,... unit=CODE,...": the codes of every
// channel parameter and unit-wide value, in hex, in the order of the tables.
QString state_text(const UnitState &s)
{
    const auto hex = [](quint8 v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')); };
    QStringList modes;
    QStringList out{QStringLiteral("state %1").arg(s.address)};
    for (int ch = 1; ch <= kChannels; ++ch)
        modes << QString::number(s.channel(ch).mode);
    out << QStringLiteral("modes=") + modes.join(',');
    for (int ch = 1; ch <= kChannels; ++ch) {
        QStringList codes;
        for (quint8 v : s.channel(ch).params)
            codes << hex(v);
        out << QStringLiteral("ch%1=").arg(ch) + codes.join(',');
    }
    QStringList unit;
    for (quint8 v : s.unit_params)
        unit << hex(v);
    out << QStringLiteral("unit=") + unit.join(',');
    return out.join(' ');
}

// "image ADDR complete=0|1 bytes=N AAAAAAAA:HEX ...": the data the loader
// stored in its last transfer, as runs of consecutive addresses.
QString image_text(const Unit &u)
{
    const QMap<quint32, quint8> &image = u.loader().image();
    QStringList out{QStringLiteral("image %1").arg(u.state().address),
                    QStringLiteral("complete=%1").arg(u.loader().complete() ? 1 : 0),
                    QStringLiteral("bytes=%1").arg(image.size())};
    QByteArray run;
    quint32 start = 0;
    const auto flush = [&] {
        if (!run.isEmpty())
            out << QStringLiteral("%1:").arg(start, 8, 16, QLatin1Char('0')) +
                       QString::fromLatin1(run.toHex());
        run.clear();
    };
    for (auto it = image.cbegin(); it != image.cend(); ++it) {
        if (run.isEmpty() || it.key() != start + quint32(run.size())) {
            flush();
            start = it.key();
        }
        run.append(char(it.value()));
    }
    flush();
    return out.join(' ');
}

}  // namespace

bool apply_control_line(Bus &bus, const QString &line, QString *reply)
{
    const QString text = line.trimmed();
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const QString verb = space < 0 ? text : text.left(space);
    const QString argument = space < 0 ? QString() : text.mid(space + 1).trimmed();

    int address = 0;
    QString rest;
    if (!split_scope(argument, &address, &rest)) {
        *reply = QStringLiteral("bad address in \"%1\"").arg(text);
        return false;
    }
    const bool by_address = verb == QLatin1String("clear") || verb == QLatin1String("reset") ||
                            verb == QLatin1String("state") || verb == QLatin1String("image");
    if (by_address && !rest.isEmpty()) {
        // "clear ADDR" has no slash.
        bool ok = false;
        address = rest.toInt(&ok);
        if (!ok || address < 1 || address > 255) {
            *reply = QStringLiteral("bad address in \"%1\"").arg(text);
            return false;
        }
    }
    const QList<Unit *> units = units_of(bus, address);
    if (units.isEmpty()) {
        *reply = QStringLiteral("no unit at address %1").arg(address);
        return false;
    }

    if (verb == QLatin1String("fault")) {
        QString error;
        Faults check;
        if (rest.isEmpty() || !check.add(rest, &error)) {
            *reply = QStringLiteral("bad fault \"%1\": %2").arg(rest, error);
            return false;
        }
        for (Unit *u : units)
            u->faults().add(rest);
        *reply = QStringLiteral("fault %1 on").arg(rest);
        return true;
    }
    if (verb == QLatin1String("clear")) {
        for (Unit *u : units) {
            const bool check_speed = u->faults().speed_check();
            u->faults().clear();
            if (check_speed)
                u->faults().add(QStringLiteral("speed-check"));
        }
        *reply = QStringLiteral("faults cleared");
        return true;
    }
    if (verb == QLatin1String("speed-index")) {
        bool ok = false;
        const int index = rest.toInt(&ok);
        if (!ok || index < 0 || index > 5) {
            *reply = QStringLiteral("bad speed index \"%1\"").arg(rest);
            return false;
        }
        for (Unit *u : units)
            u->state().speed_index = index;
        *reply = QStringLiteral("speed index %1").arg(index);
        return true;
    }
    if (verb == QLatin1String("reset")) {
        for (Unit *u : units)
            u->reset();
        *reply = QStringLiteral("reset");
        return true;
    }
    if (verb == QLatin1String("state")) {
        QStringList parts;
        for (Unit *u : units)
            parts << state_text(u->state());
        *reply = parts.join(QStringLiteral("; "));
        return true;
    }
    if (verb == QLatin1String("image")) {
        QStringList parts;
        for (Unit *u : units)
            parts << image_text(*u);
        *reply = parts.join(QStringLiteral("; "));
        return true;
    }
    *reply = QStringLiteral("unknown command \"%1\"").arg(text);
    return false;
}

QString control_help()
{
    return QStringLiteral("Commands on standard input, one per line:\n"
                          "  fault [ADDR/]FAULT     switch a fault on (silent-after counts from here)\n"
                          "  clear [ADDR]           switch every fault off but speed-check\n"
                          "  speed-index [ADDR/]I   the unit listens and answers at speed index I\n"
                          "  reset [ADDR]           back to the state at start, faults off but speed-check\n"
                          "  state [ADDR]           print the parameter codes the unit holds\n"
                          "  image [ADDR]           print the firmware image the loader stored last");
}

}  // namespace sim
