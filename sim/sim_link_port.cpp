#include "sim_link_port.h"

#include <algorithm>
#include <thread>

namespace sim {

SimLinkPort::SimLinkPort(Bus *bus, const QString &name)
    : m_bus(bus), m_name(name), m_epoch(std::chrono::steady_clock::now())
{
}

Usec SimLinkPort::now() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_epoch)
        .count();
}

void SimLinkPort::sleep_until(Usec t) const
{
    std::this_thread::sleep_until(m_epoch + std::chrono::microseconds(t));
}

bool SimLinkPort::open(const QString &name, const LineSettings &settings)
{
    if (m_vanished || name != m_name) {
        m_error = QStringLiteral("No such file or directory");
        return false;
    }
    if (m_open) {
        m_error = QStringLiteral("Device is already open");
        return false;
    }
    m_open = true;
    m_baud = settings.baud_rate;
    m_error.clear();
    ++m_open_count;
    // Whatever the units sent while nobody listened is lost.
    const Usec t = now();
    m_bus->take_due(t);
    m_rx.clear();
    return true;
}

void SimLinkPort::close()
{
    m_open = false;
    m_rx.clear();
}

bool SimLinkPort::setBaudRate(int baud)
{
    if (baud <= 0)
        return false;
    m_baud = baud;
    return true;
}

qint64 SimLinkPort::write(const QByteArray &data)
{
    if (!m_open) {
        m_error = m_vanished ? QStringLiteral("The device was removed") : QStringLiteral("Port not open");
        return -1;
    }
    const Usec t = now();
    pump(t);
    if (data.isEmpty())
        return 0;
    // The bytes reach the units once they have crossed the line.
    const Usec start = std::max(t, m_tx_free);
    m_tx_start = start;
    m_tx_bytes = data.size();
    m_tx_free = LinePacer::byte_done(start, data.size(), m_baud);
    m_bus->feed(data, m_tx_free, m_baud);
    return data.size();
}

bool SimLinkPort::flush()
{
    return m_open;
}

qint64 SimLinkPort::bytesToWrite() const
{
    if (!m_open)
        return 0;
    const Usec t = now();
    if (t >= m_tx_free)
        return 0;
    qint64 sent = 0;
    while (sent < m_tx_bytes && LinePacer::byte_done(m_tx_start, sent + 1, m_baud) <= t)
        ++sent;
    return m_tx_bytes - sent;
}

void SimLinkPort::pump(Usec t)
{
    const QList<Chunk> chunks = m_bus->take_due(t);
    if (!m_open)
        return;
    for (const Chunk &c : chunks)
        m_rx.push(c.due, c.bytes, m_baud);
}

qint64 SimLinkPort::bytesAvailable()
{
    if (!m_open)
        return 0;
    const Usec t = now();
    pump(t);
    return m_rx.available(t);
}

QByteArray SimLinkPort::readAll()
{
    if (!m_open)
        return QByteArray();
    const Usec t = now();
    pump(t);
    return m_rx.take(t);
}

Usec SimLinkPort::next_event() const
{
    return std::min(m_rx.next_time(), m_bus->next_due());
}

bool SimLinkPort::waitForReadyRead(int msecs)
{
    if (!m_open)
        return false;
    const Usec start = now();
    const Usec deadline = msecs < 0 ? kNever / 2 : start + msec(msecs);
    for (;;) {
        const Usec t = now();
        pump(t);
        if (m_rx.available(t) > 0)
            return true;
        if (t >= deadline)
            return false;
        // Nothing else can feed the line while this thread sleeps, so the
        // next event is known exactly.
        const Usec next = next_event();
        sleep_until(std::min(deadline, std::max(next, t + 1)));
    }
}

bool SimLinkPort::waitForBytesWritten(int msecs)
{
    if (!m_open || bytesToWrite() == 0)
        return false;
    const Usec t = now();
    const Usec deadline = msecs < 0 ? m_tx_free : t + msec(msecs);
    sleep_until(std::min(deadline, m_tx_free));
    return true;
}

void SimLinkPort::vanish()
{
    m_vanished = true;
    m_open = false;
    m_rx.clear();
    // The adapter has gone from the line: what the units were still to send
    // it never arrives, also not once it is back.
    m_bus->take_due(kNever);
    m_error = QStringLiteral("The device was removed");
}

void SimLinkPort::reappear()
{
    m_vanished = false;
}

}  // namespace sim
