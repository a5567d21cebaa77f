#pragma once

#include "config/config_values.h"

#include <QList>

// Two whole-unit configurations side by side, value by value: a file and a
// unit's, or two files.
namespace config_diff {

struct Row {
    int channel;       // 1..4, or 0 for the unit-wide values
    lists::List list;  // the value's list; config_values::kCrossMask for the pairing mask
    qint32 a;          // the code in A
    qint32 b;          // the code in B
    bool differs;
};

// The values that matter: for every channel its mode, then, where the modes
// agree, the values of that mode in write order; then the pairing mask, the
// delay and the blocking time. The other values of a channel whose modes
// differ are not comparable and have no row. Codes are compared as the unit
// holds them (config_values::unit_held), so a file and a unit that holds
// what was written from it do not differ.
QList<Row> compare(const UnitConfig &a, const UnitConfig &b);

// The rows that differ.
QList<Row> differing(const QList<Row> &rows);

}  // namespace config_diff
