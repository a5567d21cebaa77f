// The simulator's frame decoder and its incremental request assembler on
// arbitrary line bytes. The first input byte chooses how the stream is cut
// into reads; the frames found must not depend on it.
#include "fuzz_support.h"
#include "sim_frames.h"

namespace {

void check_decoded(char start, const QByteArray &frame)
{
    const sim::DecodedFrame d = sim::decode_frame(start, frame);
    if (!d.ok()) {
        FUZZ_CHECK(d.bytes.isEmpty());
        return;
    }
    FUZZ_CHECK(frame.size() >= 4 && frame.front() == start && frame.back() == sim::kFrameEnd);
    FUZZ_CHECK(d.bytes.size() == (frame.size() - 2) / 2);
    FUZZ_CHECK(sim::checksum(d.payload()) == quint8(d.bytes.back()));
    FUZZ_CHECK(sim::encode_frame(start, d.payload()) == frame.toLower());
    FUZZ_CHECK(sim::encode_frame(start, d.payload(), true) == frame.toUpper());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int piece = 1 + data[0] % 16;
    const QByteArray stream = fuzz::bytes_of(data + 1, size - 1);

    check_decoded(sim::kRequestStart, stream);
    check_decoded(sim::kAnswerStart, stream);

    constexpr int kMaxLength = 128;
    sim::FrameAssembler whole;
    const QList<QByteArray> frames = whole.feed(stream);
    sim::FrameAssembler pieces;
    QList<QByteArray> pieced;
    for (qsizetype at = 0; at < stream.size(); at += piece)
        pieced += pieces.feed(stream.mid(at, piece));
    FUZZ_CHECK(pieced == frames);
    FUZZ_CHECK(pieces.in_frame() == whole.in_frame());

    for (const QByteArray &f : frames) {
        FUZZ_CHECK(f.size() >= 2 && f.size() <= kMaxLength + 1);
        FUZZ_CHECK(f.front() == sim::kRequestStart && f.back() == sim::kFrameEnd);
        FUZZ_CHECK(f.count(sim::kRequestStart) == 1 && f.count(sim::kFrameEnd) == 1);
        FUZZ_CHECK(stream.contains(f));
        check_decoded(sim::kRequestStart, f);
    }
    return 0;
}
