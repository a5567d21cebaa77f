#pragma once

#include <QByteArray>

// The simulator's own framing, written from the wire format: requests are
// "$", hex digit pairs (payload, then an 8-bit additive checksum) and CR;
// answers have the same shape with "!". Independent of the program's
// encoder on purpose.
namespace sim {

constexpr char kRequestStart = '$';
constexpr char kAnswerStart = '!';
constexpr char kFrameEnd = '\r';

enum class FrameError {
    Ok,
    Empty,
    NoStart,
    NoEnd,
    OddLength,
    BadDigit,
    BadChecksum,
    TooShort,  // no byte at all between start and end
};

struct DecodedFrame {
    FrameError error = FrameError::Empty;
    QByteArray bytes;  // every decoded byte, checksum last (filled on Ok only)

    bool ok() const { return error == FrameError::Ok; }
    // The bytes without the trailing checksum.
    QByteArray payload() const { return bytes.left(bytes.size() - 1); }
};

quint8 checksum(const QByteArray &bytes);

// Hex digit pairs of bytes followed by their checksum, framed with start and CR.
QByteArray encode_frame(char start, const QByteArray &bytes, bool upper_case = false);
QByteArray encode_request(const QByteArray &payload);
QByteArray encode_answer(const QByteArray &bytes, bool upper_case = false);

// Decodes a whole frame (start character through CR). Both digit cases pass.
DecodedFrame decode_frame(char start, const QByteArray &frame);
DecodedFrame decode_request(const QByteArray &frame);
DecodedFrame decode_answer(const QByteArray &frame);

// Collects request frames out of a byte stream: bytes before a "$" are line
// noise and dropped, a "$" starts a frame afresh, CR ends it. A frame that
// grows past max_length without a CR is dropped.
class FrameAssembler {
public:
    explicit FrameAssembler(char start = kRequestStart, int max_length = 128);

    // Appends bytes; returns the frames completed by them, each with its CR.
    QList<QByteArray> feed(const QByteArray &bytes);
    void reset();
    bool in_frame() const { return m_in_frame; }

private:
    char m_start;
    int m_max_length;
    bool m_in_frame = false;
    QByteArray m_frame;
};

}  // namespace sim
