// The program's answer decoder against arbitrary line bytes, checked against
// its documented contract and against the simulator's independent decoder.
#include "fuzz_support.h"
#include "link/frames.h"
#include "sim_frames.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes_of(data, size);
    QByteArray buffer = input;
    const int result = decode_frame(buffer);

    switch (result) {
    case Ok:
        FUZZ_CHECK(buffer.size() == (input.size() - 2) / 2);
        break;
    case NoStart:
    case NoEnd:
    case OddLength:
    case Empty:
        FUZZ_CHECK(buffer == input);
        break;
    case BadHighDigit:
    case BadLowDigit:
    case BadChecksum:
        FUZZ_CHECK(buffer == input.left(input.size() - 1));
        break;
    default:
        FUZZ_CHECK(!"unknown result");
    }

    // Both decoders read the same wire format and must agree on every frame.
    const sim::DecodedFrame other = sim::decode_answer(input);
    FUZZ_CHECK((result == Ok) == other.ok());
    if (result == Ok) {
        FUZZ_CHECK(buffer == other.bytes);
        // The answer is the payload and its sum: re-encoding it gives the frame back.
        FUZZ_CHECK(sim::encode_answer(other.payload()) == input.toLower());
    }

    for (int index = -1; index <= buffer.size(); ++index) {
        const int byte = answer_byte(buffer, index);
        FUZZ_CHECK(byte >= 0 && byte <= 255);
        if (index < 0 || index >= buffer.size())
            FUZZ_CHECK(byte == 0);
        else
            FUZZ_CHECK(byte == quint8(buffer.at(index)));
    }
    return 0;
}
