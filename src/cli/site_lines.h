#pragma once

#include "channels/line_scan.h"
#include "cli.h"

#include <functional>

namespace cli {

// Runs work(index, line context) for every --port of c at once, one thread
// and one quiet context each (their progress shows in the line's place of
// one status line); returns when every line has ended.
void run_on_lines(const Context &c, const std::function<void(int index, Context &line)> &work);

class Session;

// The units answering at from..to on the session's line, with the scan's
// progress on the line's status; none after telling "Блок не обнаружен!".
QList<line_scan::Unit> scan_line(Session &s, Context &line, int from, int to);

}  // namespace cli
