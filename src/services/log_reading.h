#pragma once

#include "link/unit_link.h"
#include "services/event_log.h"

#include <functional>

// Reading the unit's event log record by record, as the window does it.
namespace log_reading {

enum class Outcome { Complete, Cancelled, Failed };

// get_log_record until the record with time 0; on_record gets every other
// record in order (with its running number from 1) and returns false to stop
// (Cancelled). link.cancelled is asked after each record as well, after
// on_record. The end mark itself is not passed on. Failed: a request got no
// valid answer; the records before it have been passed on.
Outcome read_event_log(const UnitLink &link, int address,
                       const std::function<bool(const LogRecord &record, int number)> &on_record);

}  // namespace log_reading
