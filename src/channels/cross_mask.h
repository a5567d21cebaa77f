#pragma once

#include "link/unit_link.h"

#include <QtGlobal>
#include <functional>

// The unit's pairing mask: one bit per unordered pair of channels 1..4,
// pairs (1,2) (1,3) (1,4) (2,3) (2,4) (3,4) in bits 0..5.
namespace cross {

// The bits of the pairs a channel (1..4) belongs to: 0x07, 0x19, 0x2A, 0x34.
quint8 channel_group(int channel);

// The mask without the pairs of channel (1..4).
quint8 without_channel(quint8 mask, int channel);

// Whether channel (1..4) is in at least one pair of mask.
bool in_pair(quint8 mask, int channel);

// The mask the four lists ask for: a pair's bit is set when both lists are on
// and both channels run in the same mode other than off. on and modes are
// indexed by channel number 1..4.
quint8 derive(const bool on[5], const signed char modes[5]);

// Sends mask to the unit at address. A mask the unit did not confirm may
// still have been taken (its answer lost or corrupted): refused() is told,
// then previous goes once more, unconfirmed, so that the unit ends up with
// what the caller shows. True when mask was confirmed.
bool send_mask(const UnitLink &link, int address, quint8 mask, quint8 previous,
               const std::function<void()> &refused = {});

}  // namespace cross
