#pragma once

#include "channels/readback_plan.h"
#include "link/unit_link.h"

#include <QString>
#include <array>
#include <functional>

// The read-back of a unit and of one of its channels, the very requests the
// window sends when it connects and when the channel shown changes.
namespace reading {

// get_channel_modes: modes of channels 1..4 (index 0 unused). 0 on success,
// else the failed exchange's result.
int read_modes(const UnitLink &link, int address, std::array<int, 5> *modes);

struct ChannelReading {
    int address = 0;        // as the unit reports it (get_address)
    int version_major = 0;  // 0: the unit does not know get_version
    QString version_text;   // "1.0" for such a unit
    int state = 0;          // the channel's state byte from get_unit_status
};

// Points of read_channel after which the caller may show what has been read
// so far, in the order they are reached.
enum class Stage {
    Settled,  // the settling pause is over, nothing has been sent yet
    Address,  // get_address answered: out->address
    Version,  // get_version answered or refused: out->version_major, out->version_text
};

// The settling pause, get_address, get_version, the channel's parameter
// reads (readback::parameter_reads for mode and the version read), and
// get_unit_status. The requests after get_address go to the address the unit
// reported. on_value is called after each answered parameter read with the
// request and the list index its answer carries (for the cross mask: answer
// byte 1); on_stage at each Stage reached. 0 on success, else the failed
// exchange's result; what was read until then has been reported.
int read_channel(
    const UnitLink &link, int address, int channel, int mode, ChannelReading *out,
    const std::function<void(const readback::Request &, int index, const QByteArray &answer)> &on_value = {},
    const std::function<void(Stage stage, const ChannelReading &so_far)> &on_stage = {});

}  // namespace reading
