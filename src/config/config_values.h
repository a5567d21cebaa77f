#pragma once

#include "channels/parameters.h"
#include "config/unit_config.h"

// The field of a configuration record that holds parameter id: of channel
// (1..4) for a channel's parameter, of the unit for the delay and the
// blocking. A channel outside 1..4 counts as channel 1.
qint32 &config_value(UnitConfig &config, parameters::ParameterId id, int channel);
qint32 config_value(const UnitConfig &config, parameters::ParameterId id, int channel);
