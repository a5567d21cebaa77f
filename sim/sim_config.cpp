#include "sim_config.h"

#include "control.h"

#include <QCommandLineParser>
#include <QSet>

namespace sim {

bool parse_addresses(const QStringList &values, QList<quint8> *addresses, QString *error)
{
    QSet<int> seen;
    for (const QString &value : values) {
        for (const QString &part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int a = part.trimmed().toInt(&ok);
            if (!ok || a < 1 || a > 255) {
                *error = QStringLiteral("bad address \"%1\" (1..255)").arg(part);
                return false;
            }
            if (seen.contains(a)) {
                *error = QStringLiteral("address %1 given twice").arg(a);
                return false;
            }
            seen.insert(a);
            addresses->append(quint8(a));
        }
    }
    return true;
}

bool parse_modes(const QString &text, std::array<quint8, kChannels> *modes, QString *error)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != kChannels) {
        *error = QStringLiteral("--modes needs four modes, e.g. 1,2,0,1 (got \"%1\")").arg(text);
        return false;
    }
    for (int i = 0; i < kChannels; ++i) {
        bool ok = false;
        const int m = parts[i].trimmed().toInt(&ok);
        if (!ok || m < 0 || m > 2) {
            *error =
                QStringLiteral("bad mode \"%1\" for channel %2 (0 off, 1 LF, 2 HF)").arg(parts[i]).arg(i + 1);
            return false;
        }
        (*modes)[i] = quint8(m);
    }
    return true;
}

bool parse_version(const QString &text, quint8 *major, quint8 *minor, QString *error)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    bool ok_major = false, ok_minor = false;
    const int a = parts.value(0).toInt(&ok_major);
    const int b = parts.value(1).toInt(&ok_minor);
    if (parts.size() != 2 || !ok_major || !ok_minor || a < 0 || a > 255 || b < 0 || b > 255) {
        *error = QStringLiteral("bad version \"%1\" (MAJOR.MINOR, e.g. 2.5)").arg(text);
        return false;
    }
    *major = quint8(a);
    *minor = quint8(b);
    return true;
}

// An option value "ADDR/REST" for the unit at ADDR or "REST" for every unit:
// apply(unit, REST) for each. False with *error when no unit has the address
// or apply refuses the value.
template <typename Apply>
static bool for_units(SimSetup *setup, const QString &option, const QString &text, Apply apply,
                      QString *error)
{
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    bool scoped = false;
    const int address = slash > 0 ? text.left(slash).toInt(&scoped) : 0;
    const QString rest = scoped ? text.mid(slash + 1) : text;
    bool used = false;
    for (UnitSetup &u : setup->units) {
        if (scoped && u.address != address)
            continue;
        if (!apply(u, rest))
            return false;
        used = true;
    }
    if (!used)
        *error = QStringLiteral("--%1 %2: no unit at address %3").arg(option, text).arg(address);
    return used;
}

static bool parse_int(const QCommandLineParser &p, const QString &name, int low, int high, int *value,
                      QString *error)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1: \"%2\" is not a number in %3..%4")
                     .arg(name, p.value(name))
                     .arg(low)
                     .arg(high);
        return false;
    }
    *value = v;
    return true;
}

// "CH:LEVEL:AMPLITUDE:FREQUENCY", counts of 0..65535.
static bool parse_measured(const QString &text, int *channel, UnitSetup::Measured *measured, QString *error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 4) {
        *error = QStringLiteral("--measured %1: not CH:LEVEL:AMPLITUDE:FREQUENCY").arg(text);
        return false;
    }
    if (!parse_channel_number(parts[0], channel, error))
        return false;
    quint16 counts[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const uint v = parts[i + 1].toUInt(&ok);
        if (!ok || v > 0xFFFF) {
            *error = QStringLiteral("--measured %1: \"%2\" is not a count 0..65535").arg(text, parts[i + 1]);
            return false;
        }
        counts[i] = quint16(v);
    }
    *measured = {counts[0], counts[1], counts[2]};
    return true;
}

