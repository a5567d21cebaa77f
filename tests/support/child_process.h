#pragma once

// Ending a test's child process: at once (a pulled adapter, a server that
// goes away) or asked first and killed when it does not end in 3 s.
#include <QProcess>

namespace child_process {

inline void kill(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(3000);
}

inline void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        kill(process);
}

}  // namespace child_process
