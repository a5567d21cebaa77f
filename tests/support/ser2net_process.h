#pragma once

// ser2net as a child process in front of pseudo-terminals: one telnet
// RFC 2217 port on 127.0.0.1 for each device, the configuration generated
// into a directory of its own, killed as a network server that goes away.
#include "child_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

class Ser2netProcess {
public:
    ~Ser2netProcess() { stop(); }

    static QString program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/usr/bin"});
    }

    // The device behind a virtual port's name (ttySIM0 -> /dev/pts/N).
    static QString device_of(const QString &port_name)
    {
        const QString link =
            QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")) + "/mirval/ports/" + port_name;
        return QFileInfo(link).canonicalFilePath();
    }

    // A port on 127.0.0.1 that nothing listens at just now.
    static quint16 free_port()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return 0;
        return probe.serverPort();
    }

    // Starts ser2net with one connection per device; false when it does not
    // listen on every port within five seconds.
    bool start(const QStringList &devices)
    {
        stop();
        m_ports.clear();
        if (!m_dir.isValid() || program().isEmpty())
            return false;
        QFile config(m_dir.filePath("ser2net.yaml"));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QTextStream out(&config);
        for (int i = 0; i < devices.size(); ++i) {
            const quint16 port = free_port();
            if (port == 0)
                return false;
            m_ports << port;
            out << "connection: &unit" << i << "\n"
                << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port << "\n"
                << "  connector: serialdev," << devices[i] << ",4800n81,local\n"
                << "  options:\n"
                << "    kickolduser: true\n";
        }
        out.flush();
        config.close();
        // A test aborted by its watchdog takes the server with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program(),
                        {"-n", "-d", "-u", "-P", m_dir.filePath("ser2net.pid"), "-c", config.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            if (m_process.state() == QProcess::NotRunning)
                return false;
            if (all_listening())
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    QString url(int i = 0) const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_ports.value(i)); }
    quint16 port(int i = 0) const { return m_ports.value(i); }

    // The server goes away without a word: its connections are reset.
    void kill() { child_process::kill(m_process); }
    void stop() { child_process::stop(m_process); }

    QString output() { return QString::fromUtf8(m_process.readAll()); }

    // Waits until the server has closed device, as it does after its client
    // went; false when it still holds it after ms. Another program may then
    // open the device without the server reading its answers away.
    bool wait_released(const QString &device, int ms = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        const QString fds = QStringLiteral("/proc/%1/fd").arg(m_process.processId());
        while (clock.elapsed() < ms) {
            bool held = false;
            for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::System | QDir::NoDotAndDotDot))
                held = held || fd.symLinkTarget() == device;
            if (!held)
                return true;
            QThread::msleep(10);
        }
        return false;
    }

private:
    // Every port in LISTEN state on 127.0.0.1, as the kernel lists them.
    bool all_listening() const
    {
        QFile tcp(QStringLiteral("/proc/net/tcp"));
        if (!tcp.open(QIODevice::ReadOnly))
            return false;
        const QString table = QString::fromLatin1(tcp.readAll());
        for (const quint16 port : m_ports) {
            const QString local = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
            bool found = false;
            for (const QString &line : table.split('\n')) {
                const QStringList f = line.simplified().split(' ');
                if (f.size() > 3 && f[1].toUpper() == local && f[3] == QLatin1String("0A"))
                    found = true;
            }
            if (!found)
                return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QList<quint16> m_ports;
};
