#include "common/logging.h"

Q_LOGGING_CATEGORY(lcLink, "mirval.link")
Q_LOGGING_CATEGORY(lcApp, "mirval.app")
Q_LOGGING_CATEGORY(lcJournal, "mirval.journal")
