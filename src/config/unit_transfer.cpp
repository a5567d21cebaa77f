#include "config/unit_transfer.h"

#include "link/exchange.h"
#include "link/frames.h"

#include <initializer_list>

namespace {

QByteArray payload_of(std::initializer_list<int> bytes)
{
    QByteArray p;
    p.reserve(int(bytes.size()));
    for (int b : bytes)
        p.append(char(b & 0xFF));
    return p;
}

// Runs the requests of one operation in order: the progress value before
// each request, the transaction, and the cancel check after it.
class Sequence {
public:
    Sequence(const TransferHooks &hooks, bool pre_wait) : m_hooks(hooks), m_pre_wait(pre_wait) {}

    // Sends payload, leaving the answer in it; false when the exchange failed.
    // The last request of the operation reports no progress.
    bool exchange(QByteArray &payload, bool last)
    {
        if (!last && m_hooks.progress)
            m_hooks.progress(m_step);
        ++m_step;
        return m_hooks.send && m_hooks.send(payload, m_pre_wait) == 0;
    }

    bool cancelled() const { return m_hooks.cancelled && m_hooks.cancelled(); }

private:
    const TransferHooks &m_hooks;
    bool m_pre_wait;
    int m_step = 0;
};

// Answer byte 1 as the unit means it: a signed 8-bit value.
qint32 value_of(const QByteArray &answer)
{
    return qint32(qint8(quint8(answer_byte(answer, 1))));
}

}  // namespace

TransferHooks exchange_hooks(Exchange &exchange)
{
    TransferHooks hooks;
    hooks.send = [&exchange](QByteArray &payload, bool pre_wait) {
        return exchange.SendCommand(payload, pre_wait);
    };
    return hooks;
}

bool read_unit_config(const TransferHooks &hooks, int address, UnitConfig &out)
{
    out = UnitConfig();
    Sequence seq(hooks, false);

    // One value into field; the value is kept even when a cancel follows.
    auto read = [&seq](QByteArray payload, qint32 &field, bool last = false) {
        if (!seq.exchange(payload, last))
            return false;
        field = value_of(payload);
        return last || !seq.cancelled();
    };

    // The mode map, two bits per channel, channel 1 lowest, from the unit
    // being read: at address 0 only the first unit of a line answers, and a
    // line of several units would give every unit's file the first one's
    // modes.
    QByteArray modes = payload_of({quint8(address), 0x05});
    if (!seq.exchange(modes, false))
        return false;
    const int map = answer_byte(modes, 1);
    for (int n = 1; n <= kChannelCount; ++n)
        out.channels[n - 1].regim = (map >> (2 * (n - 1))) & 3;
    if (seq.cancelled())
        return false;

    for (int n = 1; n <= kChannelCount; ++n) {
        ChannelSettings &c = out.channels[n - 1];
        if (c.regim == ModeOff)
            continue;
        auto per_channel = [&](int code, qint32 &field) {
            return read(payload_of({address, code, n}), field);
        };
        if (!per_channel(0x11, c.porog) || !per_channel(0x0F, c.usilenie) || !per_channel(0x12, c.arp) ||
            !per_channel(0x13, c.impuls) || !per_channel(0x14, c.pauza) || !per_channel(0x15, c.okno) ||
            !per_channel(0x16, c.schet) || !per_channel(0x1A, c.trevoga))
            return false;
        if (c.regim == ModeLf) {
            if (!per_channel(0x10, c.rezhektsiya) || !per_channel(0x0E, c.predustanovka))
                return false;
        } else if (c.regim == ModeHf) {
            // The cut values carry no channel byte: the unit answers for the
            // channel of the preceding per-channel request.
            if (!read(payload_of({address, 0x21}), c.perepil_porog) ||
                !read(payload_of({address, 0x22}), c.perepil_vremj))
                return false;
        }
    }

    return read(payload_of({address, 0x18}), out.kross) && read(payload_of({address, 0x19}), out.zaderzhka) &&
           read(payload_of({address, 0x1C}), out.blokirovka, true);
}

bool write_unit_config(const TransferHooks &hooks, int address, const UnitConfig &config)
{
    Sequence seq(hooks, true);

    auto write = [&seq](QByteArray payload, bool last = false) {
        return seq.exchange(payload, last) && (last || !seq.cancelled());
    };

    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings &c = config.channels[n - 1];
        auto per_channel = [&](int code, qint32 value) {
            return write(payload_of({address, code, n, value}));
        };
        if (!per_channel(0x38, c.regim))
            return false;
        if (hooks.mode_written)
            hooks.mode_written(n, c.regim & 0xFF);
        // The preset goes first: it overwrites the values that follow it.
        if (c.regim == ModeLf && !per_channel(0x2C, c.predustanovka))
            return false;
        if (!per_channel(0x2F, c.porog) || !per_channel(0x2D, c.usilenie) || !per_channel(0x30, c.arp) ||
            !per_channel(0x31, c.impuls) || !per_channel(0x32, c.pauza) || !per_channel(0x33, c.okno) ||
            !per_channel(0x34, c.schet) || !per_channel(0x3F, c.trevoga))
            return false;
        if (c.regim == ModeLf && !per_channel(0x2E, c.rezhektsiya))
            return false;
        if (c.regim == ModeHf && (!per_channel(0x3C, c.perepil_porog) || !per_channel(0x3D, c.perepil_vremj)))
            return false;
    }

    return write(payload_of({address, 0x36, config.kross})) &&
           write(payload_of({address, 0x37, config.zaderzhka})) &&
           write(payload_of({address, 0x3A, config.blokirovka}), true);
}
