#pragma once

#include <QtGlobal>

// Channel modes as the unit codes them.
enum ChannelMode : int { ModeOff = 0, ModeLf = 1, ModeHf = 2 };

constexpr int kChannelCount = 4;

// One channel's parameters as unit codes (list index + code offset), in the
// order of the whole-unit record and the configuration file.
struct ChannelSettings {
    qint32 regim = 0;
    qint32 porog = 0;
    qint32 usilenie = 0;
    qint32 arp = 0;
    qint32 pauza = 0;
    qint32 impuls = 0;
    qint32 okno = 0;
    qint32 schet = 0;
    qint32 trevoga = 0;
    qint32 predustanovka = 0;
    qint32 rezhektsiya = 0;
    qint32 perepil_porog = 0;
    qint32 perepil_vremj = 0;
};
