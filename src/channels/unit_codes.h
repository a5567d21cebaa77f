#pragma once

#include <QtGlobal>

// Command codes and limits that the main window uses but the core does not
// publish yet (each is a constant in an anonymous namespace of src/app).
// They belong beside readback_plan.h; until they move there, these mirror
// the window's values.
namespace cli::codes {

constexpr quint8 kGetChannelModes = 0x05;  // connection.cpp
constexpr quint8 kPollChannel = 0x0B;      // status_poll.cpp
constexpr quint8 kSetPreset = 0x2C;        // parameter_setters.cpp
constexpr quint8 kSetCrossMask = 0x36;     // cross_pairing.cpp
constexpr quint8 kSetMode = 0x38;          // channel_readback.cpp
constexpr int kPollFailLimit = 20;         // status_poll.cpp: unanswered polls that end the connection

}  // namespace cli::codes
