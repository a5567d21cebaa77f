#pragma once

#include "cli.h"

#include <QString>

// The tool's help texts. The manual page and the shell completion are made
// from the same texts and the command table, so that a command added to the
// table appears in all of them.
namespace cli {

QString usage_line();
// mirval-cli --help: the usage line, the commands, the options and the exit
// statuses.
QString general_help();
// mirval-cli COMMAND --help.
QString command_help(const Command &c);
// The lines of general_help() after the command list, one paragraph each.
QStringList general_notes();
// mirval-cli --version.
QString version_text();

}  // namespace cli