ParseResult parse_command_line(const QStringList &arguments, SimSetup *setup, QString *message)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral(
            "Runs simulated units on a virtual serial port. Prints the port name on the first line, "
            "then every request and answer.\n\nFaults (--fault NAME[=ARG][@CODES][:TIMES], prefix "
            "ADDR/ for one unit only):\n%1\n\n%2\n\n%3")
            .arg(Faults::help(), behaviour_help(), control_help()));
    const QCommandLineOption help_option(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                         QStringLiteral("Show this help."));
    p.addOption(help_option);
    p.addOption({QStringLiteral("address"),
                 QStringLiteral("Unit address 1..255 (default 1); repeat or list for several units."),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("modes"),
                 QStringLiteral("Modes of channels 1..4, 0 off, 1 LF, 2 HF (default 1,1,1,1); repeat to give "
                                "each unit its own."),
                 QStringLiteral("M,M,M,M")});
    p.addOption({QStringLiteral("version"), QStringLiteral("Firmware version (default 2.5)."),
                 QStringLiteral("MAJ.MIN")});
    p.addOption({QStringLiteral("no-version"), QStringLiteral("The unit does not know get_version.")});
    p.addOption(
        {QStringLiteral("speed-index"),
         QStringLiteral("Line speed index 0..5: 4800, 9600, 19200, 38400, 57600, 115200 (default 4)."),
         QStringLiteral("I")});
    p.addOption({QStringLiteral("any-speed"), QStringLiteral("Answer whatever speed the line runs at.")});
    p.addOption({QStringLiteral("fault"), QStringLiteral("Switch a fault on (repeatable)."),
                 QStringLiteral("FAULT")});
    p.addOption({QStringLiteral("log-records"), QStringLiteral("Fill the event log with N example records."),
                 QStringLiteral("N")});
    p.addOption({QStringLiteral("clock"),
                 QStringLiteral("Unit time at start, seconds since 1970 (default: now)."),
                 QStringLiteral("SECONDS")});
    p.addOption({QStringLiteral("pace-input"),
                 QStringLiteral("The unit hears each byte of a request only after its time on the line.")});
    p.addOption({QStringLiteral("level"),
                 QStringLiteral("The HF level of a channel moves (repeatable; see below)."),
                 QStringLiteral("[ADDR/]CH:WAVE:PERIOD_MS:AMPLITUDE_MV[:OFFSET_MV]")});
    p.addOption({QStringLiteral("states"),
                 QStringLiteral("A channel reports these states in turn (repeatable; see below)."),
                 QStringLiteral("[ADDR/]CH:STATE/MS,...")});
    p.addOption({QStringLiteral("cut-alarm"),
                 QStringLiteral("A channel in HF mode raises an alarm on a long cut level (repeatable)."),
                 QStringLiteral("[ADDR/]CH")});
    p.addOption({QStringLiteral("measured"),
                 QStringLiteral("What a channel's level, amplitude and frequency measurements report, in "
                                "counts (repeatable; default 0)."),
                 QStringLiteral("[ADDR/]CH:LEVEL:AMPLITUDE:FREQUENCY")});
    p.addOption({QStringLiteral("quit-after-ms"), QStringLiteral("Exit after this many milliseconds."),
                 QStringLiteral("MS")});

    if (!p.parse(arguments)) {
        *message = p.errorText();
        return ParseResult::Error;
    }
    if (p.isSet(help_option)) {
        *message = p.helpText();
        return ParseResult::Help;
    }
    if (!p.positionalArguments().isEmpty()) {
        *message = QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first());
        return ParseResult::Error;
    }

    QList<quint8> addresses;
    if (!parse_addresses(p.values(QStringLiteral("address")), &addresses, message))
        return ParseResult::Error;
    if (addresses.isEmpty())
        addresses << 1;

    UnitSetup base;
    if (p.isSet(QStringLiteral("version")) &&
        !parse_version(p.value(QStringLiteral("version")), &base.version_major, &base.version_minor, message))
        return ParseResult::Error;
    base.has_version = !p.isSet(QStringLiteral("no-version"));
    if (!parse_int(p, QStringLiteral("speed-index"), 0, kSpeedCount - 1, &base.speed_index, message) ||
        !parse_int(p, QStringLiteral("log-records"), 0, 100000, &base.log_records, message) ||
        !parse_int(p, QStringLiteral("quit-after-ms"), 0, 86400000, &setup->quit_after_ms, message))
        return ParseResult::Error;
    if (p.isSet(QStringLiteral("clock"))) {
        bool ok = false;
        setup->clock_start = p.value(QStringLiteral("clock")).toLongLong(&ok);
        if (!ok || setup->clock_start < 0 || setup->clock_start > 0xFFFFFFFFll) {
            *message = QStringLiteral("--clock: not a unit time");
            return ParseResult::Error;
        }
    }
    setup->check_speed = !p.isSet(QStringLiteral("any-speed"));
    setup->pace_input = p.isSet(QStringLiteral("pace-input"));

    const QStringList modes = p.values(QStringLiteral("modes"));
    for (int i = 0; i < addresses.size(); ++i) {
        UnitSetup u = base;
        u.address = addresses[i];
        if (!modes.isEmpty() && !parse_modes(modes.value(i, modes.last()), &u.modes, message))
            return ParseResult::Error;
        setup->units << u;
    }

    // Faults and behaviours: "ADDR/VALUE" for one unit, "VALUE" for all;
    // set(unit, VALUE) takes one value.
    const auto each = [&](const QString &option, auto set) {
        for (const QString &text : p.values(option))
            if (!for_units(setup, option, text, set, message))
                return false;
        return true;
    };
    const bool ok = each(QStringLiteral("fault"),
                         [message](UnitSetup &u, const QString &fault) {
                             Faults check;
                             if (!check.add(fault, message))
                                 return false;
                             u.faults << fault;
                             return true;
                         }) &&
                    each(QStringLiteral("level"),
                         [message](UnitSetup &u, const QString &value) {
                             int ch = 0;
                             LevelWave wave;
                             if (!parse_level_wave(value, &ch, &wave, message))
                                 return false;
                             u.behaviour[size_t(ch - 1)].wave = wave;
                             return true;
                         }) &&
                    each(QStringLiteral("states"),
                         [message](UnitSetup &u, const QString &value) {
                             int ch = 0;
                             StateScript script;
                             if (!parse_state_script(value, &ch, &script, message))
                                 return false;
                             u.behaviour[size_t(ch - 1)].states = script;
                             return true;
                         }) &&
                    each(QStringLiteral("cut-alarm"),
                         [message](UnitSetup &u, const QString &value) {
                             int ch = 0;
                             if (!parse_channel_number(value, &ch, message))
                                 return false;
                             u.behaviour[size_t(ch - 1)].cut_alarm = true;
                             return true;
                         }) &&
                    each(QStringLiteral("measured"), [message](UnitSetup &u, const QString &value) {
                        int ch = 0;
                        UnitSetup::Measured m;
                        if (!parse_measured(value, &ch, &m, message))
                            return false;
                        u.measured[size_t(ch - 1)] = m;
                        return true;
                    });
    if (!ok)
        return ParseResult::Error;
    return ParseResult::Ok;
}

bool build_bus(const SimSetup &setup, Bus *bus, quint32 clock_start, QString *error)
{
    for (const UnitSetup &u : setup.units) {
        Unit &unit = bus->add_unit(u.address);
        UnitState &s = unit.state();
        s.set_modes(u.modes);
        s.has_version = u.has_version;
        s.version_major = u.version_major;
        s.version_minor = u.version_minor;
        s.speed_index = u.speed_index;
        s.set_time(clock_start, 0);
        if (u.log_records > 0)
            s.fill_example_log(u.log_records, clock_start);
        for (int k = 1; k <= kChannels; ++k) {
            ChannelState &c = s.channel(k);
            c.behaviour = u.behaviour[size_t(k - 1)];
            c.level = u.measured[size_t(k - 1)].level;
            c.amplitude = u.measured[size_t(k - 1)].amplitude;
            c.frequency = u.measured[size_t(k - 1)].frequency;
        }
        unit.keep_start_state();
        if (setup.check_speed)
            unit.faults().add(QStringLiteral("speed-check"));
        for (const QString &f : u.faults)
            if (!unit.faults().add(f, error))
                return false;
    }
    return true;
}

}  // namespace sim
