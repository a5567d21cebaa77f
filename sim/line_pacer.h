#pragma once

#include "sim_types.h"

#include <QByteArray>

#include <deque>

namespace sim {

// Paces bytes over a serial line: one byte takes 10 bit times (start, 8 data,
// stop) at the line's baud rate, and bytes go out one after another. A byte
// counts as received once its last bit is in.
class LinePacer {
public:
    // Queues bytes that are ready to go out at ready (they start once the line is free).
    void push(Usec ready, const QByteArray &bytes, int baud);
    // Bytes completely received by now; removed from the queue.
    QByteArray take(Usec now);
    // How many bytes take(now) would return.
    qint64 available(Usec now) const;
    // Time at which the next byte is complete; kNever when nothing is queued.
    Usec next_time() const;
    qint64 pending() const;
    // Time at which the line falls idle.
    Usec line_free() const { return m_line_free; }
    void clear();

    // Time the n-th byte (1-based) of a transmission starting at start is complete.
    static Usec byte_done(Usec start, qint64 n, int baud);

private:
    struct Item {
        Usec start;
        QByteArray bytes;
        int baud;
        int sent = 0;  // bytes already taken
    };
    std::deque<Item> m_items;
    Usec m_line_free = 0;
};

}  // namespace sim
