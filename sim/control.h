#pragma once

#include "bus.h"

#include <QString>

// Commands that change a running simulator, one per line (mirval-sim reads
// them from its standard input), so that a test can switch a fault on at the
// moment an operation starts:
//
//     fault [ADDR/]FAULT      adds a fault (every unit without ADDR)
//     clear [ADDR]            removes every fault but speed-check
//     speed-index [ADDR/]I    the unit's line speed becomes index I (0..5)
//     reset [ADDR]            the unit goes back to its state at start
//     state [ADDR]            the reply lists the unit's parameter codes
//
// A silent-after fault added this way counts requests from its addition.
namespace sim {

// Applies one command line to the bus. Returns false with *reply saying why
// when the line is not a valid command; otherwise *reply says what was done.
bool apply_control_line(Bus &bus, const QString &line, QString *reply);

// One line per command, for --help.
QString control_help();

}  // namespace sim
