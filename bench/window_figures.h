#pragma once

// CPU cost of the main window connected to the simulated unit: the status
// poll running, and an amplitude measurement's collection.
#include "common/timing.h"
#include "figure.h"

namespace bench {

class SimChild;

QList<Figure> window_figures(SimChild &sim, int poll_seconds, const Timing &timing);

}  // namespace bench
