#include "line_pacer.h"

#include <algorithm>

namespace sim {

Usec LinePacer::byte_done(Usec start, qint64 n, int baud)
{
    if (baud <= 0)
        return start;
    return start + (n * 10 * 1000000) / baud;
}

void LinePacer::push(Usec ready, const QByteArray &bytes, int baud)
{
    if (bytes.isEmpty())
        return;
    const Usec start = std::max(ready, m_line_free);
    m_items.push_back(Item{start, bytes, baud});
    m_line_free = byte_done(start, bytes.size(), baud);
}

qint64 LinePacer::available(Usec now) const
{
    qint64 n = 0;
    for (const Item &item : m_items) {
        if (byte_done(item.start, item.bytes.size(), item.baud) <= now) {
            n += item.bytes.size() - item.sent;
            continue;
        }
        // Partly received: count the bytes whose last bit is in.
        // Estimate, then settle on exactly what byte_done() says, so that
        // available() and next_time() never disagree.
        const qint64 size = item.bytes.size();
        qint64 done = std::clamp<qint64>(((now - item.start) * item.baud) / (10 * 1000000), 0, size);
        while (done < size && byte_done(item.start, done + 1, item.baud) <= now)
            ++done;
        while (done > 0 && byte_done(item.start, done, item.baud) > now)
            --done;
        n += std::max<qint64>(0, done - item.sent);
        break;
    }
    return n;
}

QByteArray LinePacer::take(Usec now)
{
    QByteArray out;
    qint64 want = available(now);
    while (want > 0 && !m_items.empty()) {
        Item &item = m_items.front();
        const qint64 here = std::min<qint64>(want, item.bytes.size() - item.sent);
        out.append(item.bytes.mid(item.sent, here));
        item.sent += int(here);
        want -= here;
        if (item.sent == item.bytes.size())
            m_items.pop_front();
    }
    return out;
}

Usec LinePacer::next_time() const
{
    if (m_items.empty())
        return kNever;
    const Item &item = m_items.front();
    return byte_done(item.start, item.sent + 1, item.baud);
}

qint64 LinePacer::pending() const
{
    qint64 n = 0;
    for (const Item &item : m_items)
        n += item.bytes.size() - item.sent;
    return n;
}

void LinePacer::clear()
{
    m_items.clear();
}

}  // namespace sim
