#pragma once

#include "config/config_values.h"

#include <QList>
#include <QString>

// A configuration checked against the form's lists before it is written: a
// value no list holds would be refused by the unit half-way through a write,
// or taken as something else.
namespace config_check {

struct BadValue {
    int channel;       // 1..4, or 0 for the unit-wide values
    lists::List list;  // config_values::kCrossMask for the pairing mask
    QString what;      // the value's name as the form labels it
    qint32 code;       // as in the configuration
};

// Every mode the unit does not know and, for a channel in a known mode,
// every value of that mode that is not an item of its list; then the
// unit-wide values (a pairing mask with bits beyond the six pairs). The
// values a channel's mode does not use are not looked at: a file saved with
// a channel off holds zeros for it.
QList<BadValue> check(const UnitConfig &config);

}  // namespace config_check
