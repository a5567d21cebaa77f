#pragma once

#include "channels/parameters.h"
#include "common/user_dialogs.h"
#include "config/config_file.h"
#include "config/unit_config.h"
#include "link/port_watcher.h"
#include "link/serial_port.h"
#include "services/change_journal.h"
#include "session/control_lock.h"
#include "session/unit_model.h"
#include "session/unit_session.h"
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
class cDataFile;
class LevelPlotWindow;
class proto;
class prog;
class QComboBox;
class QMenu;
struct TransferHooks;
struct UnitLink;

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
    // The time constants of the window's connections.
    Timing timing;
};

// The form's own state beside its widgets.
struct FormState {
    // 0 while the form is being filled from the unit: list changes send nothing.
    int setters_armed = 1;
    // While nonzero, set_controls_enabled changes nothing: an operation made of
    // many transactions keeps the controls locked throughout.
    int controls_frozen = 0;
    // The "Кросс" tab has been entered and not yet left.
    int cross_tab_armed = 0;
    // show_cross_mask is putting the mask into the lists.
    bool showing_cross = false;
    // A firmware update is running; the menu entry does nothing meanwhile.
    bool updating_firmware = false;
    // The state byte the label shows (-1: none, after unanswered polls), the
    // row of the state table it shows, and the last level read.
    int last_state = 0;
    int state_row = 0;
    float last_level = 0;
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
    bool write_unit_config(int address, const UnitConfig &config);

    // One transaction with the unit (see Exchange::SendCommand).
    int SendCommand(QByteArray &buffer, bool pre_wait);
    void wait_ms(int ms);

    // The connection, the unit as the form shows it, the form's widgets and
    // state, and the port watcher: what tests and tools drive the window by.
    UnitSession &session() { return m_session; }
    UnitModel &model() { return m_model; }
    const Ui::MainWindow &form() const { return *ui; }
    FormState &form_state() { return m_form; }
    PortWatcher &port_watcher() { return *enumerator; }
    // Where the file dialogs start: the current directory, then the folder
    // of the file last picked for saving or loading.
    QString config_dir() const { return m_config_dir; }
    // The locking rule's inputs as the window stands now.
    lock_rule::Inputs lock_inputs(bool operation) const;

    // A configuration file in the form (file_editing.cpp). While one is open
    // and no unit is connected the form edits it; the title names it and
    // marks unsaved changes. open_file asks first about unsaved changes and
    // tells why a file does not open; false when nothing was opened.
    bool open_file(const QString &path);
    // "Новый файл": the factory configuration, without a name until saved.
    bool new_file();
    void open_file_dialog();
    bool save_file();
    bool save_file_as();
    bool editing_file() const;
    // "Сравнить с блоком…": the connected unit read once against the open
    // file (or one picked), the differences ticked written and read back.
    // "Сравнить файлы…": two files side by side (config_compare.cpp).
    void compare_with_unit();
    void compare_files();
    // "Журнал изменений…": the change journal, newest first, of the connected
    // unit or, with none, of every unit. "Отменить последнее изменение": the
    // last change confirmed on the connected unit taken back through its
    // setter (journal_view.cpp).
    void show_journal();
    void undo_last_change();
    // "Отчёт…": the commissioning report of the connected unit (read now),
    // or of the file the form edits, as PDF or HTML (report_making.cpp).
    void make_report();
    QString file_path() const { return m_file.path; }
    // The open file's name, "Новый файл" before it has one.
    QString file_display_name() const;

    UserDialogs &dialogs() { return *m_dialogs; }

