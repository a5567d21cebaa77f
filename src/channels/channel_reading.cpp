#include "channels/channel_reading.h"
#include "channels/unit_codes.h"

#include "channels/unit_answers.h"
#include "common/timing.h"
#include "link/frames.h"

namespace reading {

namespace {

using codes::kGetChannelModes;

int send(const UnitLink &link, QByteArray &payload)
{
    return link.send ? link.send(payload, false) : NoAnswer;
}

}  // namespace

int read_modes(const UnitLink &link, int address, std::array<int, 5> *modes)
{
    QByteArray buffer = readback::request(address, kGetChannelModes);
    const int r = send(link, buffer);
    if (r != 0)
        return r;
    const auto split = answers::split_mode_map(answer_byte(buffer, 1));
    if (modes)
        for (int k = 0; k < 5; ++k)
            (*modes)[k] = split[k];
    return 0;
}

int read_channel(
    const UnitLink &link, int address, int channel, int mode, ChannelReading *out,
    const std::function<void(const readback::Request &, int index, const QByteArray &answer)> &on_value,
    const std::function<void(Stage stage, const ChannelReading &so_far)> &on_stage)
{
    ChannelReading local;
    ChannelReading &reading = out ? *out : local;
    const auto reached = [&](Stage stage) {
        if (on_stage)
            on_stage(stage, reading);
    };

    if (link.wait)
        link.wait(link.timing.settle_ms);
    reached(Stage::Settled);

    QByteArray buffer = readback::request(address, readback::kGetAddress);
    int r = send(link, buffer);
    if (r != 0)
        return r;
    reading.address = answer_byte(buffer, 1);
    reached(Stage::Address);

    buffer = readback::request(reading.address, readback::kGetVersion);
    if (send(link, buffer) == 0) {
        reading.version_major = answer_byte(buffer, 1);
        reading.version_text = answers::version_text(buffer);
    } else {
        // A unit without the version query is of major version 0.
        reading.version_major = 0;
        reading.version_text = QStringLiteral("1.0");
    }
    reached(Stage::Version);

    for (const readback::Request &request :
         readback::parameter_reads(reading.address, channel, mode, reading.version_major)) {
        buffer = request.payload;
        r = send(link, buffer);
        if (r != 0)
            return r;
        if (on_value)
            on_value(request, readback::list_index(buffer, request.offset), buffer);
    }

    buffer = readback::request(reading.address, readback::kGetUnitStatus);
    r = send(link, buffer);
    if (r != 0)
        return r;
    reading.state = answer_byte(buffer, channel);
    return 0;
}

}  // namespace reading
