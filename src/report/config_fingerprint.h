#pragma once

#include "config/unit_config.h"

#include <QString>

// A short mark of a configuration that tells two configurations apart at a
// glance: on the report, in `show` and `info`.
namespace fingerprint {

// The configuration as text in a fixed order, only the values a unit keeps:
// each channel's mode and the values its mode uses (by the file's keys, as
// the unit holds them), then the unit-wide ones:
// "ch1.REGIM=1;ch1.PREDUSTANOVKA=0;...;KROSS=0;ZADERZHKA=4;BLOKIROVKA=3".
// Values a mode does not use leave no trace, so a file and the unit it was
// written to give the same text.
QString canonical_text(const UnitConfig &config);

// The first 8 hexadecimal digits (lower case) of SHA-256 over canonical_text.
QString of(const UnitConfig &config);

}  // namespace fingerprint
