#pragma once

// Main windows with scripted dialogs. WindowRig holds what every rig shares:
// the services it starts from, the parts of the window the tests read and
// drive. RealWindow is on the system's port list and real ports; SimWindow
// (tests/gui) has an in-process unit behind it.
#include "mainwindow.h"
#include "scripted_dialogs.h"
#include "ui_mainwindow.h"

#include <QtTest>

class WindowRig {
public:
    // Changes the window's services before the window is made.
    using Adjust = std::function<void(MainWindowServices &)>;

    const Ui::MainWindow &ui() { return window->form(); }
    UnitSession &session() { return window->session(); }
    UnitModel &model() { return window->model(); }
    PortWatcher &port_watcher() { return window->port_watcher(); }
    Timing &timing() { return session().timing(); }
    bool connected() { return session().state() == ConnectionState::Connected; }
    // Presses the start button, as the user does.
    void press_start() { ui().searchButton->released(); }
    // The fewest attempts and idle ticks the line settings allow: 2 attempts
    // of 25 idle ticks.
    void short_time_outs()
    {
        session().link_settings().repeat_index = 0;
        session().link_settings().wait_index = 0;
    }

    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::unique_ptr<MainWindow> window;

protected:
    // Makes the window with services and the scripted dialogs, as adjust
    // leaves them.
    void make_window(MainWindowServices services, const Adjust &adjust)
    {
        services.dialogs = dialogs;
        if (adjust)
            adjust(services);
        window = std::make_unique<MainWindow>(services);
    }
};

// adjust may replace the list or the ports. The window comes with the
// constructor or, for a test that starts its unit first, with open().
class RealWindow : public WindowRig {
public:
    RealWindow() = default;
    // watch_interval_ms: how often the window looks at the system's ports.
    explicit RealWindow(int watch_interval_ms, const Adjust &adjust = {}) { open(watch_interval_ms, adjust); }

    void open(int watch_interval_ms, const Adjust &adjust = {})
    {
        MainWindowServices services;
        services.watch_interval_ms = watch_interval_ms;
        make_window(services, adjust);
    }
    // Waits up to wait_ms for name in the port list and selects it; false
    // when it did not appear.
    bool select_port(const QString &name, int wait_ms = 2000)
    {
        if (!QTest::qWaitFor([&] { return ui().comPortComboBox->findText(name) >= 0; }, wait_ms))
            return false;
        ui().comPortComboBox->setCurrentText(name);
        return true;
    }
    // Selects name, sets the address and presses "Старт", as the user does;
    // false when the port did not appear.
    bool start(const QString &name, int address)
    {
        if (!select_port(name))
            return false;
        ui().addres->setValue(address);
        press_start();
        return true;
    }
};
