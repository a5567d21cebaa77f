#pragma once

#include "config/config_diff.h"
#include "config/unit_transfer.h"

#include <QByteArray>
#include <QList>

#include <functional>

// Writing only some values of a configuration: the set requests a
// whole-unit write would send for them, in its order and form, and the reads
// that check afterwards that the unit holds them. Nothing is sent here.
namespace write_plan {

struct Write {
    int channel;         // 1..4, or 0 for a unit-wide value
    lists::List list;    // config_values::kCrossMask for the pairing mask
    qint32 code;         // the configuration's
    QByteArray payload;  // sent with the pause after the write, as a whole-unit write sends it
};

// A value a read-back answer carries, and the code the unit must hold.
struct Expected {
    int channel;
    lists::List list;
    qint32 code;  // config_values::unit_held of the written code
};

struct Read {
    QByteArray payload;
    // The values its answer carries: every written mode for the mode map;
    // none for a read sent only so that the unit answers the cut values that
    // follow for that channel (their requests carry no channel).
    QList<Expected> expected;
};

struct Plan {
    QList<Write> writes;
    QList<Read> reads;  // after the writes, in the order of a whole-unit read
};

// The plan for the chosen rows (from config_diff::compare of config with the
// unit's configuration) at address. Per channel: a chosen mode first and, with
// it, every value of the new mode (the unit's values for it were not
// compared); a chosen preset and, after it, every other value of the LF
// channel (the preset overwrites them); otherwise the chosen values. Then the
// chosen unit-wide values. Rows of values the channel's mode in config does
// not use are ignored.
Plan plan(int address, const UnitConfig &config, const QList<config_diff::Row> &chosen);

// What carrying out a plan reports as it goes; each may be empty.
struct Progress {
    std::function<void(const Write &, int result)> sent;  // the exchange's result, 0: confirmed
    std::function<void()> before_reads;                   // the writes are done
    std::function<void(const Expected &, qint32 held)> checked;
};

// Sends the plan's writes (with the pause after each, hooks.progress before
// each with its index, hooks.mode_written after a mode), then its reads.
// 0, or the result of the first exchange that failed.
int carry_out(const TransferHooks &hooks, const Plan &plan, const Progress &progress = {});

// The code an answer to a read carries for e: the channel's two bits of the
// mode map for a mode, else answer byte 1 as a signed byte.
qint32 answered(const Expected &e, const QByteArray &answer);

}  // namespace write_plan
