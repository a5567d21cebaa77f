#pragma once

#include "session/unit_session.h"

#include <array>
#include <bitset>
#include <optional>

// The controls of the main window that the locking rule enables and
// disables, with their object names in the form.
namespace lock_rule {

enum Control {
    Chn,
    Onoff,
    DK,
    Porog,
    Usilenie,
    Arp,
    Impuls,
    Pause,
    Okno,
    Schet,
    Trevoga,
    Yroven,
    Ampl,
    Frequency,
    Zad,
    Block,
    LoadCfg,
    SaveCfg,
    Tabs,
    GetTime,
    SetTime,
    GetProtokol,
    ClearProtokol,
    Pred,
    Reject,
    Cross1,
    Cross2,
    Cross3,
    Cross4,
    PorogPerepil,
    TimePerepil,
    ControlCount
};

// The control's object name in the form ("chn", "porog", "pushButton", ...).
const char *object_name(Control control);

struct Inputs {
    ConnectionState state = ConnectionState::Disconnected;
    bool operation = false;      // a transaction or an operation is under way
    bool frozen = false;         // an operation of many transactions keeps the controls as they are
    std::array<int, 5> modes{};  // the channels' modes by number 1..4
    int channel = 1;             // the channel shown
    int version = 1;             // the unit's major version
    bool file = false;           // a configuration file is open in the form
};

using Enabled = std::bitset<ControlCount>;

// Which controls are enabled; none while disconnected or under an
// operation, then by the channel's mode (off: only the channel, mode and
// self-test), the unit's version (clock and event log from 2 on), the mode
// (preset and rejection LF, cut threshold and time HF) and pairing (a cross
// list only for a channel of the shown channel's mode). Nothing while frozen:
// the controls stay as they are. A file open without a connection is edited
// in the form as a unit is, but what needs a unit (self-test, measurements,
// clock, event log, the whole-unit transfers) stays locked.
std::optional<Enabled> enabled(const Inputs &in);

}  // namespace lock_rule
