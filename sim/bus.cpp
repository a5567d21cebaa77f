#include "bus.h"

#include <algorithm>

namespace sim {

Unit &Bus::add_unit(quint8 address)
{
    auto unit = std::make_unique<Unit>(address);
    unit->set_answers_broadcast(m_units.empty());
    unit->set_note_sink([this](Usec t, const QString &text) { m_log.add_note(t, text); });
    m_units.push_back(std::move(unit));
    return *m_units.back();
}

Unit *Bus::unit(quint8 address)
{
    for (auto &u : m_units)
        if (u->state().address == address)
            return u.get();
    return nullptr;
}

void Bus::feed(const QByteArray &bytes, Usec now, int line_baud)
{
    for (char c : bytes) {
        m_line.append(c);
        if (c == '\r' || m_line.size() >= 512) {
            m_log.add_request(now, m_line);
            m_line.clear();
        }
    }
    for (auto &u : m_units)
        u->feed(bytes, now, line_baud);
}

Usec Bus::next_due() const
{
    Usec next = kNever;
    for (const auto &u : m_units)
        next = std::min(next, u->next_due());
    return next;
}

QList<Chunk> Bus::take_due(Usec now)
{
    QList<Chunk> out;
    for (auto &u : m_units)
        out += u->take_due(now);
    std::stable_sort(out.begin(), out.end(), [](const Chunk &a, const Chunk &b) { return a.due < b.due; });
    for (const Chunk &c : out)
        m_log.add_answer(c.due, c.bytes);
    return out;
}

void Bus::clear_output()
{
    for (auto &u : m_units)
        u->clear_output();
}

}  // namespace sim
