#include "config/config_values.h"

namespace config_values {

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

}  // namespace

qint32 unit_held(qint32 value)
{
    return qint8(quint8(value & 0xFF));
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

QList<List> unit_lists()
{
    return {kCrossMask, lists::Zad, lists::Block};
}

qint32 channel_value(const ChannelSettings &settings, List list)
{
    qint32 ChannelSettings::*field = field_of(list);
    return field ? settings.*field : 0;
}

qint32 *field(UnitConfig &config, int channel, List list)
{
    if (channel >= 1 && channel <= kChannelCount) {
        qint32 ChannelSettings::*member = field_of(list);
        return member ? &(config.channels[channel - 1].*member) : nullptr;
    }
    if (channel != 0)
        return nullptr;
    if (list == kCrossMask)
        return &config.kross;
    if (list == lists::Zad)
        return &config.zaderzhka;
    if (list == lists::Block)
        return &config.blokirovka;
    return nullptr;
}

qint32 value_of(const UnitConfig &config, int channel, List list)
{
    const qint32 *value = field(const_cast<UnitConfig &>(config), channel, list);
    return value ? *value : 0;
}

QString label(List list)
{
    if (list == kCrossMask)
        return QStringLiteral("Кросс");
    return QString::fromUtf8(lists::list_info(list).label);
}

}  // namespace config_values
