#pragma once

// CPU cost of the level plot: the main window connected to a simulated unit
// whose HF level moves, polling for a while without the plot and then as
// long with it open.
#include "figure.h"

namespace bench {

QList<Figure> plot_figures(int seconds);

}  // namespace bench
