// mirval-sim: simulated units on a virtual serial port.

#include "control.h"
#include "sim_config.h"

#include "link/virtual_ports.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

#ifdef Q_OS_UNIX
#include "control_input.h"
#include "pty_host.h"
#include "signal_watcher.h"
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirval-sim"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    sim::SimSetup setup;
    QString message;
    switch (sim::parse_command_line(QCoreApplication::arguments(), &setup, &message)) {
    case sim::ParseResult::Help:
        out << message << Qt::endl;
        return 0;
    case sim::ParseResult::Error:
        err << "mirval-sim: " << message << Qt::endl;
        return 2;
    case sim::ParseResult::Ok:
        break;
    }

#ifdef Q_OS_UNIX
    if (virtual_ports::directory().isEmpty()) {
        err << "mirval-sim: no runtime directory for virtual ports: $XDG_RUNTIME_DIR (or "
               "<temp>/runtime-<user> when it is unusable) must be a directory with "
               "permissions 0700"
            << Qt::endl;
        return 3;
    }

    const quint32 clock_start =
        setup.clock_start >= 0 ? quint32(setup.clock_start) : quint32(QDateTime::currentSecsSinceEpoch());
    sim::Bus bus;
    if (!sim::build_bus(setup, &bus, clock_start, &message)) {
        err << "mirval-sim: " << message << Qt::endl;
        return 2;
    }

    sim::PtyHost host(&bus);
    host.set_pace_input(setup.pace_input);
    if (!host.start(&message)) {
        err << "mirval-sim: cannot publish a virtual port: " << message << Qt::endl;
        return 4;
    }
    out << host.port_name() << Qt::endl;  // the first line is the port name
    bus.log().set_listener([&out](const sim::LogEntry &e) { out << sim::RequestLog::format(e) << Qt::endl; });
    // Printed entries are all a long run needs; keep only a short tail.
    bus.log().set_limit(1000);

    // Faults and the unit's speed can be changed while running, from stdin.
    sim::ControlInput control(0);
    QObject::connect(&control, &sim::ControlInput::line, &app, [&bus, &host](const QString &text) {
        QString reply;
        const bool ok = sim::apply_control_line(bus, text, &reply);
        // Switched off, a fault leaves nothing behind on the line.
        if (ok && (text.startsWith(QLatin1String("clear")) || text.startsWith(QLatin1String("reset"))))
            host.drop_output();
        bus.log().add_note(host.now(),
                           (ok ? QStringLiteral("control: ") : QStringLiteral("control refused: ")) + reply);
    });

    sim::SignalWatcher signals_in;
    QObject::connect(&signals_in, &sim::SignalWatcher::received, &app, [&app](int) { app.quit(); });
    if (setup.quit_after_ms >= 0)
        QTimer::singleShot(setup.quit_after_ms, &app, &QCoreApplication::quit);

    const int rc = app.exec();
    host.stop();
    return rc;
#else
    err << "mirval-sim: virtual ports need a POSIX system" << Qt::endl;
    return 3;
#endif
}
