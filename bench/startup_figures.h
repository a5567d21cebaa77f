#pragma once

// Start-up to the painted main window, and peak memory, of the program
// against a minimal Qt widget program, measured alternately in this run.
// With a baseline probe (the same probe built from another revision) also
// the program against that build.
#include "figure.h"

#include <QString>

namespace bench {

QList<Figure> startup_figures(int rounds, const QString &baseline_probe = QString());

}  // namespace bench
