#pragma once

#include <QString>

// The tool's manual page and its bash completion, made at build time from the
// help texts and the command table (see help.h).
namespace cli {

// The manual page mirval-cli(1) in roff; date as YYYY-MM-DD.
QString man_page(const QString &date);

// A bash completion script: the commands, their options, the parameter names
// and their values, and --port from `mirval-cli ports`.
QString bash_completion();

}  // namespace cli
