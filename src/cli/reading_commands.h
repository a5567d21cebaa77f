#pragma once

#include "cli.h"

// The commands over the unit's read-back, event log and collected
// measurements: the very sequences the window runs.
namespace cli {

int run_info(Context &c);
int run_log(Context &c);
int run_amplitude(Context &c);
int run_frequency(Context &c);

}  // namespace cli
