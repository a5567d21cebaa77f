#include "services/log_reading.h"

#include "link/frames.h"
#include "services/unit_time.h"

namespace log_reading {

Outcome read_event_log(const UnitLink &link, int address,
                       const std::function<bool(const LogRecord &record, int number)> &on_record)
{
    if (!link.send)
        return Outcome::Failed;
    for (int number = 1;; ++number) {
        QByteArray buffer;
        buffer.append(char(quint8(address)));
        buffer.append(char(kGetLogRecord));
        if (link.send(buffer, false) != 0)
            return Outcome::Failed;
        const LogRecord record = log_record_from(buffer);
        if (record.time == 0)
            return Outcome::Complete;
        if (on_record && !on_record(record, number))
            return Outcome::Cancelled;
        if (link.cancelled && link.cancelled())
            return Outcome::Cancelled;
    }
}

}  // namespace log_reading
