#pragma once

#include "channels/parameters.h"
#include "common/user_dialogs.h"
#include "config/unit_config.h"
#include "link/exchange.h"
#include "link/port_watcher.h"
#include "link/serial_port.h"
#include "signal/poll_sample.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class MainWindow;
}
class LevelPlotWindow;
class proto;
class prog;
class QComboBox;
class QMenu;
struct TransferHooks;
struct UnitLink;

// While nonzero, set_controls_enabled changes nothing: an operation made of
// many transactions keeps the controls locked throughout.
extern int controls_frozen;
// The "Кросс" tab has been entered and not yet left.
extern int cross_tab_armed;
// Status polls in a row that got no answer; 20 end the connection.
extern int poll_fail_count;

// What the window needs from the outside world; tests replace each part.
struct MainWindowServices {
    std::shared_ptr<UserDialogs> dialogs;  // null: the real dialogs
    PortWatcher::Enumerate enumerate;      // null: the system's and the virtual ports
    // The port that opens a name of the list; null: the core's make_port.
    std::function<std::unique_ptr<SerialPort>(const QString &name)> make_port;
    // The network ports of the settings file; null: network_ports::read().
    std::function<QStringList()> network_ports;
    std::function<void(proto &viewer)> show_viewer;   // null: the viewer runs modally
    std::function<void(prog &dialog)> show_progress;  // null: the firmware progress is shown
    int watch_interval_ms = 500;
    // The port given on the command line (--port): selected whenever the list
    // holds it, ahead of the remembered one; a network port or a device path
    // is added to the list.
    QString chosen_port;
    // Where the last connection's port, address and line speed are kept
    // between runs; empty: nothing is remembered (the tests' default).
    QString settings_file;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    MainWindow(MainWindowServices services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Enables or disables the controls by the locking rule. Without a
    // connection (no open port) true acts as false: an operation that ends
    // after the connection did leaves the window as "Стоп" does.
    void set_controls_enabled(bool enable);
    void set_state_label(int row);

    // A unit is connected, or being connected: the port is open.
    bool connected() const;

    // Reads the settings of channel (1..4) into the form; 0 on success. A
    // failure leaves the controls locked and the poll stopped.
    int read_channel_settings(int channel);

    // Pairing: the mask the cross lists ask for, sending it, showing it.
    void apply_cross_selection();
    void send_cross_mask();
    void show_cross_mask();

    // The whole configuration of the unit at address, read or written request
    // by request behind a progress dialog; the write ends with a read-back.
    bool read_unit_config(int address, UnitConfig &out);
    void write_unit_config(int address, const UnitConfig &config);

    // One transaction with the unit (see Exchange::SendCommand).
    int SendCommand(QByteArray &buffer, bool pre_wait);
    void wait_ms(int ms);

    // The program's state, open to the tests and tools that drive the window.
    // Where the file dialogs start: the current directory, then the folder
    // of the file last picked for saving or loading.
    QString config_dir;
    signed char channel_mode[5] = {0, 0, 0, 0, 0};  // by channel number 1..4
    unsigned char cross_on[5] = {0, 0, 0, 0, 0};    // by channel number 1..4
    signed char current_channel = 1;
    int unit_address = 0;
    int unit_version = 1;
    int last_state = 0;
    int setters_armed = 1;
    int cur_porog = 0, cur_usilenie = 0, cur_arp = 0, cur_pause = 0, cur_impuls = 0, cur_okno = 0,
        cur_schet = 0, cur_trevoga = 0, cur_zad = 0, cur_block = 0, cur_reject = 0, cur_onoff = 0;
    unsigned char prev_cross_mask = 0;
    int cur_pred = 0;
    int cur_p_perepil = 0, cur_t_perepil = 0;
    unsigned char cross_mask = 0;
    std::unique_ptr<Ui::MainWindow> ui;
    QTimer *poll_timer = nullptr;
    Exchange *exchange = nullptr;  // tick timer, waits and both transaction engines
    float last_level = 0;
    PortWatcher *enumerator = nullptr;
    std::unique_ptr<SerialPort> port;
    int speed_search = 0;

    UserDialogs &dialogs() { return *m_dialogs; }

    // Replaces the unit's firmware with a file the user picks ("Сменить
    // прошивку…" in the context menu of the version label). Connected by
    // pointer: there is no progButton for the form to connect it by name.
    void on_progButton_released();
    // The version label's context menu, built afresh; its one entry runs the
    // firmware update once the menu has closed and is enabled only while a
    // unit is connected.
    std::unique_ptr<QMenu> version_menu();
    // Finds the units on the chosen port ("Найти блоки…" in the context menu
    // of the address box): opens the port as a connection does, asks every
    // address behind a progress dialog, lists those that answered with their
    // firmware versions, and puts the one picked into "Адрес". Only while no
    // unit is connected.
    void find_units();
    std::unique_ptr<QMenu> address_menu();

    // The state label's context menu, built afresh; its first entry opens
    // the level plot.
    std::unique_ptr<QMenu> state_menu();
    // Opens the level plot, created when first asked for, or brings it to
    // the front; it lives until it is closed.
    void open_level_plot();
    LevelPlotWindow *level_plot() const;
    // The status poll as it returns: the decoded reading, none when no
    // answer came or it did not decode.
    void report_poll(const std::optional<answers::PollReading> &reading);

signals:
    // Every status poll, answered or not, once the label shows its outcome.
    void poll_sampled(const PollSample &sample);

public slots:
    void start();
    void ch_chn(int index);
    void ch_porog(int index);
    void ch_usilenie(int index);
    void ch_arp(int index);
    void ch_impuls(int index);
    void ch_pause(int index);
    void ch_okno(int index);
    void ch_schet(int index);
    void ch_trevoga(int index);
    void ch_zad(int index);
    void ch_block(int index);
    void ch_reject(int index);
    void ch_onoff(int index);
    void ch_filtr();
    void ch_pred(int index);
    void cross1(int index);
    void cross2(int index);
    void cross3(int index);
    void cross4(int index);
    void ch_p_perepil(int index);
    void ch_t_perepil(int index);
    void dk();
    void yroven();
    void ampl();
    void show_info(int state_byte);
    void g_point();
    // Time texts of t (seconds since 1970 UTC; 0: now), see services/unit_time.
    QString DATE(qint64 T = 0);
    QString FDATE(qint64 T = 0);
    void on_getTime_released();
    void on_setTime_released();
    void on_clearProtokol_released();
    void on_getProtokol_released();
    void on_saveCfg_released();
    void on_loadCfg_released();
    void onDeviceDiscovered(const PortInfo &info);
    void onDeviceRemoved(const PortInfo &info);
    void on_tabWidget_currentChanged(int index);
    void on_pushButton_2_released();

private:
    // Widens the window, if need be, until every tab title shows.
    void fit_tab_titles();
    // The list: the system's and the virtual ports present, then the fixed
    // ones (port_list.cpp).
    void set_up_port_list();
    void refill_port_list();
    // The network ports of the settings file, and a network port or device
    // path that was chosen or remembered: they stay in the list whatever the
    // watcher sees.
    void add_fixed_port(const QString &name);
    // The remembered port, address and line speed into the form and the line
    // settings (remembered_settings.cpp); and the connection just made into
    // the file.
    void restore_remembered_connection();
    void remember_connection(const QString &port_name);
    // The port-open failure: the prescribed message, the reason under it.
    void port_open_failed(const QString &port_name);
    // informative: the reason under the text, if there is one to tell.
    int critical(const QString &text, const QString &informative = QString());

    // Marks a slot-level operation (a setter, a read-back, a measurement, a
    // transfer, ...) for its whole run. A press of "Стоп" that comes
    // meanwhile waits until the outermost one has returned, and a port that
    // goes meanwhile is kept in memory until then (it may be referenced down
    // the stack). A port found closed when the outermost one returns ends the
    // connection, also one that never reported its loss.
    class OperationScope {
    public:
        explicit OperationScope(MainWindow &window) : m_window(window) { ++m_window.m_operation_depth; }
        ~OperationScope();
        OperationScope(const OperationScope &) = delete;
        OperationScope &operator=(const OperationScope &) = delete;

    private:
        MainWindow &m_window;
    };

    void connect_unit();
    void disconnect_unit();
    void connection_failed();
    // The unit is out of reach (twenty polls unanswered, or the port reports
    // the line gone): "Нет ответа от блока!" with informative under it, then
    // the connection ends at once, whatever operation is on the stack.
    void end_connection(const QString &informative);
    // The port of connection number `connection` reported its line gone.
    void line_lost(int connection);
    // An operation's failure message; none once the connection has ended
    // (the user has been told, or pressed "Стоп").
    void operation_failed(const QString &text);
    // Puts a list back to a confirmed index. While connected its index change
    // sends that value again; on an ended connection nothing is sent.
    void restore_list(QComboBox *box, int index);
    // Starts the status poll, if there still is a connection to poll.
    void start_poll();
    bool broadcast_line_speed();
    void drop_port();
    void run_setter(parameters::ParameterId id, int index);
    void cross_changed(int index);
    int information(const QString &text);
    // A window-modal progress dialog 0..maximum titled with the program's
    // name, shown at once.
    std::unique_ptr<ProgressDialog> open_progress(const QString &label, const QString &cancel_text,
                                                  int maximum, bool auto_close = true);
    int file_message(const QString &title, const QString &text, const QString &informative = QString());
    bool run_transfer(const QString &label, bool writing,
                      const std::function<bool(const TransferHooks &)> &transfer);
    // The window's transaction and wait for the request sequences of the
    // core; no cancel check (callers add their progress dialog's).
    UnitLink unit_link();
    void collected_measurement(quint8 start_code, quint8 result_code, int seconds, int progress_max,
                               const QString &result_prefix, const QString &unit_text);

    void show_version_menu(const QPoint &pos);
    void show_address_menu(const QPoint &pos);
    void show_state_menu(const QPoint &pos);
    void show_firmware_progress(prog &dialog);

    // A firmware update is running; the menu entry does nothing meanwhile.
    bool m_updating_firmware = false;
    // A connection is being made; presses of the start button are ignored.
    bool m_connecting = false;
    // The end of the connection is being told; it cannot end twice.
    bool m_ending = false;
    // Operations on the stack (OperationScope).
    int m_operation_depth = 0;
    // Number of the current connection's port; a loss reported by an earlier
    // port is ignored.
    int m_connection_id = 0;
    // The port as the user chose it, for the reason of a loss.
    QString m_port_name;
    // A port dropped while an operation was on the stack.
    std::unique_ptr<SerialPort> m_retired_port;
    // show_cross_mask is putting the mask into the lists.
    bool m_showing_cross = false;
    // A press of the start button that came while an operation was waiting
    // for the unit; it runs once the operation has returned.
    QTimer m_deferred_start;
    // Row of the state table the state label shows.
    int m_state_row = 0;
    QPointer<LevelPlotWindow> m_level_plot;

    // The port of the last successful connection, or the one given on the
    // command line until a connection is made: selected whenever the list
    // holds it.
    QString m_remembered_port;
    QStringList m_fixed_ports;

    std::shared_ptr<UserDialogs> m_dialogs;
    MainWindowServices m_services;
};
