#include "link/frames.h"

namespace {

constexpr char kRequestStart = '$';
constexpr char kAnswerStart = '!';
constexpr char kEnd = '\r';

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

void encode_frame(QByteArray &buffer)
{
    static const char digits[] = "0123456789abcdef";
    quint8 sum = 0;
    for (char b : buffer)
        sum = quint8(sum + quint8(b));
    buffer.append(char(sum));

    QByteArray frame;
    frame.reserve(2 * buffer.size() + 2);
    frame.append(kRequestStart);
    for (char b : buffer) {
        frame.append(digits[quint8(b) >> 4]);
        frame.append(digits[quint8(b) & 0x0F]);
    }
    frame.append(kEnd);
    buffer = frame;
}

int decode_frame(QByteArray &buffer)
{
    if (buffer.isEmpty())
        return Empty;
    if (buffer.front() != kAnswerStart)
        return NoStart;
    if (buffer.back() != kEnd)
        return NoEnd;
    if (buffer.size() % 2 != 0)
        return OddLength;

    buffer.chop(1);
    // A lone "!" leaves no checksum byte to compare: not a valid answer.
    if (buffer.size() < 3)
        return BadChecksum;

    QByteArray out;
    out.reserve(buffer.size() / 2);
    quint8 sum = 0;
    const int pairs = (buffer.size() - 1) / 2;
    for (int i = 0; i < pairs; ++i) {
        const int high = hex_value(buffer.at(1 + 2 * i));
        if (high < 0)
            return BadHighDigit;
        const int low = hex_value(buffer.at(2 + 2 * i));
        if (low < 0)
            return BadLowDigit;
        const quint8 byte = quint8(16 * high + low);
        out.append(char(byte));
        if (i + 1 < pairs)
            sum = quint8(sum + byte);
    }
    if (quint8(out.back()) != sum)
        return BadChecksum;
    buffer = out;
    return Ok;
}

int answer_byte(const QByteArray &answer, int index)
{
    if (index < 0 || index >= answer.size())
        return 0;
    return quint8(answer.at(index));
}
