#include "sim_log.h"

Q_LOGGING_CATEGORY(lcSim, "mirval.sim")
