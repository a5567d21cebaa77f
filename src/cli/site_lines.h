#pragma once

#include "cli.h"

#include <functional>

namespace cli {

// Runs work(index, line context) for every --port of c at once, one thread
// and one quiet context each (their progress shows in the line's place of
// one status line); returns when every line has ended.
void run_on_lines(const Context &c, const std::function<void(int index, Context &line)> &work);

}  // namespace cli
