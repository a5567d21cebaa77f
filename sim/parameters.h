#pragma once

#include <QtGlobal>

#include <array>

// The unit's settable values: one table with their read and set command
// codes, code ranges and factory values, and the fence-type presets.
namespace sim {

constexpr int kChannels = 4;

// Values kept per channel.
enum class ChannelParam {
    Threshold,     // porog
    Gain,          // usilenie
    Arp,           // arp
    Impulse,       // impuls
    Pause,         // pauza
    Window,        // okno
    Count,         // schet
    AlarmTime,     // trevoga (per channel, firmware 1 and later)
    Preset,        // predustanovka
    Reject,        // rezhektsiya
    CutThreshold,  // perepil_porog
    CutTime,       // perepil_vremj
};
constexpr int kChannelParamCount = 12;

// Values kept once for the whole unit.
enum class UnitParam {
    AlarmTime,  // trevoga of units of major version 0
    Cross,      // kross, the pairing mask
    Delay,      // zaderzhka
    Blocking,   // blokirovka
};
constexpr int kUnitParamCount = 4;

struct ParamInfo {
    const char *name;
    quint8 read_code;
    quint8 set_code;
    quint8 min;
    quint8 max;
    quint8 factory;
    // The read request carries a channel byte (the cut values are read without one).
    bool read_has_channel;
};

const ParamInfo &channel_param_info(ChannelParam param);
const ParamInfo &unit_param_info(UnitParam param);

// Lookup by command code; false when the code belongs to no parameter.
bool channel_param_by_read_code(quint8 code, ChannelParam *param);
bool channel_param_by_set_code(quint8 code, ChannelParam *param);
bool unit_param_by_read_code(quint8 code, UnitParam *param);
bool unit_param_by_set_code(quint8 code, UnitParam *param);

// What the cut threshold and cut time codes stand for: mV and seconds.
constexpr int kCutCodes = 14;
constexpr int kCutThresholdMv[kCutCodes] = {6, 9, 13, 18, 25, 35, 50, 70, 100, 140, 200, 280, 400, 560};
constexpr int kCutTimeCodes = 8;
constexpr int kCutTimeSeconds[kCutTimeCodes] = {1, 2, 3, 5, 7, 9, 12, 15};

// Channel values a preset sets; only the low-frequency parameters take part.
constexpr int kPresetCount = 8;
struct PresetValues {
    quint8 threshold, gain, arp, impulse, pause, window, count, reject;
};
const PresetValues &preset_values(int preset);

// Channel modes.
constexpr quint8 kModeOff = 0;
constexpr quint8 kModeLf = 1;
constexpr quint8 kModeHf = 2;

}  // namespace sim
