#pragma once

// CPU time and peak memory of this process.
#include <QElapsedTimer>
#include <QFile>

#include <ctime>

namespace bench {

// CPU time of every thread of the process.
inline qint64 process_cpu_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// CPU time over wall time since construction: 1.0 is one core kept busy.
class CpuShare {
public:
    CpuShare() : m_cpu0(process_cpu_ns()) { m_wall.start(); }
    double share() const { return double(cpu_ns()) / double(qMax<qint64>(m_wall.nsecsElapsed(), 1)); }
    qint64 cpu_ns() const { return process_cpu_ns() - m_cpu0; }
    double wall_ms() const { return double(m_wall.nsecsElapsed()) / 1e6; }

private:
    qint64 m_cpu0;
    QElapsedTimer m_wall;
};

// Peak resident set size in KiB (VmHWM), 0 when the system does not say.
inline qint64 peak_rss_kib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

}  // namespace bench
