#pragma once

#include "config/unit_config.h"
#include "config_text.h"
#include "session.h"

// Steps the configuration commands share, also with the site-wide ones.
namespace cli {

// Loads the configuration file at path; Success or FileProblem after telling
// why.
int load_config(Context &c, const QString &path, UnitConfig *config);
// load_config, then the check against the lists: a file with values outside
// them is refused (FileProblem) with each such value named.
int load_checked_config(Context &c, const QString &path, UnitConfig *config);
// The lines that name bad values, each indented and after prefix.
QString bad_values_text(const QList<config_check::BadValue> &bad, const QString &prefix);
// write --changed-only [--dry-run] of a checked configuration
// (write_changed_command.cpp).
int write_changed(Context &c, const UnitConfig &config);
// "Отпечаток конфигурации: xxxxxxxx".
QString fingerprint_line(const UnitConfig &config);
// The whole-unit read as the window runs it: the settling pause, then the
// core's sequence. Success or UnitFailed after telling.
int read_whole_unit(Session &s, UnitConfig *config);
// The whole-unit write of config, journalled as written from file.
int write_whole_unit(Session &s, const UnitConfig &config, const QString &file);
// Each difference as a line on standard output and in the JSON document.
void put_differences(Context &c, const UnitConfig &file, const QList<Difference> &differences);
// Reads the unit back and puts where it differs from file; Success when it
// does not, else UnitFailed after telling "<failure>: расхождений N".
int compare_with_unit(Session &s, const UnitConfig &file, const QString &failure);

}  // namespace cli
