#pragma once

#include "channels/channel_settings.h"
#include "channels/parameters.h"

#include <QByteArray>
#include <QList>

// The requests that read one channel's settings back from the unit, in the
// order the unit is asked.
namespace readback {

enum class Target {
    Parameter,  // one of the thirteen parameters (id)
    Preset,     // the fence-type preset of an LF channel
    CrossMask,  // the unit's pairing mask
};

struct Request {
    Target target;
    parameters::ParameterId id;  // for Target::Parameter
    QByteArray payload;
    int offset;  // list index = answer byte 1 (signed) - offset
};

constexpr quint8 kGetAddress = 0x20;
constexpr quint8 kGetVersion = 0x26;
constexpr quint8 kGetPreset = 0x0E;
constexpr quint8 kGetCrossMask = 0x18;
constexpr quint8 kGetUnitStatus = 0x04;

// Parameter reads for a channel in `mode`: the preset and rejection only in LF
// mode, the cut threshold and time only in HF mode. A unit of major version 0
// has one alarm time for the whole unit.
QList<Request> parameter_reads(int address, int channel, int mode, int unit_version);

// Request payload [address, code] or [address, code, channel].
QByteArray request(int address, quint8 code);
QByteArray request(int address, quint8 code, int channel);

// List index carried by a read answer: byte 1 as a signed byte, minus offset.
int list_index(const QByteArray &answer, int offset);

}  // namespace readback
