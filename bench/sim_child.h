#pragma once

// mirval-sim as a child process whose output goes to a file, so that
// reading it costs the measured process nothing.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace bench {

class SimChild {
public:
    ~SimChild() { stop(); }

    // Starts the simulator with arguments and waits for the port it published.
    bool start(const QStringList &arguments, QString *error);
    void stop();

    QString port() const { return m_port; }
    // Requests the simulator has logged so far.
    int requests() const;

private:
    QStringList output_lines() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_port;
};

}  // namespace bench
