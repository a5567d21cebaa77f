#pragma once

#include <QByteArray>
#include <QString>

// Level, amplitude and frequency measurements of a channel: requests and what
// their answers mean.
namespace measurements {

constexpr quint8 kSelfTest = 0x03;        // [addr, code]
constexpr quint8 kLevel = 0x1F;           // [addr, code, ch]
constexpr quint8 kAmplitudeStart = 0x1D;  // [addr, code, ch]
constexpr quint8 kAmplitudeResult = 0x1E;
constexpr quint8 kFrequencyStart = 0x0C;
constexpr quint8 kFrequencyResult = 0x0D;

// Collection time and progress range of the two collected measurements.
constexpr int kAmplitudeCollectSeconds = 10;
constexpr int kAmplitudeProgressMax = 10;
constexpr int kFrequencyCollectSeconds = 5;
constexpr int kFrequencyProgressMax = 6;

QByteArray self_test_payload(int address);
QByteArray channel_payload(int address, quint8 code, int channel);

// Measured count: answer byte 2 * 256 + byte 1, missing bytes 0.
int answer_count(const QByteArray &answer);

// Level or amplitude in mV: 0.6105 mV per step, cut to two decimals.
float millivolts(int count);
// Frequency in Hz: hundredths per step.
float hertz(int count);

// Display text of a measured value, shortest of six significant digits.
QString value_text(float value);

}  // namespace measurements
