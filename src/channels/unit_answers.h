#pragma once

#include <QByteArray>
#include <QString>
#include <array>

// What the unit's answers to the connection and status commands mean.
namespace answers {

// Modes of channels 1..4 (index 0 unused) from the mode map of command 0x05:
// two bits per channel, channel 1 in bits 0-1.
std::array<signed char, 5> split_mode_map(int map);

// Version label text: answer bytes 1 and 2 as signed decimals joined by ".".
QString version_text(const QByteArray &answer);

// A decoded poll answer read for a channel in `mode`.
struct PollReading {
    int state = 0;  // state byte 0..255
    bool has_level = false;
    float level = 0;  // scaled HF level, single precision
};
PollReading read_poll_answer(const QByteArray &answer, int mode);

// Scaled level text, fixed-point with six decimals ("61.049999").
QString level_text(float level);

}  // namespace answers
