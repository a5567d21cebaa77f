#pragma once

// The commissioning report: one unit's laid out and written from data
// already read, and a 4 × 2 site's from a backup directory by mirval-cli.
#include "figure.h"

namespace bench {

QList<Figure> report_figures(int rounds);

}  // namespace bench
