#pragma once

// A main window wired to an in-process simulated unit on port "ttySIM0",
// with scripted dialogs and shortened waits. One per test function.
#include "common/timing.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "mainwindow.h"
#include "scripted_dialogs.h"
#include "sim_link_port.h"
#include "ui_mainwindow.h"

#include <QtTest>

class SimWindow {
public:
    // settings_file: where the window remembers its last connection (the
    // address then comes from there); empty: nothing is remembered.
    explicit SimWindow(quint8 address = 1, const QString &settings_file = QString())
        : unit(bus.add_unit(address))
    {
        // Waits shortened so that time-outs cost milliseconds: a silent
        // attempt is MWAIT ticks of 1 ms.
        timing().tick_ms = 1;
        timing().pre_wait_ms = 2;
        timing().poll_period_ms = 5;
        timing().settle_ms = 1;
        link_settings = LinkSettings();
        exchange_busy = 0;
        controls_frozen = 0;
        poll_fail_count = 0;
        dialogs = std::make_shared<ScriptedDialogs>();
        MainWindowServices services;
        services.dialogs = dialogs;
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
        window = std::make_unique<MainWindow>(services);
        if (settings_file.isEmpty())
            window->ui->addres->setValue(address);
    }
    ~SimWindow()
    {
        window.reset();
        exchange_busy = 0;
    }

    // The fewest attempts and idle ticks the line settings allow: an
    // unanswered request costs some 25 ms.
    static void short_time_outs()
    {
        link_settings.repeat_index = 0;
        link_settings.wait_index = 0;
    }

    Ui::MainWindow &ui() { return *window->ui; }
    sim::SimLinkPort *port() { return static_cast<sim::SimLinkPort *>(window->port.get()); }
    bool connected() { return ui().searchButton->text() == QStringLiteral("Стоп"); }
    // Presses the start button, as the user does.
    void press_start() { ui().searchButton->released(); }
    // Payloads the unit received from now on.
    void forget_requests() { bus.log().clear(); }
    QList<QByteArray> requests() { return bus.log().request_payloads(); }
    // Lets the poll timer run for about ms.
    void run_for(int ms) { QTest::qWait(ms); }

    ScopedTiming saved_timing;
    sim::Bus bus;
    sim::Unit &unit;
    std::shared_ptr<ScriptedDialogs> dialogs;
    QStringList ports{QStringLiteral("ttySIM0")};
    QString port_name = QStringLiteral("ttySIM0");  // the name the unit's port opens by
    int ports_made = 0;
    int viewers_shown = 0;
    std::unique_ptr<MainWindow> window;
};
