#pragma once

#include "channels/list_texts.h"
#include "config/unit_config.h"

#include <QList>
#include <QString>

// The values of a whole-unit configuration by the list each is chosen from:
// which of them a channel's mode uses, how to reach one in the record, and
// what the unit keeps of a code it is sent.
namespace config_values {

// The pairing mask, which has no list, beside the form's lists.
constexpr lists::List kCrossMask = lists::ListCount;

// What the unit holds of a value it is sent: the low byte, read back as a
// signed byte (200 is held as -56, 257 as 1).
qint32 unit_held(qint32 value);

// The lists that hold a value for a channel in mode (low byte of regim), in
// the order a whole-unit write sends them: none when off; the preset first
// and the rejection last in LF, the cut values last in HF (a mode the unit
// does not know has neither). The mode itself is not among them.
QList<lists::List> channel_lists(int mode);

// The unit-wide values in the order a whole-unit write sends them: the
// pairing mask, the delay, the blocking time.
QList<lists::List> unit_lists();

// The channel's code for list (the mode for lists::Onoff); 0 for a list that
// is not a channel's.
qint32 channel_value(const ChannelSettings &settings, lists::List list);

// The value of channel (1..4; 0 for the unit-wide ones) for list.
qint32 value_of(const UnitConfig &config, int channel, lists::List list);
// Where that value is kept; nullptr for a list the channel (or the unit) has
// no value for.
qint32 *field(UnitConfig &config, int channel, lists::List list);

// The name the form gives the value: the list's label, "Кросс" for the
// pairing mask.
QString label(lists::List list);

}  // namespace config_values
