#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <limits>

namespace sim {

// Simulated time in microseconds. The simulator never reads a clock itself:
// whoever drives it (a test, the in-process link, the pseudo-terminal host)
// passes the current time in.
using Usec = qint64;

constexpr Usec kNever = std::numeric_limits<Usec>::max();

constexpr Usec msec(qint64 ms)
{
    return ms * 1000;
}

// Bytes the unit puts on the line, and the time at which it starts sending them.
struct Chunk {
    Usec due = 0;
    QByteArray bytes;
};

// Line speeds selected by the speed index of set_line_speed.
constexpr int kSpeedCount = 6;
constexpr int kSpeeds[kSpeedCount] = {4800, 9600, 19200, 38400, 57600, 115200};

inline int baud_of_index(int index)
{
    return index >= 0 && index < kSpeedCount ? kSpeeds[index] : 0;
}

}  // namespace sim
