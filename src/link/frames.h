#pragma once

#include <QByteArray>

// Result of every transaction with the unit: 0 success, anything else failure.
// Callers test zero against non-zero; the codes only help diagnostics.
enum ExchangeResult : int {
    Ok = 0,
    NoStart = 1,       // first byte is not '!'
    NoEnd = 2,         // last byte is not CR
    OddLength = 3,     // frame length (with '!' and CR) is odd
    BadHighDigit = 4,  // first digit of a pair is not hexadecimal
    BadLowDigit = 5,   // second digit of a pair is not hexadecimal
    BadChecksum = 6,   // last decoded byte differs from the sum of the others
    Empty = 7,         // nothing to decode
    NoAnswer = 9,      // no CR-terminated answer in any attempt
};

// Payload (address, command, arguments) -> request frame:
// '$', the payload bytes and their 8-bit sum as lower-case hex pairs, CR.
void encode_frame(QByteArray &buffer);

// Answer frame -> decoded bytes (checksum byte included) on Ok. On NoStart,
// NoEnd, OddLength and Empty the buffer is untouched; on a bad digit or a bad
// checksum it holds the frame without its final CR.
int decode_frame(QByteArray &buffer);

// Byte `index` of a decoded answer, 0 when the answer is too short.
int answer_byte(const QByteArray &answer, int index);
