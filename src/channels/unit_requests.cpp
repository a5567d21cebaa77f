#include "channels/unit_requests.h"

#include "channels/readback_plan.h"
#include "channels/unit_codes.h"
#include "services/unit_time.h"

namespace requests {

namespace {

constexpr quint8 kSetLineSpeed = 0x01;
constexpr int kBroadcast = 0;

}  // namespace

QByteArray line_speed_payload(int speed_index)
{
    QByteArray payload = readback::request(kBroadcast, kSetLineSpeed);
    payload.append(char(quint8(speed_index)));
    return payload;
}

QByteArray mode_payload(int address, int channel, int mode)
{
    QByteArray payload = readback::request(address, codes::kSetMode, channel);
    payload.append(char(quint8(mode)));
    return payload;
}

QByteArray preset_payload(int address, int channel, int index)
{
    QByteArray payload = readback::request(address, codes::kSetPreset, channel);
    payload.append(char(quint8(index)));
    return payload;
}

QByteArray get_time_payload(int address)
{
    return readback::request(address, kGetTime);
}

QByteArray clear_log_payload(int address)
{
    return readback::request(address, kClearLog);
}

}  // namespace requests
