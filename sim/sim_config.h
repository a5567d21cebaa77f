#pragma once

#include "bus.h"
#include "channel_behaviour.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The command line of mirval-sim, parsed into a plain description of the
// units, and the step that builds a bus from it.
namespace sim {

struct UnitSetup {
    quint8 address = 1;
    std::array<quint8, kChannels> modes{kModeLf, kModeLf, kModeLf, kModeLf};
    bool has_version = true;
    quint8 version_major = 2;
    quint8 version_minor = 5;
    int speed_index = 4;
    QStringList faults;
    int log_records = 0;
    std::array<ChannelBehaviour, kChannels> behaviour;  // channels 1..4 at 0..3
    // What the measurements of channels 1..4 (at 0..3) report, in counts.
    struct Measured {
        quint16 level = 0, amplitude = 0, frequency = 0;
    };
    std::array<Measured, kChannels> measured;
};

struct SimSetup {
    QList<UnitSetup> units;
    bool check_speed = true;  // the line speed must match the unit's (speed-check)
    int quit_after_ms = -1;
    bool pace_input = false;  // requests reach the unit at line speed, as on a wire
    qint64 clock_start = -1;  // unit time at start; -1: the host's clock
};

bool parse_addresses(const QStringList &values, QList<quint8> *addresses, QString *error);
bool parse_modes(const QString &text, std::array<quint8, kChannels> *modes, QString *error);
bool parse_version(const QString &text, quint8 *major, quint8 *minor, QString *error);

enum class ParseResult { Ok, Error, Help };

// Parses the arguments (program name first). On Help, *message is the help
// text; on Error, the reason.
ParseResult parse_command_line(const QStringList &arguments, SimSetup *setup, QString *message);

// Adds the units of setup to an empty bus; the clock starts at clock_start.
bool build_bus(const SimSetup &setup, Bus *bus, quint32 clock_start, QString *error);

}  // namespace sim
