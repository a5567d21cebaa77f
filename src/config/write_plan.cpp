#include "config/write_plan.h"

#include "channels/parameters.h"
#include "channels/readback_plan.h"
#include "channels/unit_codes.h"
#include "channels/unit_requests.h"
#include "link/frames.h"

#include <algorithm>

namespace write_plan {

using config_values::kCrossMask;
using config_values::unit_held;
using lists::List;

namespace {

// A whole-unit write sends the per-channel alarm time to every unit, whatever
// its version.
constexpr int kWriteVersion = 1;

// The order in which a whole-unit read asks a channel's values.
const List kReadOrder[] = {lists::Porog,  lists::Usilenie, lists::Arp,          lists::Impuls,
                           lists::Pause,  lists::Okno,     lists::Schet,        lists::Trevoga,
                           lists::Reject, lists::Pred,     lists::PorogPerepil, lists::TimePerepil};

bool is_parameter(List list)
{
    return list >= 0 && list < List(parameters::ParameterCount);
}

QByteArray set_request(int address, int channel, List list, qint32 code)
{
    if (list == lists::Onoff)
        return requests::mode_payload(address, channel, code);
    if (list == lists::Pred)
        return requests::preset_payload(address, channel, code);
    if (list == kCrossMask) {
        QByteArray payload = readback::request(address, codes::kSetCrossMask);
        payload.append(char(quint8(code)));
        return payload;
    }
    const auto id = parameters::ParameterId(int(list));
    return parameters::set_payload(id, address, channel, code - parameters::parameter(id).offset,
                                   kWriteVersion);
}

}  // namespace

Plan plan(int address, const UnitConfig &config, const QList<config_diff::Row> &chosen)
{
    const auto is_chosen = [&chosen](int channel, List list) {
        return std::any_of(chosen.begin(), chosen.end(),
                           [&](const config_diff::Row &r) { return r.channel == channel && r.list == list; });
    };
    Plan p;
    const auto write = [&](int channel, List list) {
        const qint32 code = config_values::value_of(config, channel, list);
        p.writes << Write{channel, list, code, set_request(address, channel, list, code)};
    };

    for (int n = 1; n <= kChannelCount; ++n) {
        const int mode = unit_held(config.channels[n - 1].regim);
        const QList<List> all = config_values::channel_lists(mode);
        const bool mode_chosen = is_chosen(n, lists::Onoff);
        if (mode_chosen)
            write(n, lists::Onoff);
        // The preset heads the LF channel's values, so that one chosen takes
        // all of them along.
        const bool whole = mode_chosen || (mode == ModeLf && is_chosen(n, lists::Pred));
        for (List list : all)
            if (whole || is_chosen(n, list))
                write(n, list);
    }
    for (List list : config_values::unit_lists())
        if (is_chosen(0, list))
            write(0, list);

    const auto written = [&p](int channel, List list) -> const Write * {
        for (const Write &w : p.writes)
            if (w.channel == channel && w.list == list)
                return &w;
        return nullptr;
    };

    QList<Expected> modes;
    for (const Write &w : p.writes)
        if (w.list == lists::Onoff)
            modes << Expected{w.channel, w.list, unit_held(w.code)};
    if (!modes.isEmpty())
        p.reads << Read{readback::request(address, codes::kGetChannelModes), modes};

    int last_channel = 0;  // of the last read that names one
    for (int n = 1; n <= kChannelCount; ++n) {
        for (List list : kReadOrder) {
            const Write *w = written(n, list);
            if (!w)
                continue;
            const Expected e{n, list, unit_held(w->code)};
            if (list == lists::Pred) {
                p.reads << Read{readback::request(address, readback::kGetPreset, n), {e}};
                last_channel = n;
                continue;
            }
            const parameters::Parameter &param = parameters::parameter(parameters::ParameterId(int(list)));
            if (param.read_scope == parameters::Scope::Channel) {
                p.reads << Read{readback::request(address, param.read_code, n), {e}};
                last_channel = n;
                continue;
            }
            if (last_channel != n) {
                p.reads << Read{
                    readback::request(address, parameters::parameter(parameters::Porog).read_code, n), {}};
                last_channel = n;
            }
            p.reads << Read{readback::request(address, param.read_code), {e}};
        }
    }
    for (List list : config_values::unit_lists()) {
        const Write *w = written(0, list);
        if (!w)
            continue;
        const quint8 code = is_parameter(list)
                                ? parameters::parameter(parameters::ParameterId(int(list))).read_code
                                : readback::kGetCrossMask;
        p.reads << Read{readback::request(address, code), {Expected{0, list, unit_held(w->code)}}};
    }
    return p;
}

int carry_out(const TransferHooks &hooks, const Plan &plan, const Progress &progress)
{
    for (int i = 0; i < plan.writes.size(); ++i) {
        const Write &w = plan.writes[i];
        if (hooks.progress)
            hooks.progress(i);
        QByteArray payload = w.payload;
        const int r = hooks.send(payload, true);
        if (progress.sent)
            progress.sent(w, r);
        if (r != 0)
            return r;
        if (w.list == lists::Onoff && hooks.mode_written)
            hooks.mode_written(w.channel, w.code & 0xFF);
    }
    if (progress.before_reads)
        progress.before_reads();
    for (const Read &read : plan.reads) {
        QByteArray payload = read.payload;
        if (const int r = hooks.send(payload, false))
            return r;
        for (const Expected &e : read.expected)
            if (progress.checked)
                progress.checked(e, answered(e, payload));
    }
    return 0;
}

qint32 answered(const Expected &e, const QByteArray &answer)
{
    const int byte = answer_byte(answer, 1);
    if (e.list == lists::Onoff)
        return (byte >> (2 * (e.channel - 1))) & 3;
    return qint32(qint8(quint8(byte)));
}

}  // namespace write_plan
