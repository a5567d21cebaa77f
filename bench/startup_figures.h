#pragma once

// Start-up to the painted main window, and peak memory, of the program
// against a minimal Qt widget program, measured alternately in this run.
#include "figure.h"

namespace bench {

QList<Figure> startup_figures(int rounds);

}  // namespace bench
