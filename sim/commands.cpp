#include "commands.h"

namespace sim {

namespace {

const QList<CommandInfo> kCommands = {
    {0x01, "set_line_speed", 1, false, 0},
    {0x03, "remote_test", 0, false, 0},
    {0x04, "get_status", 0, false, 0},
    {0x05, "get_channel_modes", 0, false, 0},
    {0x0B, "poll_channel", 1, true, 0},
    {0x0C, "start_frequency", 1, true, 0},
    {0x0D, "get_frequency", 1, true, 0},
    {0x0E, "get_preset", 1, true, 0},
    {0x0F, "get_gain", 1, true, 0},
    {0x10, "get_reject", 1, true, 0},
    {0x11, "get_threshold", 1, true, 0},
    {0x12, "get_arp", 1, true, 0},
    {0x13, "get_impulse", 1, true, 0},
    {0x14, "get_pause", 1, true, 0},
    {0x15, "get_window", 1, true, 0},
    {0x16, "get_count", 1, true, 0},
    {0x17, "get_alarm_time_unit", 0, false, 0},
    {0x18, "get_cross", 0, false, 0},
    {0x19, "get_delay", 0, false, 0},
    {0x1A, "get_alarm_time", 1, true, 1},
    {0x1C, "get_block", 0, false, 0},
    {0x1D, "start_amplitude", 1, true, 0},
    {0x1E, "get_amplitude", 1, true, 0},
    {0x1F, "get_level", 1, true, 0},
    {0x20, "get_address", 0, false, 0},
    {0x21, "get_cut_threshold", 0, false, 0},
    {0x22, "get_cut_time", 0, false, 0},
    {0x23, "get_log_record", 0, false, 2},
    {0x24, "clear_log", 0, false, 2},
    {0x25, "get_time", 0, false, 2},
    {0x26, "get_version", 0, false, 0},
    {0x2C, "set_preset", 2, true, 0},
    {0x2D, "set_gain", 2, true, 0},
    {0x2E, "set_reject", 2, true, 0},
    {0x2F, "set_threshold", 2, true, 0},
    {0x30, "set_arp", 2, true, 0},
    {0x31, "set_impulse", 2, true, 0},
    {0x32, "set_pause", 2, true, 0},
    {0x33, "set_window", 2, true, 0},
    {0x34, "set_count", 2, true, 0},
    {0x35, "set_alarm_time_unit", 1, false, 0},
    {0x36, "set_cross", 1, false, 0},
    {0x37, "set_delay", 1, false, 0},
    {0x38, "set_channel_mode", 2, true, 0},
    {0x3A, "set_block", 1, false, 0},
    {0x3C, "set_cut_threshold", 2, true, 0},
    {0x3D, "set_cut_time", 2, true, 0},
    {0x3E, "set_time", 4, false, 2},
    {0x3F, "set_alarm_time", 2, true, 1},
    {0x77, "enter_loader", 0, false, 0},
};

CommandOutcome answer(const QByteArray &bytes)
{
    CommandOutcome out;
    out.kind = CommandOutcome::Answer;
    out.answer = bytes;
    return out;
}

CommandOutcome refuse(const QString &why)
{
    CommandOutcome out;
    out.note = why;
    return out;
}

QByteArray bytes_of(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

void append_le16(QByteArray *b, quint16 v)
{
    b->append(char(v & 0xff));
    b->append(char(v >> 8));
}

void append_le32(QByteArray *b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b->append(char((v >> (8 * i)) & 0xff));
}

CommandOutcome out_of_range(const char *what, int value)
{
    return refuse(QStringLiteral("%1: value %2 out of range").arg(QLatin1String(what)).arg(value));
}

// poll_channel: channel, mode, two spare bytes, then bytes 5..9. In LF mode
// byte 5 carries the state byte; in HF mode bytes 5-6 carry the level; byte 9
// always carries the state byte.
QByteArray poll_answer(const UnitState &state, int ch, Usec now)
{
    const ChannelState &c = state.channel(ch);
    const quint8 s = state.state_byte(ch, now);
    QByteArray b = bytes_of({state.address, ch, c.mode, 0, 0});
    if (c.mode == kModeHf)
        append_le16(&b, quint16(c.level_at(now)));
    else
        b.append(bytes_of({s, 0}));
    b.append(bytes_of({0, 0, s}));
    return b;
}

}  // namespace

const QList<CommandInfo> &command_table()
{
    return kCommands;
}

const CommandInfo *find_command(quint8 code)
{
    for (const CommandInfo &c : kCommands)
        if (c.code == code)
            return &c;
    return nullptr;
}

static CommandOutcome run(UnitState &state, const QByteArray &payload, Usec now, int *channel);

CommandOutcome execute(UnitState &state, const QByteArray &payload, Usec now)
{
    int channel = 0;
    CommandOutcome out = run(state, payload, now, &channel);
    // Only an accepted per-channel request moves the channel the cut reads refer to.
    if (channel > 0 && out.kind == CommandOutcome::Answer)
        state.last_channel = channel;
    return out;
}

static CommandOutcome run(UnitState &state, const QByteArray &payload, Usec now, int *channel)
{
    if (payload.size() < 2)
        return refuse(QStringLiteral("request without a command code"));
    const quint8 code = quint8(payload[1]);
    const CommandInfo *info = find_command(code);
    if (!info)
        return refuse(QStringLiteral("unknown command 0x%1").arg(code, 2, 16, QLatin1Char('0')));
    if (state.effective_major() < info->min_major)
        return refuse(QStringLiteral("%1 needs firmware %2 or later")
                          .arg(QLatin1String(info->name))
                          .arg(info->min_major));
    if (code == 0x26 && !state.has_version)
        return refuse(QStringLiteral("this firmware has no get_version"));
    if (payload.size() < 2 + info->args)
        return refuse(QStringLiteral("%1: too few arguments").arg(QLatin1String(info->name)));

    auto arg = [&payload](int i) { return quint8(payload[2 + i]); };
    const quint8 addr = state.address;
    int ch = 0;
    if (info->per_channel) {
        ch = arg(0);
        if (ch < 1 || ch > kChannels)
            return refuse(QStringLiteral("%1: no channel %2").arg(QLatin1String(info->name)).arg(ch));
        *channel = ch;
    }
    const QByteArray status = bytes_of({addr, code});

    ChannelParam cp;
    UnitParam up;
    if (channel_param_by_read_code(code, &cp)) {
        int read_ch = ch;
        if (!channel_param_info(cp).read_has_channel) {
            // The cut reads carry no channel byte; an extra one is honoured.
            read_ch = state.last_channel;
            if (payload.size() > 2) {
                const int extra = arg(0);
                if (extra >= 1 && extra <= kChannels)
                    read_ch = extra;
            }
        }
        return answer(bytes_of({addr, state.channel(read_ch).param(cp)}));
    }
    if (code != 0x2C && channel_param_by_set_code(code, &cp)) {
        const ParamInfo &pi = channel_param_info(cp);
        const quint8 value = arg(1);
        if (value < pi.min || value > pi.max) {
            // A channel that is off acknowledges a value out of range and
            // keeps its own: a configuration saved with the channel off
            // carries zeros for it, and loading it back must go through.
            if (state.channel(ch).mode == kModeOff)
                return answer(status);
            return out_of_range(pi.name, value);
        }
        state.channel(ch).param(cp) = value;
        return answer(status);
    }
    if (unit_param_by_read_code(code, &up))
        return answer(bytes_of({addr, state.param(up)}));
    if (unit_param_by_set_code(code, &up)) {
        const ParamInfo &pi = unit_param_info(up);
        const quint8 value = arg(0);
        if (value < pi.min || value > pi.max)
            return out_of_range(pi.name, value);
        state.param(up) = value;
        return answer(status);
    }

    switch (code) {
    case 0x01: {
        const int index = arg(0);
        if (index >= kSpeedCount)
            return out_of_range("speed index", index);
        // The answer still goes out at the old speed; the unit listens at the
        // new one from now on.
        state.speed_index = index;
        return answer(status);
    }
    case 0x03:
        state.self_test_until = now + state.self_test_duration;
        ++state.self_tests;
        return answer(status);
    case 0x04: {
        QByteArray b(1, char(addr));
        for (int c = 1; c <= kChannels; ++c)
            b.append(char(state.state_byte(c, now)));
        return answer(b);
    }
    case 0x05:
        return answer(bytes_of({addr, state.mode_map()}));
    case 0x0B:
        return answer(poll_answer(state, ch, now));
    case 0x0C:
        ++state.channel(ch).frequency_starts;
        return answer(status);
    case 0x1D:
        ++state.channel(ch).amplitude_starts;
        return answer(status);
    case 0x0D:
    case 0x1E:
    case 0x1F: {
        const ChannelState &c = state.channel(ch);
        QByteArray b(1, char(addr));
        append_le16(&b, code == 0x0D ? c.frequency : code == 0x1E ? c.amplitude : c.level);
        return answer(b);
    }
    case 0x20:
        return answer(bytes_of({addr, addr}));
    case 0x23: {
        // Records one by one, then a record with time 0 as the end mark;
        // after the end mark the next reading starts from the first record.
        QByteArray b(1, char(addr));
        if (state.log_position < state.log.size()) {
            const LogRecord &r = state.log[state.log_position++];
            append_le32(&b, r.time);
            for (quint8 f : r.flags)
                b.append(char(f));
        } else {
            b.append(QByteArray(8, '\0'));
            state.log_position = 0;
        }
        return answer(b);
    }
    case 0x24:
        state.log.clear();
        state.log_position = 0;
        return answer(status);
    case 0x25: {
        QByteArray b(1, char(addr));
        append_le32(&b, state.time_at(now));
        return answer(b);
    }
    case 0x26:
        return answer(bytes_of({addr, state.version_major, state.version_minor}));
    case 0x2C: {
        const int preset = arg(1);
        if (preset >= kPresetCount)
            return out_of_range("predustanovka", preset);
        state.apply_preset(ch, preset);
        return answer(status);
    }
    case 0x38: {
        const int mode = arg(1);
        if (mode > kModeHf)
            return out_of_range("mode", mode);
        state.channel(ch).mode = quint8(mode);
        return answer(status);
    }
    case 0x3E: {
        quint32 t = 0;
        for (int i = 0; i < 4; ++i)
            t |= quint32(arg(i)) << (8 * i);
        state.set_time(t, now);
        return answer(status);
    }
    case 0x77: {
        CommandOutcome out;
        out.kind = CommandOutcome::EnterLoader;
        return out;
    }
    default:
        return refuse(QStringLiteral("command 0x%1 not handled").arg(code, 2, 16, QLatin1Char('0')));
    }
}

}  // namespace sim
