#pragma once

#include "link/unit_link.h"

#include <QList>
#include <QString>
#include <functional>

// Finding the units on a line: every address of a range is asked for its
// channel modes, with the fewest attempts and the shortest wait the line
// settings allow (about half a second per silent address); a unit that
// answers with its own address is asked for its firmware version. The window's
// "Найти блоки…" and `mirval-cli scan` run this same sequence.
namespace line_scan {

struct Unit {
    int address = 0;
    QString version;  // "2.5"; "1.0" for a unit that does not know get_version
};

struct Result {
    QList<Unit> units;  // in address order
    bool cancelled = false;
};

struct Hooks {
    std::function<void(int address, int found)> progress;  // before each address
    std::function<void(const Unit &unit)> found;           // as each unit answers
};

// Scans from..to (1..255); link.cancelled is asked after each address. The
// line settings are back as they were afterwards.
Result scan(const UnitLink &link, int from, int to, const Hooks &hooks = {});

}  // namespace line_scan
