#include "config/config_values.h"

using namespace parameters;

qint32 &config_value(UnitConfig &config, ParameterId id, int channel)
{
    ChannelSettings &c = config.channels[channel >= 1 && channel <= kChannelCount ? channel - 1 : 0];
    switch (id) {
    case Porog:
        return c.porog;
    case Usilenie:
        return c.usilenie;
    case Arp:
        return c.arp;
    case Impuls:
        return c.impuls;
    case Pauza:
        return c.pauza;
    case Okno:
        return c.okno;
    case Schet:
        return c.schet;
    case Trevoga:
        return c.trevoga;
    case Zaderzhka:
        return config.zaderzhka;
    case Blokirovka:
        return config.blokirovka;
    case Rezhektsiya:
        return c.rezhektsiya;
    case PerepilPorog:
        return c.perepil_porog;
    case PerepilVremj:
    case ParameterCount:
        break;
    }
    return c.perepil_vremj;
}

qint32 config_value(const UnitConfig &config, ParameterId id, int channel)
{
    return config_value(const_cast<UnitConfig &>(config), id, channel);
}
