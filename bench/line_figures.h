#pragma once

#include "common/timing.h"

// Figures of the exchange itself, on an open port to the simulated unit at
// address 1: one read transaction, the whole-unit read and write, a silent
// transaction's CPU cost and the firmware transfer.
#include "figure.h"

class SerialPort;

namespace bench {

struct LineRun {
    int transactions = 200;
    bool with_write = false;
    Timing timing;
};

// The port runs at 57600 baud, the unit has four LF channels.
QList<Figure> line_figures(SerialPort &port, const LineRun &run);

// An image of kib KiB through the loader at 4800 baud; the port is back at
// its speed afterwards.
Figure firmware_figure(SerialPort &port, int kib, const Timing &timing);

}  // namespace bench
