#include "config/factory_config.h"

UnitConfig factory_config()
{
    ChannelSettings channel;
    channel.regim = ModeLf;
    channel.porog = 6;
    channel.usilenie = 4;
    channel.arp = 0;
    channel.pauza = 3;
    channel.impuls = 4;
    channel.okno = 5;
    channel.schet = 3;
    channel.trevoga = 3;
    channel.predustanovka = 0;
    channel.rezhektsiya = 0;
    channel.perepil_porog = 6;
    channel.perepil_vremj = 2;
    UnitConfig config;
    for (ChannelSettings &c : config.channels)
        c = channel;
    config.kross = 0;
    config.zaderzhka = 4;
    config.blokirovka = 3;
    return config;
}
