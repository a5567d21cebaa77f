#include "config/config_check.h"

namespace config_check {

namespace {

constexpr qint32 kPairBits = 0x3F;  // the six pairs of the pairing mask

bool acceptable(lists::List list, qint32 code)
{
    if (list == config_values::kCrossMask)
        return (code & ~kPairBits) == 0;
    return lists::in_list(list, code);
}

}  // namespace

QList<BadValue> check(const UnitConfig &config)
{
    QList<BadValue> bad;
    const auto look = [&](int channel, lists::List list) {
        const qint32 code = config_values::value_of(config, channel, list);
        if (!acceptable(list, code))
            bad << BadValue{channel, list, config_values::label(list), code};
    };
    for (int n = 1; n <= kChannelCount; ++n) {
        const qint32 mode = config.channels[n - 1].regim;
        look(n, lists::Onoff);
        if (!lists::in_list(lists::Onoff, mode))
            continue;
        for (lists::List list : config_values::channel_lists(mode))
            look(n, list);
    }
    for (lists::List list : config_values::unit_lists())
        look(0, list);
    return bad;
}

}  // namespace config_check
