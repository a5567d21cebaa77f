#include "sim_child.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace bench {

bool SimChild::start(const QStringList &arguments, QString *error)
{
    stop();
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary directory for the simulator's output");
        return false;
    }
    // The simulator does not outlive an aborted benchmark.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("sim.log")));
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("sim.err")));
    m_process.start(QStringLiteral(MIRVAL_SIM_PATH), arguments);
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("mirval-sim did not start: ") + m_process.errorString();
        return false;
    }
    // The first line is the port name; look for it every 10 ms for 5 s.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && m_process.state() == QProcess::Running) {
        QFile log(m_dir.filePath(QStringLiteral("sim.log")));
        if (log.open(QIODevice::ReadOnly)) {
            const QByteArray text = log.readAll();
            const qsizetype end = text.indexOf('\n');
            if (end > 0) {
                m_port = QString::fromUtf8(text.left(end)).trimmed();
                return true;
            }
        }
        QThread::msleep(10);
    }
    QFile err(m_dir.filePath(QStringLiteral("sim.err")));
    err.open(QIODevice::ReadOnly);
    *error = QStringLiteral("mirval-sim published no port: ") + QString::fromUtf8(err.readAll()).trimmed();
    stop();
    return false;
}

void SimChild::stop()
{
    m_port.clear();
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QStringList SimChild::output_lines() const
{
    QFile log(m_dir.filePath(QStringLiteral("sim.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int SimChild::requests() const
{
    int n = 0;
    for (const QString &line : output_lines())
        if (line.section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty) == QLatin1String(">"))
            ++n;
    return n;
}

}  // namespace bench
