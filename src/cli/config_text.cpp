#include "config_text.h"

#include "channels/cross_mask.h"
#include "channels/value_text.h"

#include <QJsonArray>

namespace cli {

using config_values::channel_lists;
using config_values::channel_value;
using config_values::kCrossMask;
using config_values::unit_held;
using lists::List;

namespace {

QString label(List list)
{
    return config_values::label(list);
}

QJsonObject value_json(List list, qint32 code)
{
    QJsonObject o;
    o[QStringLiteral("code")] = code;
    if (in_list(list, code))
        o[QStringLiteral("text")] = lists::list_texts(list)[code - lists::code_offset(list)];
    const QString unit = QString::fromUtf8(lists::list_info(list).unit);
    if (!unit.isEmpty())
        o[QStringLiteral("unit")] = unit;
    return o;
}

QJsonArray cross_pairs(qint32 mask)
{
    QJsonArray pairs;
    for (int a = 1; a <= kChannelCount; ++a)
        for (int b = a + 1; b <= kChannelCount; ++b)
            if (mask & cross::channel_group(a) & cross::channel_group(b))
                pairs.append(QJsonArray{a, b});
    return pairs;
}

}  // namespace

QString value_text(List list, qint32 code)
{
    return form_text::value_text(list, code);
}

QString cross_text(qint32 mask)
{
    return form_text::cross_text(mask);
}

QStringList config_lines(const UnitConfig &config)
{
    QStringList lines;
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &c = config.channels[n - 1];
        lines << QStringLiteral("Канал %1: %2").arg(n).arg(value_text(lists::Onoff, c.regim));
        for (List list : channel_lists(c.regim & 0xFF))
            lines << QStringLiteral("  %1: %2").arg(label(list), value_text(list, channel_value(c, list)));
    }
    lines << QStringLiteral("Блок:");
    lines << QStringLiteral("  %1: %2").arg(label(kCrossMask), cross_text(config.kross));
    lines << QStringLiteral("  %1: %2").arg(label(lists::Zad), value_text(lists::Zad, config.zaderzhka));
    lines << QStringLiteral("  %1: %2").arg(label(lists::Block), value_text(lists::Block, config.blokirovka));
    return lines;
}

QJsonObject config_json(const UnitConfig &config)
{
    QJsonArray channels;
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &c = config.channels[n - 1];
        QJsonObject channel;
        channel[QStringLiteral("channel")] = n;
        channel[QStringLiteral("onoff")] = value_json(lists::Onoff, c.regim);
        QJsonObject values;
        for (List list : channel_lists(c.regim & 0xFF))
            values[QString::fromLatin1(lists::list_info(list).name)] =
                value_json(list, channel_value(c, list));
        channel[QStringLiteral("values")] = values;
        channels.append(channel);
    }
    QJsonObject cross;
    cross[QStringLiteral("code")] = config.kross;
    cross[QStringLiteral("pairs")] = cross_pairs(config.kross);
    QJsonObject o;
    o[QStringLiteral("channels")] = channels;
    o[QStringLiteral("cross")] = cross;
    o[QStringLiteral("zad")] = value_json(lists::Zad, config.zaderzhka);
    o[QStringLiteral("block")] = value_json(lists::Block, config.blokirovka);
    return o;
}

QString code_text(List list, qint32 code)
{
    return list == kCrossMask ? cross_text(code) : value_text(list, code);
}

Difference difference(const config_diff::Row &row)
{
    return Difference{row.channel, label(row.list), code_text(row.list, row.a), code_text(row.list, row.b)};
}

QList<Difference> config_differences(const UnitConfig &file, const UnitConfig &unit)
{
    QList<Difference> out;
    for (const config_diff::Row &row : config_diff::differing(config_diff::compare(file, unit)))
        out << difference(row);
    return out;
}

QList<Difference> held_otherwise(const UnitConfig &file)
{
    // Compared with itself, the file's own modes (as the unit holds them)
    // decide which values count.
    QList<Difference> out;
    for (config_diff::Row row : config_diff::compare(file, file)) {
        row.b = unit_held(row.a);
        if (row.b != row.a)
            out << difference(row);
    }
    return out;
}

QString place_text(int channel)
{
    return channel ? QStringLiteral("Канал %1").arg(channel) : QStringLiteral("Блок");
}

QString held_otherwise_line(const Difference &d)
{
    return QStringLiteral("%1: %2: в файле %3, блок хранит это как %4")
        .arg(place_text(d.channel), d.what, d.expected, d.actual);
}

QString difference_line(const Difference &d)
{
    return QStringLiteral("%1: %2: в файле %3, в блоке %4")
        .arg(place_text(d.channel), d.what, d.expected, d.actual);
}

QString files_difference_line(const Difference &d)
{
    return QStringLiteral("%1: %2: в первом файле %3, во втором %4")
        .arg(place_text(d.channel), d.what, d.expected, d.actual);
}

QJsonObject files_difference_json(const Difference &d)
{
    QJsonObject o;
    o[QStringLiteral("channel")] = d.channel;
    o[QStringLiteral("what")] = d.what;
    o[QStringLiteral("a")] = d.expected;
    o[QStringLiteral("b")] = d.actual;
    return o;
}

QString bad_value_line(const config_check::BadValue &b)
{
    return QStringLiteral("%1: %2: %3").arg(place_text(b.channel), b.what).arg(b.code);
}

QJsonObject bad_value_json(const config_check::BadValue &b)
{
    QJsonObject o;
    o[QStringLiteral("channel")] = b.channel;
    o[QStringLiteral("what")] = b.what;
    o[QStringLiteral("value")] = b.code;
    return o;
}

QJsonObject difference_json(const Difference &d)
{
    QJsonObject o;
    o[QStringLiteral("channel")] = d.channel;
    o[QStringLiteral("what")] = d.what;
    o[QStringLiteral("file")] = d.expected;
    o[QStringLiteral("unit")] = d.actual;
    return o;
}

}  // namespace cli