    // Replaces the unit's firmware with a file the user picks ("Сменить
    // прошивку…" in the context menu of the version label). Connected by
    // pointer: there is no progButton for the form to connect it by name.
    void on_progButton_released();
    // The version label's context menu, built afresh; its one entry runs the
    // firmware update once the menu has closed and is enabled only while a
    // unit is connected.
    std::unique_ptr<QMenu> version_menu();
    // "Восстановить прошивку…" in the port list's context menu, enabled only
    // while no unit is connected: a unit left waiting in its loader gets a
    // firmware file as the update hands it over, at 4800 baud on the chosen
    // port, without asking the unit anything first.
    void restore_firmware();
    std::unique_ptr<QMenu> port_menu();
    // Finds the units on the chosen port ("Найти блоки…" in the context menu
    // of the address box): opens the port as a connection does, asks every
    // address behind a progress dialog, lists those that answered with their
    // firmware versions, and puts the one picked into "Адрес". Only while no
    // unit is connected.
    void find_units();
    std::unique_ptr<QMenu> address_menu();
    // No unit is connected or being connected, and nothing waits for the line.
    bool line_free() const;

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

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The file's values of channel into the form, marking those not in a list.
    void show_file_channel(int channel);
    void mark_bad_values(int channel);
    // The form's change of a parameter, mode, preset or pairing, into the file.
    void edit_file_value(parameters::ParameterId id, int index);
    void edit_file_mode(int mode);
    void edit_file_preset(int index);
    void edit_file_cross();
    // After a connection has ended: the form shows the open file again.
    void show_file_again();
    // Unsaved changes: saved, dropped or kept (false: the user cancelled).
    bool settle_unsaved_changes();
    void update_title();
    void set_up_file_actions();
    // Tab order by rows and keys for the label menus' entries (keyboard.cpp).
    void set_up_keyboard();
    // A configuration file the user picks, loaded; false when cancelled or
    // damaged (after telling why).
    bool pick_config(const QString &title, UnitConfig *config, QString *path);
    // Appends a change request's entry to the journal of changes, with the
    // connection's port, the unit's address and version and the exchange's
    // result.
    void journal_change(journal::Entry entry, int exchange_result);
    // A damaged file's message names the file, and the line and column where
    // reading stopped.
    void file_not_loaded(const ConfigLoadResult &loaded, const QString &path);
    // A file with values outside the lists is not written: true after
    // naming each.
    bool refuse_bad_values(const UnitConfig &config, const QString &path);
    // Lays the tab pages out, puts the form in a scroll area and sizes the
    // window to show every tab title within the screen (window_fit.cpp).
    void fit_to_screen();
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
    // The port-open failure: the prescribed message, the reason under it and
    // the port check's findings under "Подробнее" (port_doctor.cpp).
    void port_open_failed(const QString &port_name);
    // "Проверить порт…" in the port list's context menu: the findings of the
    // chosen port in a message.
    void check_chosen_port();
    // informative: the reason under the text, if there is one to tell.
    int critical(const QString &text, const QString &informative = QString());

    // Marks a slot-level operation (a setter, a read-back, a measurement, a
    // transfer, ...) for its whole run (UnitSession::Operation). A press of
    // "Стоп" that comes meanwhile waits until the outermost one has returned.
    using OperationScope = UnitSession::Operation;

    void connect_unit();
    void disconnect_unit();
    void connection_failed();
    // The unit is out of reach (twenty polls unanswered, or the port reports
    // the line gone): "Нет ответа от блока!" with informative under it, then
    // the connection ends at once, whatever operation is on the stack.
    void end_connection(const QString &informative);
    // The connection's port reported its line gone.
    void line_lost();
    // An operation's failure message; none once the connection has ended
    // (the user has been told, or pressed "Стоп").
    void operation_failed(const QString &text);
    // Puts a list back to a confirmed index. While connected its index change
    // sends that value again; on an ended connection nothing is sent.
    void restore_list(QComboBox *box, int index);
    // Starts the status poll, if there still is a connection to poll.
    void start_poll();
    bool broadcast_line_speed();
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
    // The session's transaction and wait for the request sequences of the
    // core; no cancel check (callers add their progress dialog's).
    UnitLink unit_link() { return m_session.link(); }
    void collected_measurement(quint8 start_code, quint8 result_code, int seconds, int progress_max,
                               const QString &result_prefix, const QString &unit_text);

    void show_version_menu(const QPoint &pos);
    void show_address_menu(const QPoint &pos);
    void show_state_menu(const QPoint &pos);
    void show_firmware_progress(prog &dialog);
    void show_port_menu(const QPoint &pos);
    // Hands the loader the lines behind the progress windows over the open
    // port; a failure is told with the way back under it. The exchange's
    // result for the journal, or -1 when another transaction held the line.
    int transfer_firmware(const QStringList &lines);
    // Asks for the firmware file, refuses a faulty one and asks whether to
    // go on; true when the lines are to be sent.
    bool firmware_file_chosen(cDataFile &file);

    std::unique_ptr<Ui::MainWindow> ui;
    UnitSession m_session;
    UnitModel m_model;
    FormState m_form;
    // The controls of the locking rule, by lock_rule::Control.
    std::array<QWidget *, lock_rule::ControlCount> m_controls{};
    PortWatcher *enumerator = nullptr;
    QString m_config_dir;
    // A press of the start button that came while an operation was waiting
    // for the unit; it runs once the operation has returned.
    QTimer m_deferred_start;
    QPointer<LevelPlotWindow> m_level_plot;
    // The control that had the keyboard focus when a transaction disabled
    // the form, and where Qt moved the focus then (set_controls_enabled).
    QPointer<QWidget> m_focus_held;
    QPointer<QWidget> m_focus_moved_to;
    // The port of the last successful connection, or the one given on the
    // command line until a connection is made: selected whenever the list
    // holds it; and the ports that stay in the list whatever the watcher sees.
    struct {
        QString remembered;
        QString
            remembered_by_id;  // its /dev/serial/by-id name, preferred when it leads to a port of the list
        QStringList fixed;
    } m_ports;
    // The configuration file open in the form, as it will be saved.
    struct {
        QString path;
        UnitConfig config;
        bool open = false;
    } m_file;
    std::shared_ptr<UserDialogs> m_dialogs;
    MainWindowServices m_services;
};
