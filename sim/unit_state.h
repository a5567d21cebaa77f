#pragma once

#include "channel_behaviour.h"
#include "parameters.h"
#include "sim_types.h"

#include <QList>

#include <array>

namespace sim {

struct ChannelState {
    quint8 mode = kModeLf;
    std::array<quint8, kChannelParamCount> params{};

    // State byte the channel reports while it is on (alarm, fault, ... bits);
    // a channel that is off reports kStateOff.
    quint8 state = 0x00;
    // Signed HF level reported by poll_channel in HF mode, unless the
    // behaviour moves it.
    qint16 hf_level = 0;
    ChannelBehaviour behaviour;

    // Measurement results, as 16-bit counts.
    quint16 level = 0;
    quint16 amplitude = 0;
    quint16 frequency = 0;
    int amplitude_starts = 0;
    int frequency_starts = 0;

    quint8 &param(ChannelParam p) { return params[int(p)]; }
    quint8 param(ChannelParam p) const { return params[int(p)]; }

    // The HF level at now, in counts of 0.6105 mV.
    qint16 level_at(Usec now) const { return behaviour.wave ? behaviour.wave->counts_at(now) : hf_level; }
    // In HF mode with the cut alarm on: the level has been above the cut
    // threshold for the cut time.
    bool cut_alarm_at(Usec now) const;
};

// One event-log record: unit time and the state flags of channels 1..4.
struct LogRecord {
    quint32 time = 0;
    std::array<quint8, kChannels> flags{};
};

constexpr quint8 kStateOff = 0x08;
constexpr quint8 kStateAlarm = 0x01;

// Everything a unit holds. Plain data: the commands read and change it, tests
// set it up and inspect it directly.
struct UnitState {
    UnitState();

    quint8 address = 1;

    bool has_version = true;  // false: the unit does not know get_version
    quint8 version_major = 2;
    quint8 version_minor = 5;

    std::array<ChannelState, kChannels> channels;
    std::array<quint8, kUnitParamCount> unit_params{};

    int speed_index = 4;  // 57600 baud

    // Channel of the last per-channel request; answers the cut reads, which
    // carry no channel byte.
    int last_channel = 1;

    // Clock: unit time clock_base at simulated time clock_origin, one tick a second.
    quint32 clock_base = 0;
    Usec clock_origin = 0;

    QList<LogRecord> log;
    int log_position = 0;  // next record get_log_record hands out

    // Remote self-test: channels that are on report self_test_state until
    // self_test_until.
    Usec self_test_until = -1;
    quint8 self_test_state = 0x81;
    Usec self_test_duration = msec(3000);
    int self_tests = 0;

    ChannelState &channel(int number) { return channels[number - 1]; }
    const ChannelState &channel(int number) const { return channels[number - 1]; }
    quint8 &param(UnitParam p) { return unit_params[int(p)]; }
    quint8 param(UnitParam p) const { return unit_params[int(p)]; }

    // Major version as far as the command set goes: 0 for a unit without
    // get_version.
    int effective_major() const { return has_version ? version_major : 0; }
    int baud() const { return baud_of_index(speed_index); }

    quint32 time_at(Usec now) const;
    void set_time(quint32 unit_time, Usec now);

    // Two bits per channel, channel 1 in bits 0-1.
    quint8 mode_map() const;
    void set_modes(const std::array<quint8, kChannels> &modes);

    // State byte of a channel as the unit reports it at now.
    quint8 state_byte(int channel, Usec now) const;

    // Puts the factory values into every parameter.
    void reset_parameters();
    void apply_preset(int channel, int preset);

    // Replaces the log with n example records, one a minute up to end_time,
    // with a spread of flag combinations.
    void fill_example_log(int n, quint32 end_time);
};

}  // namespace sim
