#pragma once

#include "config/unit_config.h"

// The configuration a unit leaves the factory with: every channel in the LF
// mode on preset 0 ("Заводская") with that preset's values, no pairs, and the
// unit-wide values as delivered. A new file starts from it.
UnitConfig factory_config();
