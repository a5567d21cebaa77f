#include "unit_state.h"

#include <algorithm>

namespace sim {

UnitState::UnitState()
{
    reset_parameters();
}

bool ChannelState::cut_alarm_at(Usec now) const
{
    if (!behaviour.cut_alarm || mode != kModeHf)
        return false;
    const int threshold = kCutThresholdMv[std::min<int>(param(ChannelParam::CutThreshold), kCutCodes - 1)];
    const int seconds = kCutTimeSeconds[std::min<int>(param(ChannelParam::CutTime), kCutTimeCodes - 1)];
    return level_above_for([this](Usec t) { return level_at(t); }, threshold, msec(1000) * seconds, now);
}

quint32 UnitState::time_at(Usec now) const
{
    const qint64 elapsed = (now - clock_origin) / 1000000;
    return quint32(qint64(clock_base) + elapsed);
}

void UnitState::set_time(quint32 unit_time, Usec now)
{
    clock_base = unit_time;
    clock_origin = now;
}

quint8 UnitState::mode_map() const
{
    quint8 map = 0;
    for (int i = 0; i < kChannels; ++i)
        map |= quint8((channels[i].mode & 0x03) << (2 * i));
    return map;
}

void UnitState::set_modes(const std::array<quint8, kChannels> &modes)
{
    for (int i = 0; i < kChannels; ++i)
        channels[i].mode = modes[i];
}

quint8 UnitState::state_byte(int channel_number, Usec now) const
{
    const ChannelState &ch = channel(channel_number);
    if (ch.mode == kModeOff)
        return kStateOff;
    if (now < self_test_until)
        return self_test_state;
    if (ch.cut_alarm_at(now))
        return kStateAlarm;
    if (!ch.behaviour.states.isEmpty())
        return ch.behaviour.states.state_at(now);
    return ch.state;
}

void UnitState::reset_parameters()
{
    for (ChannelState &ch : channels)
        for (int p = 0; p < kChannelParamCount; ++p)
            ch.params[p] = channel_param_info(ChannelParam(p)).factory;
    for (int p = 0; p < kUnitParamCount; ++p)
        unit_params[p] = unit_param_info(UnitParam(p)).factory;
}

void UnitState::apply_preset(int channel_number, int preset)
{
    const PresetValues &v = preset_values(preset);
    ChannelState &ch = channel(channel_number);
    ch.param(ChannelParam::Threshold) = v.threshold;
    ch.param(ChannelParam::Gain) = v.gain;
    ch.param(ChannelParam::Arp) = v.arp;
    ch.param(ChannelParam::Impulse) = v.impulse;
    ch.param(ChannelParam::Pause) = v.pause;
    ch.param(ChannelParam::Window) = v.window;
    ch.param(ChannelParam::Count) = v.count;
    ch.param(ChannelParam::Reject) = v.reject;
    ch.param(ChannelParam::Preset) = quint8(preset);
}

void UnitState::fill_example_log(int n, quint32 end_time)
{
    // Normal, case opened + alarm, self-test + case opened, channel off,
    // alarm, fault, open cable, short cable, self-test result, all faults,
    // the unused bit 6.
    static const quint8 kFlags[] = {0x00, 0x11, 0x90, 0x08, 0x01, 0x02, 0x04, 0x20, 0x81, 0x0F, 0x40};
    constexpr int kKinds = int(sizeof kFlags);
    log.clear();
    log_position = 0;
    for (int i = 0; i < n; ++i) {
        LogRecord r;
        r.time = end_time - quint32(60 * (n - 1 - i));
        if (r.time == 0)
            r.time = 1;  // 0 would end the log early
        for (int c = 0; c < kChannels; ++c)
            r.flags[c] = kFlags[(i + c) % kKinds];
        log.append(r);
    }
}

}  // namespace sim
