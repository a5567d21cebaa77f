#pragma once

// Time bytes take on an asynchronous serial line: start bit, 8 data bits,
// stop bit.
#include <QtGlobal>

namespace bench {

inline double wire_ms(qint64 bytes, int baud)
{
    return baud > 0 ? double(bytes) * 10.0 * 1000.0 / double(baud) : 0.0;
}

// Length of the answer frame behind a decoded answer: '!', two hex digits
// per byte (the checksum included), CR.
inline qint64 answer_frame_size(qint64 decoded_bytes)
{
    return 2 + 2 * decoded_bytes;
}

}  // namespace bench
