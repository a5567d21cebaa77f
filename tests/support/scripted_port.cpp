#include "scripted_port.h"

#include <QThread>
#include <algorithm>

ScriptedPort::ScriptedPort()
{
    m_clock.start();
}

bool ScriptedPort::open(const QString &name, const LineSettings &settings)
{
    opened_name = name;
    if (fail_open)
        return false;
    m_open = true;
    m_baud = settings.baud_rate;
    baud_history << m_baud;
    return true;
}

bool ScriptedPort::setBaudRate(int baud)
{
    m_baud = baud;
    baud_history << baud;
    return true;
}

qint64 ScriptedPort::write(const QByteArray &data)
{
    if (!m_open)
        return -1;
    writes << Write{now_ms(), data};
    QList<Chunk> reply;
    if (responder)
        reply = responder(data);
    else if (!answers.isEmpty())
        reply = answers.takeFirst();
    const qint64 now = now_ms();
    for (const Chunk &c : reply)
        m_pending << Pending{now + c.delay_ms, c.bytes};
    sort_pending();
    return data.size();
}

void ScriptedPort::inject(const QByteArray &bytes, int delay_ms)
{
    m_pending << Pending{now_ms() + delay_ms, bytes};
    sort_pending();
}

void ScriptedPort::sort_pending()
{
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Pending &a, const Pending &b) { return a.due_ms < b.due_ms; });
}

void ScriptedPort::move_due()
{
    const qint64 now = now_ms();
    int due = 0;
    while (due < m_pending.size() && m_pending[due].due_ms <= now)
        m_available += m_pending[due++].bytes;
    m_pending.remove(0, due);
}

qint64 ScriptedPort::bytesAvailable()
{
    if (!m_open)
        return 0;
    move_due();
    return m_available.size();
}

QByteArray ScriptedPort::readAll()
{
    move_due();
    const QByteArray out = m_available;
    m_available.clear();
    if (!out.isEmpty())
        reads << Read{now_ms(), out};
    return out;
}

bool ScriptedPort::waitForReadyRead(int msecs)
{
    if (!m_open)
        return false;
    const qint64 deadline = now_ms() + msecs;
    for (;;) {
        move_due();
        if (!m_available.isEmpty())
            return true;
        const qint64 now = now_ms();
        if (now >= deadline)
            return false;
        qint64 until = deadline;
        if (!m_pending.isEmpty())
            until = std::min(until, m_pending.first().due_ms);
        QThread::msleep(ulong(std::max<qint64>(1, until - now)));
    }
}
