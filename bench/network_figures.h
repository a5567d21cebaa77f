#pragma once

// Figures of the network port: one read transaction through ser2net on
// 127.0.0.1 against the same over the simulator's pseudo-terminal, and a
// site's backup of four lines against one line, each measured in this run.
#include "figure.h"

namespace bench {

QList<Figure> network_figures(int transactions, bool smoke);

}  // namespace bench
