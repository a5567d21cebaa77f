#include "channels/cross_mask.h"

#include "channels/unit_codes.h"

namespace cross {

namespace {

struct Pair {
    int first, second;
};
constexpr Pair kPairs[6] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};

}  // namespace

quint8 channel_group(int channel)
{
    quint8 group = 0;
    for (int bit = 0; bit < 6; ++bit)
        if (kPairs[bit].first == channel || kPairs[bit].second == channel)
            group |= quint8(1u << bit);
    return group;
}

quint8 without_channel(quint8 mask, int channel)
{
    return quint8(mask & ~channel_group(channel));
}

bool in_pair(quint8 mask, int channel)
{
    return (mask & channel_group(channel)) != 0;
}

quint8 derive(const bool on[5], const signed char modes[5])
{
    quint8 mask = 0;
    for (int bit = 0; bit < 6; ++bit) {
        const int i = kPairs[bit].first, j = kPairs[bit].second;
        if (on[i] && on[j] && modes[i] != 0 && modes[i] == modes[j])
            mask |= quint8(1u << bit);
    }
    return mask;
}

namespace {

QByteArray mask_payload(int address, quint8 mask)
{
    QByteArray buffer;
    buffer.append(char(quint8(address)));
    buffer.append(char(codes::kSetCrossMask));
    buffer.append(char(mask));
    return buffer;
}

}  // namespace

bool send_mask(const UnitLink &link, int address, quint8 mask, quint8 previous,
               const std::function<void()> &refused)
{
    QByteArray buffer = mask_payload(address, mask);
    if (link.send && link.send(buffer, true) == 0)
        return true;
    if (refused)
        refused();
    buffer = mask_payload(address, previous);
    if (link.send)
        link.send(buffer, true);
    return false;
}

}  // namespace cross
