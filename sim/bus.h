#pragma once

#include "request_log.h"
#include "unit.h"

#include <memory>
#include <vector>

namespace sim {

// A line shared by one or more units at different addresses. Every unit
// hears every byte and answers its own address; the first unit added also
// answers requests to address 0 (the others execute them silently, so that
// answers do not collide). The line keeps the request log.
class Bus {
public:
    Bus() = default;
    Bus(const Bus &) = delete;
    Bus &operator=(const Bus &) = delete;

    Unit &add_unit(quint8 address);
    int size() const { return int(m_units.size()); }
    Unit &unit_at(int index) { return *m_units[index]; }
    // nullptr when no unit has that address.
    Unit *unit(quint8 address);

    RequestLog &log() { return m_log; }

    // Same contract as Unit: bytes in with their arrival time and the line
    // speed, chunks out with their due time.
    void feed(const QByteArray &bytes, Usec now, int line_baud = 0);
    Usec next_due() const;
    QList<Chunk> take_due(Usec now);
    void clear_output();

private:
    std::vector<std::unique_ptr<Unit>> m_units;
    RequestLog m_log;
    QByteArray m_line;  // request bytes up to the next CR, for the log
};

}  // namespace sim
