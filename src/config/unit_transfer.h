#pragma once

#include "config/unit_config.h"

#include <QByteArray>
#include <functional>

class Exchange;

// What a whole-unit transfer needs from its caller. Only send is required.
struct TransferHooks {
    // One transaction: payload in, decoded answer out; 0 on success.
    std::function<int(QByteArray &payload, bool pre_wait)> send;
    // Progress value (0, 1, 2, ...) of the request about to be sent; the last
    // request of an operation reports none.
    std::function<void(int step)> progress;
    // Asked after every successful exchange but the last; true ends the operation.
    std::function<bool()> cancelled;
    // Write only: channel (1..4) has taken mode (low byte of regim).
    std::function<void(int channel, int mode)> mode_written;
};

// Hooks whose send runs the transaction on exchange; the others stay empty.
TransferHooks exchange_hooks(Exchange &exchange);

// Reads the whole configuration of the unit at address. out is cleared
// first; channels that are off are not asked and keep zeros. False after a
// failed exchange or a cancel, with what was read so far in out.
bool read_unit_config(const TransferHooks &hooks, int address, UnitConfig &out);

// Writes config to the unit at address: every channel's mode and values,
// then the unit-wide values. False after a failed exchange or a cancel; the
// requests acknowledged until then stay in force on the unit.
bool write_unit_config(const TransferHooks &hooks, int address, const UnitConfig &config);
