#include "session/control_lock.h"

namespace lock_rule {

const char *object_name(Control control)
{
    static const char *const names[ControlCount] = {
        "chn",     "onoff",   "DK",        "porog",   "usilenie", "arp",           "impuls",        "pause",
        "okno",    "schet",   "trevoga",   "YROVEN",  "AMPL",     "pushButton",    "zad",           "block",
        "loadCfg", "saveCfg", "tabWidget", "getTime", "setTime",  "getProtokol",   "clearProtokol", "pred",
        "reject",  "cross_1", "cross_2",   "cross_3", "cross_4",  "porog_perepil", "time_perepil",
    };
    return control >= 0 && control < ControlCount ? names[control] : "";
}

std::optional<Enabled> enabled(const Inputs &in)
{
    if (in.frozen)
        return std::nullopt;
    // A connection being made counts: its read-back enables the form.
    const bool line = in.state == ConnectionState::Connecting || in.state == ConnectionState::Connected ||
                      in.state == ConnectionState::Ending;
    const bool file = in.file && in.state == ConnectionState::Disconnected;
    const bool enable = (line || file) && !in.operation;
    const int channel = in.channel >= 1 && in.channel <= 4 ? in.channel : 1;
    const int m = in.modes[size_t(channel)];
    const bool on = enable && m != 0;

    Enabled e;
    for (Control c : {Chn, Onoff, DK})
        e[c] = enable;
    for (Control c : {Porog, Usilenie, Arp, Impuls, Pause, Okno, Schet, Trevoga, Yroven, Ampl, Frequency, Zad,
                      Block, LoadCfg, SaveCfg, Tabs})
        e[c] = on;
    for (Control c : {GetTime, SetTime, GetProtokol, ClearProtokol})
        e[c] = on && in.version >= 2;
    e[Pred] = enable && m == 1;
    e[Reject] = enable && m == 1;
    for (int k = 1; k <= 4; ++k)
        e[Cross1 + k - 1] = on && in.modes[size_t(k)] == m;
    e[PorogPerepil] = enable && m == 2;
    e[TimePerepil] = enable && m == 2;
    if (file)
        for (Control c :
             {DK, Yroven, Ampl, Frequency, LoadCfg, SaveCfg, GetTime, SetTime, GetProtokol, ClearProtokol})
            e[c] = false;
    return e;
}

}  // namespace lock_rule
