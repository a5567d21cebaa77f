#include "config_text.h"

#include "channels/cross_mask.h"

#include <QJsonArray>

namespace cli {

using lists::List;

namespace {

qint32 ChannelSettings::*field_of(List list)
{
    switch (list) {
    case lists::Porog:
        return &ChannelSettings::porog;
    case lists::Usilenie:
        return &ChannelSettings::usilenie;
    case lists::Arp:
        return &ChannelSettings::arp;
    case lists::Impuls:
        return &ChannelSettings::impuls;
    case lists::Pause:
        return &ChannelSettings::pauza;
    case lists::Okno:
        return &ChannelSettings::okno;
    case lists::Schet:
        return &ChannelSettings::schet;
    case lists::Trevoga:
        return &ChannelSettings::trevoga;
    case lists::Reject:
        return &ChannelSettings::rezhektsiya;
    case lists::PorogPerepil:
        return &ChannelSettings::perepil_porog;
    case lists::TimePerepil:
        return &ChannelSettings::perepil_vremj;
    case lists::Pred:
        return &ChannelSettings::predustanovka;
    case lists::Onoff:
        return &ChannelSettings::regim;
    default:
        return nullptr;
    }
}

QString label(List list)
{
    return QString::fromUtf8(lists::list_info(list).label);
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

const QString kCross = QStringLiteral("Кросс");

}  // namespace

bool in_list(List list, qint32 code)
{
    const qint32 index = code - lists::code_offset(list);
    return index >= 0 && index < lists::list_texts(list).size();
}

QString value_text(List list, qint32 code)
{
    if (!in_list(list, code))
        return QStringLiteral("код %1 (нет в списке)").arg(code);
    const QString text = lists::list_texts(list)[code - lists::code_offset(list)];
    const QString unit = QString::fromUtf8(lists::list_info(list).unit);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

QString cross_text(qint32 mask)
{
    QStringList pairs;
    for (const QJsonValue &pair : cross_pairs(mask))
        pairs << QStringLiteral("%1+%2").arg(pair[0].toInt()).arg(pair[1].toInt());
    if (mask & ~0x3F)
        pairs << QStringLiteral("код %1").arg(mask);
    return pairs.isEmpty() ? QStringLiteral("нет") : pairs.join(QStringLiteral(", "));
}

QList<List> channel_lists(int mode)
{
    if (mode == ModeOff)
        return {};
    QList<List> out;
    if (mode == ModeLf)
        out << lists::Pred;
    out << lists::Porog << lists::Usilenie << lists::Arp << lists::Impuls << lists::Pause << lists::Okno
        << lists::Schet << lists::Trevoga;
    if (mode == ModeLf)
        out << lists::Reject;
    if (mode == ModeHf)
        out << lists::PorogPerepil << lists::TimePerepil;
    return out;
}

qint32 channel_value(const ChannelSettings &settings, List list)
{
    qint32 ChannelSettings::*field = field_of(list);
    return field ? settings.*field : 0;
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
    lines << QStringLiteral("  %1: %2").arg(kCross, cross_text(config.kross));
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

QList<Difference> config_differences(const UnitConfig &file, const UnitConfig &unit)
{
    QList<Difference> out;
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &f = file.channels[n - 1];
        const ChannelSettings &u = unit.channels[n - 1];
        if (f.regim != u.regim) {
            // The other values of a channel in another mode are not comparable.
            out << Difference{n, label(lists::Onoff), value_text(lists::Onoff, f.regim),
                              value_text(lists::Onoff, u.regim)};
            continue;
        }
        for (List list : channel_lists(f.regim & 0xFF)) {
            const qint32 a = channel_value(f, list), b = channel_value(u, list);
            if (a != b)
                out << Difference{n, label(list), value_text(list, a), value_text(list, b)};
        }
    }
    if (file.kross != unit.kross)
        out << Difference{0, kCross, cross_text(file.kross), cross_text(unit.kross)};
    if (file.zaderzhka != unit.zaderzhka)
        out << Difference{0, label(lists::Zad), value_text(lists::Zad, file.zaderzhka),
                          value_text(lists::Zad, unit.zaderzhka)};
    if (file.blokirovka != unit.blokirovka)
        out << Difference{0, label(lists::Block), value_text(lists::Block, file.blokirovka),
                          value_text(lists::Block, unit.blokirovka)};
    return out;
}

QString difference_line(const Difference &d)
{
    const QString where = d.channel ? QStringLiteral("Канал %1").arg(d.channel) : QStringLiteral("Блок");
    return QStringLiteral("%1: %2: в файле %3, в блоке %4").arg(where, d.what, d.expected, d.actual);
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
