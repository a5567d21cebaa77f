#include "session/unit_model.h"

#include "channels/unit_requests.h"
#include "config/config_values.h"

using namespace parameters;

namespace {

int *channel_value(UnitModel::Channel &c, ParameterId id)
{
    switch (id) {
    case Porog:
        return &c.cur_porog;
    case Usilenie:
        return &c.cur_usilenie;
    case Arp:
        return &c.cur_arp;
    case Impuls:
        return &c.cur_impuls;
    case Pauza:
        return &c.cur_pause;
    case Okno:
        return &c.cur_okno;
    case Schet:
        return &c.cur_schet;
    case Trevoga:
        return &c.cur_trevoga;
    case Rezhektsiya:
        return &c.cur_reject;
    case PerepilPorog:
        return &c.cur_p_perepil;
    case PerepilVremj:
        return &c.cur_t_perepil;
    case Zaderzhka:
    case Blokirovka:
    case ParameterCount:
        break;
    }
    return nullptr;
}

}  // namespace

int &UnitModel::confirmed(ParameterId id, int channel)
{
    if (id == Zaderzhka)
        return cur_zad;
    if (id == Blokirovka)
        return cur_block;
    int *value = channel_value(channels[valid(channel)], id);
    return value ? *value : channels[valid(channel)].cur_porog;
}

int UnitModel::confirmed(ParameterId id, int channel) const
{
    return const_cast<UnitModel *>(this)->confirmed(id, channel);
}

void UnitModel::show_channel(int channel)
{
    const int shown = valid(channel);
    if (shown != current_channel)
        channels[shown] = current();
    current_channel = static_cast<signed char>(shown);
}

void UnitModel::load(const UnitConfig &config)
{
    for (int k = 1; k <= kChannelCount; ++k) {
        const ChannelSettings &c = config.channels[k - 1];
        channel_mode[k] = static_cast<signed char>(c.regim);
        channels[k].cur_onoff = c.regim;
        channels[k].cur_pred = c.predustanovka;
        for (int id = 0; id < ParameterCount; ++id) {
            const auto pid = ParameterId(id);
            if (pid == Zaderzhka || pid == Blokirovka)
                continue;
            confirmed(pid, k) = config_values::value_of(config, k, lists::List(pid)) - parameter(pid).offset;
        }
    }
    cur_zad = config.zaderzhka - parameter(Zaderzhka).offset;
    cur_block = config.blokirovka - parameter(Blokirovka).offset;
    cross_mask = prev_cross_mask = static_cast<unsigned char>(config.kross);
}

int UnitModel::set_parameter(const UnitLink &link, ParameterId id, int index)
{
    QByteArray buffer = set_payload(id, unit_address, current_channel, index, unit_version);
    if (const int r = link.send(buffer, true))
        return r;
    confirmed(id, current_channel) = index;
    return 0;
}

int UnitModel::set_mode(const UnitLink &link, int mode)
{
    QByteArray buffer = requests::mode_payload(unit_address, current_channel, mode);
    if (const int r = link.send(buffer, true))
        return r;
    channel_mode[valid(current_channel)] = static_cast<signed char>(mode);
    return 0;
}

int UnitModel::set_preset(const UnitLink &link, int index)
{
    QByteArray buffer = requests::preset_payload(unit_address, current_channel, index);
    if (const int r = link.send(buffer, true))
        return r;
    current().cur_pred = index;
    return 0;
}
