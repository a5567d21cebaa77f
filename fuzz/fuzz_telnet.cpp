// The telnet decoder and the COM-PORT-OPTION client against whatever a
// server may send: nothing crashes, what comes out is bounded by what went
// in, the pieces the bytes arrive in do not matter, and data framed for the
// wire decodes back to itself.
#include "fuzz_support.h"
#include "link/com_port_client.h"
#include "link/telnet_codec.h"

namespace {

struct Run {
    QByteArray data;
    QByteArray output;
    bool agreed = false;
    bool answered = false;
    QString mismatch;
};

// The client fed the input in pieces of the lengths the first bytes name.
Run client_run(const QByteArray &input, int piece)
{
    ComPortClient client;
    client.take_output();
    client.request_line(57600);
    client.take_output();
    Run run;
    for (qsizetype at = 0; at < input.size(); at += piece) {
        client.receive(input.mid(at, piece), &run.data);
        run.output += client.take_output();
    }
    run.agreed = client.com_port_agreed();
    run.answered = client.settings_answered();
    run.mismatch = client.settings_mismatch();
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input = fuzz::bytes_of(bytes, size);

    const Run whole = client_run(input, int(qMax<qsizetype>(1, input.size())));
    // Data is never more than came in; each refusal answers a three-byte
    // offer with three bytes.
    FUZZ_CHECK(whole.data.size() <= input.size());
    FUZZ_CHECK(whole.output.size() <= input.size());
    for (const int piece : {1, 2, 7}) {
        const Run pieces = client_run(input, piece);
        FUZZ_CHECK(pieces.data == whole.data);
        FUZZ_CHECK(pieces.output == whole.output);
        FUZZ_CHECK(pieces.agreed == whole.agreed);
        FUZZ_CHECK(pieces.answered == whole.answered);
        FUZZ_CHECK(pieces.mismatch == whole.mismatch);
    }

    // The input as the unit's data: framed for the wire in either mode, it
    // decodes to itself with no event.
    for (const bool binary : {true, false}) {
        telnet::Decoder decoder;
        decoder.set_binary(binary);
        QByteArray data;
        QList<telnet::Event> events;
        decoder.feed(ComPortClient::data_frame(input, binary), &data, &events);
        FUZZ_CHECK(data == input);
        FUZZ_CHECK(events.isEmpty());
    }
    return 0;
}
