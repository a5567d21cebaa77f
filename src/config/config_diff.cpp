#include "config/config_diff.h"

namespace config_diff {

using config_values::unit_held;

QList<Row> compare(const UnitConfig &a, const UnitConfig &b)
{
    QList<Row> rows;
    const auto add = [&rows](int channel, lists::List list, qint32 x, qint32 y) {
        rows << Row{channel, list, x, y, unit_held(x) != unit_held(y)};
    };
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &x = a.channels[n - 1];
        const ChannelSettings &y = b.channels[n - 1];
        add(n, lists::Onoff, x.regim, y.regim);
        const int mode = unit_held(x.regim);
        if (mode != unit_held(y.regim))
            continue;
        for (lists::List list : config_values::channel_lists(mode))
            add(n, list, config_values::channel_value(x, list), config_values::channel_value(y, list));
    }
    for (lists::List list : config_values::unit_lists())
        add(0, list, config_values::value_of(a, 0, list), config_values::value_of(b, 0, list));
    return rows;
}

QList<Row> differing(const QList<Row> &rows)
{
    QList<Row> out;
    for (const Row &r : rows)
        if (r.differs)
            out << r;
    return out;
}

}  // namespace config_diff
