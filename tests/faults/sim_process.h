#pragma once

// mirval-sim as a child process: its port name, control commands on its
// standard input, what it printed, and killing it as a pulled adapter.
#include "child_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <sys/prctl.h>

class SimProcess {
public:
    ~SimProcess() { stop(); }

    // mirval-sim publishes its ports under XDG_RUNTIME_DIR, which must be a
    // directory of the user's own: makes it one. False when it is not set.
    static bool make_runtime_dir()
    {
        const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
        if (runtime.isEmpty())
            return false;
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return true;
    }

    // Starts mirval-sim with arguments; false when it did not publish a port.
    bool start(const QStringList &arguments)
    {
        m_lines.clear();
        m_partial.clear();
        // A test that is aborted by its watchdog takes the simulator with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(QStringLiteral(MIRVAL_SIM_PATH), arguments);
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (m_lines.isEmpty() && clock.elapsed() < 5000) {
            m_process.waitForReadyRead(100);
            read_lines();
        }
        m_port = m_lines.isEmpty() ? QString() : m_lines.first();
        return m_port.startsWith(QStringLiteral("ttySIM"));
    }

    // Sends a control line and waits, without running the event loop, for
    // the simulator's acknowledgement; false when it refused or did not answer.
    bool control(const QString &line)
    {
        const int from = int(m_lines.size());
        m_process.write(line.toUtf8() + '\n');
        m_process.waitForBytesWritten(1000);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3000) {
            read_lines();
            for (int i = from; i < m_lines.size(); ++i) {
                if (m_lines[i].contains(QStringLiteral("control refused")))
                    return false;
                const qsizetype at = m_lines[i].indexOf(QStringLiteral("control: "));
                if (at >= 0) {
                    m_reply = m_lines[i].mid(at + 9);
                    return true;
                }
            }
            m_process.waitForReadyRead(50);
        }
        return false;
    }

    // The adapter is pulled out: no clean-up, the link is left dangling.
    void kill() { child_process::kill(m_process); }
    void stop() { child_process::stop(m_process); }

    // Every line printed so far (the port name first).
    const QStringList &lines()
    {
        read_lines();
        return m_lines;
    }

    // What the simulator answered to the last accepted control line.
    QString reply() const { return m_reply; }
    // Drops the lines printed so far (a long run would keep them all).
    void forget()
    {
        read_lines();
        m_lines.clear();
    }

    QString port() const { return m_port; }
    QProcess &process() { return m_process; }

private:
    void read_lines()
    {
        m_partial += m_process.readAllStandardOutput();
        for (qsizetype end; (end = m_partial.indexOf('\n')) >= 0;) {
            m_lines << QString::fromUtf8(m_partial.left(end)).trimmed();
            m_partial.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QStringList m_lines;
    QByteArray m_partial;
    QString m_port;
    QString m_reply;
};
