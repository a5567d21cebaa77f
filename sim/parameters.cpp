#include "parameters.h"

namespace sim {

// Indexed by ChannelParam.
static const ParamInfo kChannelParams[kChannelParamCount] = {
    {"porog", 0x11, 0x2F, 0, 13, 6, true},
    {"usilenie", 0x0F, 0x2D, 1, 8, 4, true},
    {"arp", 0x12, 0x30, 0, 5, 0, true},
    {"impuls", 0x13, 0x31, 2, 14, 4, true},
    {"pauza", 0x14, 0x32, 1, 9, 3, true},
    {"okno", 0x15, 0x33, 0, 11, 5, true},
    {"schet", 0x16, 0x34, 1, 10, 3, true},
    {"trevoga", 0x1A, 0x3F, 1, 5, 3, true},
    {"predustanovka", 0x0E, 0x2C, 0, 7, 0, true},
    {"rezhektsiya", 0x10, 0x2E, 0, 16, 0, true},
    {"perepil_porog", 0x21, 0x3C, 0, 13, 6, false},
    {"perepil_vremj", 0x22, 0x3D, 0, 7, 2, false},
};

// Indexed by UnitParam.
static const ParamInfo kUnitParams[kUnitParamCount] = {
    {"trevoga", 0x17, 0x35, 1, 5, 3, false},
    {"kross", 0x18, 0x36, 0, 0x3F, 0, false},
    {"zaderzhka", 0x19, 0x37, 2, 13, 4, false},
    {"blokirovka", 0x1C, 0x3A, 1, 10, 3, false},
};

// Preset 0 is the factory setting; the others are the unit's own choice of
// values for each kind of fence.
static const PresetValues kPresets[kPresetCount] = {
    {6, 4, 0, 4, 3, 5, 3, 0},   // factory
    {5, 5, 1, 3, 2, 6, 3, 4},   // welded mesh, panel
    {7, 3, 1, 5, 3, 6, 2, 4},   // welded mesh, top guard
    {4, 6, 2, 4, 4, 7, 4, 7},   // flat razor coil
    {5, 6, 2, 6, 4, 8, 4, 7},   // spiral razor coil
    {8, 2, 0, 3, 2, 4, 2, 10},  // profiled sheet
    {6, 5, 1, 4, 3, 6, 3, 2},   // chain-link
    {3, 8, 3, 8, 6, 9, 5, 0},   // buried
};

const ParamInfo &channel_param_info(ChannelParam param)
{
    return kChannelParams[int(param)];
}

const ParamInfo &unit_param_info(UnitParam param)
{
    return kUnitParams[int(param)];
}

template <typename Enum, int N>
static bool find_by(const ParamInfo (&table)[N], quint8 code, bool by_set, Enum *param)
{
    for (int i = 0; i < N; ++i) {
        if ((by_set ? table[i].set_code : table[i].read_code) == code) {
            *param = Enum(i);
            return true;
        }
    }
    return false;
}

bool channel_param_by_read_code(quint8 code, ChannelParam *param)
{
    return find_by(kChannelParams, code, false, param);
}

bool channel_param_by_set_code(quint8 code, ChannelParam *param)
{
    return find_by(kChannelParams, code, true, param);
}

bool unit_param_by_read_code(quint8 code, UnitParam *param)
{
    return find_by(kUnitParams, code, false, param);
}

bool unit_param_by_set_code(quint8 code, UnitParam *param)
{
    return find_by(kUnitParams, code, true, param);
}

const PresetValues &preset_values(int preset)
{
    return kPresets[preset >= 0 && preset < kPresetCount ? preset : 0];
}

}  // namespace sim
