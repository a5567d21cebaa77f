#pragma once

#include <QtGlobal>

// Command codes of the operations the window and the command-line tool run
// on their own (the read-back and the measurements keep theirs beside their
// requests), and the status poll's patience.
namespace codes {

constexpr quint8 kGetChannelModes = 0x05;
constexpr quint8 kPollChannel = 0x0B;
constexpr quint8 kSetPreset = 0x2C;
constexpr quint8 kSetCrossMask = 0x36;
constexpr quint8 kSetMode = 0x38;
constexpr int kPollFailLimit = 20;  // unanswered polls in a row that end the connection

}  // namespace codes
