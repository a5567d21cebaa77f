#pragma once

// mirval-cli as a child process: its exit status and what it printed.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

struct CliRun {
    int exit = -1;  // -1: did not finish in time or crashed
    QString out;
    QString err;

    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
    QStringList out_lines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Runs program in p (set up with its environment, a child modifier, ...)
// to its end.
inline CliRun run_cli_in(QProcess &p, const QString &program, const QStringList &arguments,
                         int timeout_ms = 60000)
{
    p.start(program, arguments);
    CliRun run;
    if (!p.waitForStarted(5000))
        return run;
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished(3000);
        return run;
    }
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        run.exit = p.exitCode();
    return run;
}

inline CliRun run_cli(const QStringList &arguments, int timeout_ms = 60000)
{
    QProcess p;
    return run_cli_in(p, QStringLiteral(MIRVAL_CLI_PATH), arguments, timeout_ms);
}
