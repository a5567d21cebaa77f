#include "config_text.h"

#include "channels/cross_mask.h"
#include "channels/value_text.h"

#include <QJsonArray>
#include <functional>

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
// Stands for the pairing mask, which has no list.
constexpr List kCrossMask = lists::ListCount;

}  // namespace

bool in_list(List list, qint32 code)
{
    return form_text::in_list(list, code);
}

QString value_text(List list, qint32 code)
{
    return form_text::value_text(list, code);
}

QString cross_text(qint32 mask)
{
    return form_text::cross_text(mask);
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

qint32 unit_held(qint32 value)
{
    return qint8(quint8(value & 0xFF));
}

namespace {

// Each value the comparison looks at, as in the file and as in the unit: the
// mode of every channel, the values of its mode where the modes agree, and
// the unit-wide values. The file's mode as the unit holds it decides.
void for_each_compared(const UnitConfig &file, const UnitConfig &unit,
                       const std::function<void(int, List, qint32, qint32)> &visit)
{
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &f = file.channels[n - 1];
        const ChannelSettings &u = unit.channels[n - 1];
        visit(n, lists::Onoff, f.regim, u.regim);
        // The other values of a channel in another mode are not comparable.
        if (unit_held(f.regim) != u.regim)
            continue;
        for (List list : channel_lists(unit_held(f.regim)))
            visit(n, list, channel_value(f, list), channel_value(u, list));
    }
    visit(0, kCrossMask, file.kross, unit.kross);
    visit(0, lists::Zad, file.zaderzhka, unit.zaderzhka);
    visit(0, lists::Block, file.blokirovka, unit.blokirovka);
}

Difference difference(int channel, List list, qint32 a, qint32 b)
{
    if (list == kCrossMask)
        return Difference{channel, kCross, cross_text(a), cross_text(b)};
    return Difference{channel, label(list), value_text(list, a), value_text(list, b)};
}

}  // namespace

QList<Difference> config_differences(const UnitConfig &file, const UnitConfig &unit)
{
    QList<Difference> out;
    for_each_compared(file, unit, [&out](int channel, List list, qint32 f, qint32 u) {
        if (unit_held(f) != u)
            out << difference(channel, list, f, u);
    });
    return out;
}

QList<Difference> held_otherwise(const UnitConfig &file)
{
    // Compared with itself as the unit holds it, the file's own modes decide.
    UnitConfig held = file;
    for (ChannelSettings &c : held.channels)
        c.regim = unit_held(c.regim);
    QList<Difference> out;
    for_each_compared(file, held, [&out](int channel, List list, qint32 f, qint32) {
        if (unit_held(f) != f)
            out << difference(channel, list, f, unit_held(f));
    });
    return out;
}

QString held_otherwise_line(const Difference &d)
{
    const QString where = d.channel ? QStringLiteral("Канал %1").arg(d.channel) : QStringLiteral("Блок");
    return QStringLiteral("%1: %2: в файле %3, блок хранит это как %4")
        .arg(where, d.what, d.expected, d.actual);
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
