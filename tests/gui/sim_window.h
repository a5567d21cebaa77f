#pragma once

// A main window wired to an in-process simulated unit on port "ttySIM0",
// with scripted dialogs and shortened waits. One per test function.
#include "sim_link_port.h"
#include "window_rig.h"

#include <QtTest>

class SimWindow : public WindowRig {
public:
    // settings_file: where the window remembers its last connection (the
    // address then comes from there); empty: nothing is remembered. adjust
    // changes the window's services before the window is made.
    explicit SimWindow(quint8 address = 1, const QString &settings_file = QString(),
                       const Adjust &adjust = {})
        : unit(bus.add_unit(address))
    {
        MainWindowServices services;
        services.timing = short_timing();
        services.enumerate = [this] { return ports; };
        services.make_port = [this](const QString &) -> std::unique_ptr<SerialPort> {
            ++ports_made;
            return std::make_unique<sim::SimLinkPort>(&bus, port_name);
        };
        services.network_ports = [] { return QStringList(); };
        services.watch_interval_ms = 3600 * 1000;
        services.settings_file = settings_file;
        // The event-log viewer is counted, not run modally.
        services.show_viewer = [this](proto &) { ++viewers_shown; };
        make_window(services, adjust);
        if (settings_file.isEmpty())
            window->form().addres->setValue(address);
    }
    // The window goes before the bus its port talks to.
    ~SimWindow() { window.reset(); }

    // Waits shortened so that time-outs cost milliseconds: a silent attempt
    // is MWAIT ticks of 1 ms.
    static Timing short_timing()
    {
        Timing t;
        t.tick_ms = 1;
        t.pre_wait_ms = 2;
        t.poll_period_ms = 5;
        t.settle_ms = 1;
        return t;
    }
    sim::SimLinkPort *port() { return static_cast<sim::SimLinkPort *>(session().port()); }
    // Makes port the window's line, opened as a connection opens it, for a
    // test that scripts every byte; the session owns it from now on.
    template <typename Port> Port *take_line(std::unique_ptr<Port> port)
    {
        Port *line = port.get();
        auto held = std::make_shared<std::unique_ptr<Port>>(std::move(port));
        session().set_port_maker(
            [held](const QString &) -> std::unique_ptr<SerialPort> { return std::move(*held); });
        if (!session().open_line(port_name))
            qFatal("the scripted line did not open");
        return line;
    }
    // Payloads the unit received from now on.
    void forget_requests() { bus.log().clear(); }
    QList<QByteArray> requests() { return bus.log().request_payloads(); }
    // Lets the poll timer run for about ms.
    void run_for(int ms) { QTest::qWait(ms); }

    sim::Bus bus;
    sim::Unit &unit;
    QStringList ports{QStringLiteral("ttySIM0")};
    QString port_name = QStringLiteral("ttySIM0");  // the name the unit's port opens by
    int ports_made = 0;
    int viewers_shown = 0;
};
