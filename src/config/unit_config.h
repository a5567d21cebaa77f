#pragma once

#include "channels/channel_settings.h"

// A whole unit's configuration: the four channels (row 0 is channel 1) and
// the unit-wide values, as unit codes. What a whole-unit read produces, a
// whole-unit write sends and a configuration file holds.
struct UnitConfig {
    ChannelSettings channels[kChannelCount];
    qint32 kross = 0;
    qint32 zaderzhka = 0;
    qint32 blokirovka = 0;
};

inline bool operator==(const ChannelSettings &a, const ChannelSettings &b)
{
    return a.regim == b.regim && a.porog == b.porog && a.usilenie == b.usilenie && a.arp == b.arp &&
           a.pauza == b.pauza && a.impuls == b.impuls && a.okno == b.okno && a.schet == b.schet &&
           a.trevoga == b.trevoga && a.predustanovka == b.predustanovka && a.rezhektsiya == b.rezhektsiya &&
           a.perepil_porog == b.perepil_porog && a.perepil_vremj == b.perepil_vremj;
}

inline bool operator!=(const ChannelSettings &a, const ChannelSettings &b)
{
    return !(a == b);
}

inline bool operator==(const UnitConfig &a, const UnitConfig &b)
{
    for (int i = 0; i < kChannelCount; ++i)
        if (a.channels[i] != b.channels[i])
            return false;
    return a.kross == b.kross && a.zaderzhka == b.zaderzhka && a.blokirovka == b.blokirovka;
}

inline bool operator!=(const UnitConfig &a, const UnitConfig &b)
{
    return !(a == b);
}
