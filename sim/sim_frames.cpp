#include "sim_frames.h"

#include <QList>

namespace sim {

quint8 checksum(const QByteArray &bytes)
{
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return sum;
}

QByteArray encode_frame(char start, const QByteArray &bytes, bool upper_case)
{
    static const char lower[] = "0123456789abcdef";
    static const char upper[] = "0123456789ABCDEF";
    const char *digits = upper_case ? upper : lower;

    QByteArray with_sum = bytes;
    with_sum.append(char(checksum(bytes)));

    QByteArray frame;
    frame.reserve(2 * with_sum.size() + 2);
    frame.append(start);
    for (char b : with_sum) {
        frame.append(digits[quint8(b) >> 4]);
        frame.append(digits[quint8(b) & 0x0f]);
    }
    frame.append(kFrameEnd);
    return frame;
}

QByteArray encode_request(const QByteArray &payload)
{
    return encode_frame(kRequestStart, payload);
}

QByteArray encode_answer(const QByteArray &bytes, bool upper_case)
{
    return encode_frame(kAnswerStart, bytes, upper_case);
}

static int digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

DecodedFrame decode_frame(char start, const QByteArray &frame)
{
    DecodedFrame out;
    if (frame.isEmpty())
        return out;
    if (frame.front() != start) {
        out.error = FrameError::NoStart;
        return out;
    }
    if (frame.back() != kFrameEnd) {
        out.error = FrameError::NoEnd;
        return out;
    }
    if (frame.size() % 2 != 0) {
        out.error = FrameError::OddLength;
        return out;
    }
    if (frame.size() < 4) {
        out.error = FrameError::TooShort;
        return out;
    }
    QByteArray bytes;
    const int digits_end = frame.size() - 1;  // index of the CR
    for (int i = 1; i + 1 < digits_end; i += 2) {
        const int high = digit_value(frame[i]);
        const int low = digit_value(frame[i + 1]);
        if (high < 0 || low < 0) {
            out.error = FrameError::BadDigit;
            return out;
        }
        bytes.append(char(high * 16 + low));
    }
    if (checksum(bytes.left(bytes.size() - 1)) != quint8(bytes.back())) {
        out.error = FrameError::BadChecksum;
        return out;
    }
    out.error = FrameError::Ok;
    out.bytes = bytes;
    return out;
}

DecodedFrame decode_request(const QByteArray &frame)
{
    return decode_frame(kRequestStart, frame);
}

DecodedFrame decode_answer(const QByteArray &frame)
{
    return decode_frame(kAnswerStart, frame);
}

FrameAssembler::FrameAssembler(char start, int max_length) : m_start(start), m_max_length(max_length) {}

QList<QByteArray> FrameAssembler::feed(const QByteArray &bytes)
{
    QList<QByteArray> frames;
    for (char c : bytes) {
        if (c == m_start) {
            m_in_frame = true;
            m_frame = QByteArray(1, c);
            continue;
        }
        if (!m_in_frame)
            continue;
        m_frame.append(c);
        if (c == kFrameEnd) {
            frames.append(m_frame);
            reset();
        } else if (m_frame.size() > m_max_length) {
            reset();
        }
    }
    return frames;
}

void FrameAssembler::reset()
{
    m_in_frame = false;
    m_frame.clear();
}

}  // namespace sim
