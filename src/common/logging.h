#pragma once

#include <QLoggingCategory>

// The transaction trace and the other diagnostic lines go to the default
// debug category, as qDebug() does; these categories carry the program's own
// warnings per module.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcJournal)
