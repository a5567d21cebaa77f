// Every operation of the main window against every fault a field line
// produces, end to end: the real serial port against mirval-sim on a
// pseudo-terminal, the fault switched on at the moment the operation starts;
// for some operations also through ser2net, as a unit behind a network
// serial server. Each cell checks the messages, the form against what the
// unit holds, every control of the locking rule, the user's files and the
// loader's image; then, once the line is good, that the program connects
// again and the operation succeeds with the values the unit holds.
#include "channels/parameters.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "firmware/firmware_transfer.h"
#include "link/rfc2217_port.h"
#include "link/virtual_ports.h"
#include "proto.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "unit_report.h"
#include "watchdog.h"
#include "window_rig.h"

#include "../config/example_config.h"
#include "../firmware/hex_image.h"

#include <QDateTime>
#include <QListWidget>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <functional>

namespace {

enum Column {
    Silence,
    SilentAfter,
    BadChecksum,
    Split,
    Late,
    Stale,
    Babble,
    Refused,
    Vanish,
    WrongSpeed,
    // The same faults through ser2net. The server that goes away is the
    // network's pulled adapter: a converter that loses power, reboots or
    // drops off the network ends the session, while one whose serial line
    // is cut keeps it and hears nothing (the silence column).
    NetSilence,
    NetLate,
    NetUnplug,
    ColumnCount
};

const char *const kColumnNames[ColumnCount] = {
    "silence",         "silent after N", "wrong checksum", "split",  "late",
    "stale bytes",     "babble",         "refused",        "vanish", "wrong speed",
    "network silence", "network late",   "network unplug"};

bool network_column(Column c)
{
    return c == NetSilence || c == NetLate || c == NetUnplug;
}

const QList<Column> kNetworkColumns{NetSilence, NetLate, NetUnplug};

// The fault a network column puts behind the server.
Column line_fault(Column c)
{
    switch (c) {
    case NetSilence:
        return Silence;
    case NetLate:
        return Late;
    case NetUnplug:
        return Vanish;
    default:
        return c;
    }
}

const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");
// Stands for the unit's clock as the window must show it when the operation ran.
const QString kClockShown = QStringLiteral("<the unit's clock>");
const QString kConfirmFirmware = QStringLiteral("Вы действительно хотите сменить прошивку?");

// The unit: its clock, its log of three records ending at the clock, and
// measurements that differ between channels.
constexpr qint64 kUnitClock = 1234567890;
const QStringList kSimArgs{
    "--address", "1",       "--modes",    "1,2,0,1",    "--version",       "2.5",        "--log-records",
    "3",         "--clock", "1234567890", "--measured", "1:515:1000:4321", "--measured", "2:7:8:9"};
const std::array<int, 5> kStartModes{0, 1, 2, 0, 1};  // by channel number 1..4
constexpr int kUnitVersionMajor = 2;
// The pause after a set command's write in the matrix's runs.
constexpr int kPreWaitMs = 100;

QString hex_code(quint8 code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

QString message_of(parameters::ParameterId id)
{
    return QString::fromUtf8(parameters::parameter(id).message);
}

// Unit time as the window shows it (local time).
QString unit_time_text(qint64 t)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
}

// The server at the listed name, wherever it listens now: ser2net started
// again takes another TCP port, and the window keeps the name it lists.
class ServerPort : public Rfc2217Port {
public:
    explicit ServerPort(std::function<QString()> where) : m_where(std::move(where)) {}
    bool open(const QString &, const LineSettings &settings) override
    {
        return Rfc2217Port::open(m_where(), settings);
    }

private:
    std::function<QString()> m_where;
};

// What one cell needs while it runs.
struct Cell : RealWindow {
    // The window goes before the unit and the server it talks to.
    ~Cell() { window.reset(); }

    SimProcess sim;
    Ser2netProcess server;
    bool network = false;
    QString listed;          // the server's name in the port list
    qint64 sim_started = 0;  // seconds since 1970 when the unit's clock started
    qint64 op_started = 0;   // and when the operation started
    QTemporaryDir dir;
    QString file;        // the user's file for the operation, if any
    QByteArray before;   // its bytes before the operation
    int old_index = -1;  // the list's value before the operation
    int new_index = -1;  // the value asked for
    QStringList viewer;  // the lines the event-log viewer showed
    bool viewer_shown = false;
    bool retry = false;              // the operation runs again on the good line
    bool first_answer_late = false;  // the first answer of the operation comes late
    // What the unit is known to hold: the channel modes, the channel shown.
    std::array<int, 5> modes = kStartModes;
    int channel = 1;

    QStringList texts() { return dialogs->texts(); }
    QString port_name() { return network ? listed : sim.port(); }
    bool sim_running() { return sim.process().state() == QProcess::Running; }

    bool start_sim(const QStringList &args)
    {
        sim_started = QDateTime::currentSecsSinceEpoch();
        if (!sim.start(args))
            return false;
        return !network || start_server();
    }
    bool start_server()
    {
        const QString device = Ser2netProcess::device_of(sim.port());
        return device.startsWith(QStringLiteral("/dev/pts/")) && server.start({device});
    }
    // The codes the unit holds now; false when it could not be asked.
    bool unit(unit_report::UnitCodes *out)
    {
        return sim.control(QStringLiteral("state")) && unit_report::parse_state(sim.reply(), out);
    }
};

// The controls as the locking rule has them for the channel shown, the
// unit's modes and its version, when the last operation left them enabled
// (enable) or not; the start button is never locked. Lists the widgets set
// otherwise.
QStringList controls_off_rule(Cell &c, bool enable)
{
    lock_rule::Inputs in;
    in.state = ConnectionState::Connected;
    in.operation = !enable;
    for (int k = 1; k <= 4; ++k)
        in.modes[size_t(k)] = c.modes[size_t(k)];
    in.channel = c.channel;
    in.version = kUnitVersionMajor;
    const lock_rule::Enabled rule = *lock_rule::enabled(in);
    QList<std::pair<QWidget *, bool>> widgets{{c.ui().searchButton, true}};
    for (int k = 0; k < lock_rule::ControlCount; ++k)
        widgets.append(
            {c.window->findChild<QWidget *>(lock_rule::object_name(lock_rule::Control(k))), rule[size_t(k)]});
    QStringList wrong;
    for (const auto &[widget, enabled] : widgets)
        // The widget's own setting: a list inside a locked tab is locked by
        // its parent as well.
        if (widget->testAttribute(Qt::WA_ForceDisabled) == enabled)
            wrong << widget->objectName() + (enabled ? " locked" : " enabled");
    return wrong;
}

// The form shows what the unit holds: the modes, and every value of the
// channel shown that a read-back fills for its mode.
QStringList form_off_unit(Cell &c)
{
    using namespace parameters;
    namespace ur = unit_report;
    ur::UnitCodes u;
    if (!c.unit(&u))
        return {"no state from the unit: " + c.sim.reply()};
    QStringList wrong;
    for (int k = 1; k <= 4; ++k)
        if (u.modes[k] != c.modes[k] || c.window->model().channel_mode[k] != c.modes[k])
            wrong << QStringLiteral("channel %1 mode: unit %2, window %3, expected %4")
                         .arg(k)
                         .arg(u.modes[k])
                         .arg(int(c.window->model().channel_mode[k]))
                         .arg(c.modes[k]);
    const int ch = c.channel;
    const int m = c.modes[ch];
    if (c.ui().chn->currentIndex() != ch - 1)
        wrong << QStringLiteral("channel shown %1").arg(c.ui().chn->currentIndex() + 1);
    if (c.ui().onoff->currentIndex() != m)
        wrong << QStringLiteral("mode list %1").arg(c.ui().onoff->currentIndex());
    struct Shown {
        QComboBox *Ui::MainWindow::*list;
        int offset;
        quint8 code;
        int only_in_mode;
    };
    const quint8 *v = u.channel[ch];
    const QList<Shown> shown{
        {&Ui::MainWindow::porog, parameter(Porog).offset, v[ur::Threshold], 0},
        {&Ui::MainWindow::usilenie, parameter(Usilenie).offset, v[ur::Gain], 0},
        {&Ui::MainWindow::arp, parameter(Arp).offset, v[ur::Arp], 0},
        {&Ui::MainWindow::impuls, parameter(Impuls).offset, v[ur::Impulse], 0},
        {&Ui::MainWindow::pause, parameter(Pauza).offset, v[ur::Pause], 0},
        {&Ui::MainWindow::okno, parameter(Okno).offset, v[ur::Window], 0},
        {&Ui::MainWindow::schet, parameter(Schet).offset, v[ur::Count], 0},
        {&Ui::MainWindow::trevoga, parameter(Trevoga).offset, v[ur::AlarmTime], 0},
        {&Ui::MainWindow::zad, parameter(Zaderzhka).offset, u.unit[ur::Delay], 0},
        {&Ui::MainWindow::block, parameter(Blokirovka).offset, u.unit[ur::Blocking], 0},
        {&Ui::MainWindow::reject, parameter(Rezhektsiya).offset, v[ur::Reject], 1},
        {&Ui::MainWindow::pred, 0, v[ur::Preset], 1},
        {&Ui::MainWindow::porog_perepil, parameter(PerepilPorog).offset, v[ur::CutThreshold], 2},
        {&Ui::MainWindow::time_perepil, parameter(PerepilVremj).offset, v[ur::CutTime], 2}};
    for (const Shown &s : shown) {
        if (s.only_in_mode != 0 && s.only_in_mode != m)
            continue;
        const QComboBox *list = c.ui().*s.list;
        if (list->currentIndex() != int(qint8(s.code)) - s.offset)
            wrong << QStringLiteral("%1 shows %2, the unit holds code %3")
                         .arg(list->objectName())
                         .arg(list->currentIndex())
                         .arg(s.code);
    }
    if (c.window->model().cross_mask != u.unit[ur::Cross])
        wrong << QStringLiteral("cross mask %1, the unit holds %2")
                     .arg(c.window->model().cross_mask)
                     .arg(u.unit[ur::Cross]);
    return wrong;
}

// A file the user has, picked in the next file dialog.
void user_file(Cell &c, const QString &name, const QByteArray &bytes)
{
    c.file = c.dir.filePath(name);
    c.before = bytes;
    QFile f(c.file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
    c.dialogs->file_names << c.file;
}

QByteArray file_bytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One row of the matrix: an operation and what it shows when it fails.
struct Row {
    QString name;
    QList<quint8> codes;           // the operation's command codes; faults are limited to them
    bool pre_wait = false;         // its requests wait before reading (set commands)
    int after = 0;                 // silent after this many of its requests
    QStringList fail;              // messages when its first request is not confirmed
    QStringList after_fail;        // messages when the unit falls silent after `after` requests
    QStringList ok;                // messages when it succeeds
    bool usable_when_lost = true;  // controls usable after the whole line was lost
    QList<Column> network;         // the network columns it runs in
    // Run before the operation, and again before it is retried.
    std::function<void(Cell &)> prepare;
    std::function<void(Cell &)> run;
    // The form, the unit and the files after the operation; in the retry
    // always with ok.
    std::function<void(Cell &, bool ok)> check;
    // After reconnecting, before the retry; not after the unit was replaced.
    std::function<void(Cell &, bool ok)> check_after_reconnect;
};

// A cell's fault and expected outcome.
struct Plan {
    QStringList start_args;  // extra mirval-sim options (the connect row)
    QStringList control;     // lines sent to mirval-sim just before the operation
    QString kill_on;         // the line goes when the simulator prints this
    bool ok = false;
    QStringList messages;
    bool usable = true;
};

// A list's index changed by the user; the row then checks the list against
// the value asked for or, on failure, the old one.
std::function<void(Cell &)> pick(QComboBox *Ui::MainWindow::*list, int step)
{
    return [list, step](Cell &c) {
        QComboBox *box = c.ui().*list;
        c.old_index = box->currentIndex();
        c.new_index = (c.old_index + step) % box->count();
        box->setCurrentIndex(c.new_index);
    };
}

std::function<void(Cell &, bool)> list_shows(QComboBox *Ui::MainWindow::*list)
{
    return [list](Cell &c, bool ok) {
        QCOMPARE((c.ui().*list)->currentIndex(), ok ? c.new_index : c.old_index);
    };
}

Row setter_row(const QString &name, parameters::ParameterId id, QComboBox *Ui::MainWindow::*list, int channel)
{
    const parameters::Parameter &p = parameters::parameter(id);
    Row r;
    r.name = name;
    r.codes = {p.set_code};
    r.pre_wait = true;
    // The list put back sends the old value again, which fails as well.
    r.fail = r.after_fail = {message_of(id), message_of(id)};
    r.prepare = [channel](Cell &c) {
        c.ui().chn->setCurrentIndex(channel - 1);
        c.channel = channel;
    };
    r.run = pick(list, 2);
    r.check = r.check_after_reconnect = list_shows(list);
    return r;
}

Row measurement_row(const QString &name, quint8 start, quint8 result, const QString &shown,
                    void (MainWindow::*op)())
{
    Row r;
    r.name = name;
    r.codes = {start, result};
    r.after = 1;
    r.fail = {QStringLiteral("Не удалось запустить процедуру измерения!")};
    r.after_fail = {QStringLiteral("Не удалось получить результаты !")};
    r.ok = {shown};
    r.run = [op](Cell &c) { (c.window.get()->*op)(); };
    return r;
}

Row single_row(const QString &name, quint8 code, const QString &fail, const QString &ok,
               void (MainWindow::*op)())
{
    Row r;
    r.name = name;
    r.codes = {code};
    r.fail = r.after_fail = {fail};
    if (!ok.isEmpty())
        r.ok = {ok};
    r.run = [op](Cell &c) { (c.window.get()->*op)(); };
    return r;
}

// The unit's clock as the window shows it, read between two moments of the
// host's clock: the unit's time counts from start (seconds since 1970, both)
// and has gone on by whole seconds since.
bool clock_shown(const QString &text, qint64 start, qint64 since, qint64 until)
{
    for (qint64 t = since - 1; t <= until + 1; ++t)
        if (text == unit_time_text(start + (t - since)))
            return true;
    return false;
}

// The event log of the unit, as the viewer lists it: three records a minute
// apart ending at the unit's clock at start, four channels each.
QStringList unit_log_lines()
{
    const QStringList flags[3] = {
        {"Норма.", "Корпус вскрыт. Тревога. ", "ДК. Корпус вскрыт. Норма.", "Канал ВЫКЛ. "},
        {"Корпус вскрыт. Тревога. ", "ДК. Корпус вскрыт. Норма.", "Канал ВЫКЛ. ", "Тревога. "},
        {"ДК. Корпус вскрыт. Норма.", "Канал ВЫКЛ. ", "Тревога. ", "Неисправность. "}};
    QStringList lines;
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k)
            lines << unit_time_text(kUnitClock - 60 * (2 - r)) + QStringLiteral("  [%1]: ").arg(k + 1) +
                         flags[r][k];
    return lines;
}

QList<Row> rows()
{
    using namespace parameters;
    QList<Row> all;

    Row connect;
    connect.name = "connect";
    connect.codes = {0x05};
    connect.after = 3;  // modes, address and version, then the read-back stops
    connect.fail = connect.after_fail = {QStringLiteral("Блок не обнаружен!")};
    connect.usable_when_lost = false;
    connect.network = kNetworkColumns;
    connect.run = [](Cell &c) { c.ui().searchButton->released(); };
    connect.check = [](Cell &c, bool ok) {
        QCOMPARE(c.connected(), ok);
        if (ok)
            QCOMPARE(c.ui().version->text(), QStringLiteral("2.5"));
    };
    all << connect;

    Row threshold = setter_row("set threshold", Porog, &Ui::MainWindow::porog, 1);
    threshold.network = kNetworkColumns;
    all << threshold;
    all << setter_row("set delay (unit-wide)", Zaderzhka, &Ui::MainWindow::zad, 1);
    all << setter_row("set rejection (LF only)", Rezhektsiya, &Ui::MainWindow::reject, 1);
    all << setter_row("set cut threshold (HF only)", PerepilPorog, &Ui::MainWindow::porog_perepil, 2);

    Row mode;
    mode.name = "mode change";
    mode.codes = {0x38};
    mode.pre_wait = true;
    mode.fail = mode.after_fail = {QStringLiteral("Не изменен режим работы канала!..."),
                                   QStringLiteral("Не изменен режим работы канала!...")};
    mode.run = pick(&Ui::MainWindow::onoff, 1);  // LF to HF, and on the retry HF to off
    mode.check = [](Cell &c, bool ok) {
        if (ok)
            c.modes[1] = c.new_index;  // what the unit now runs, for the checks that follow
        QCOMPARE(c.ui().onoff->currentIndex(), ok ? c.new_index : c.old_index);
        QCOMPARE(int(c.window->model().channel_mode[1]), ok ? c.new_index : c.old_index);
    };
    mode.check_after_reconnect = list_shows(&Ui::MainWindow::onoff);
    all << mode;

    Row pairing;
    pairing.name = "pairing";
    pairing.codes = {0x36};
    pairing.pre_wait = true;
    pairing.fail = pairing.after_fail = {QStringLiteral("Параметр 'Кросс' не установлен!...")};
    pairing.run = [](Cell &c) {
        // Channels 1 and 4 are both LF: the second list on pairs them; on
        // the retry of a pairing made, the first list off parts them.
        c.old_index = c.window->model().cross_mask;
        if (c.ui().cross_4->currentIndex() == 1) {
            c.ui().cross_1->setCurrentIndex(0);
        } else {
            c.ui().cross_1->setCurrentIndex(1);
            c.ui().cross_4->setCurrentIndex(1);
        }
        c.new_index = -1;
    };
    pairing.check = [](Cell &c, bool ok) {
        if (ok)
            QVERIFY(c.window->model().cross_mask != c.old_index);
        else
            QCOMPARE(int(c.window->model().cross_mask), c.old_index);
        c.new_index = c.window->model().cross_mask;
    };
    pairing.check_after_reconnect = [](Cell &c, bool) {
        QCOMPARE(int(c.window->model().cross_mask), c.new_index);
    };
    all << pairing;

    Row preset;
    preset.name = "preset";
    preset.codes = {0x2C};
    preset.pre_wait = true;
    preset.fail = preset.after_fail = {QStringLiteral("Параметр 'Предустановка' не установлен!"),
                                       QStringLiteral("Параметр 'Предустановка' не установлен!")};
    preset.run = pick(&Ui::MainWindow::pred, 1);
    preset.check = preset.check_after_reconnect = list_shows(&Ui::MainWindow::pred);
    all << preset;

    all << single_row("self-test", 0x03, QStringLiteral("Команда 'Тест' не выполнена!"), QString(),
                      &MainWindow::dk);
    // Channel 1 measures 515, 1000 and 4321 counts: 0.6105 mV a count,
    // hundredths dropped, and hundredths of a hertz.
    all << single_row("level", 0x1F, QStringLiteral("Команда 'Уровень' не выполнена!"),
                      QStringLiteral("Уровень : 314.4 мВ"), &MainWindow::yroven);
    all << measurement_row("amplitude", 0x1D, 0x1E, QStringLiteral("Амплитуда : 610.5 мВ"),
                           &MainWindow::ampl);
    all << measurement_row("frequency", 0x0C, 0x0D, QStringLiteral("Частота : 43.21 Гц"),
                           &MainWindow::ch_filtr);

    all << single_row("clock read", 0x25, kNoAnswer, kClockShown, &MainWindow::on_getTime_released);

    Row clock_set = single_row("clock set", 0x3E, kNoAnswer, QStringLiteral("Текущее время установлено !"),
                               &MainWindow::on_setTime_released);
    clock_set.check = [](Cell &c, bool ok) {
        if (!ok)
            return;
        // The unit's clock now reads the host's.
        const qsizetype shown = c.dialogs->messages.size();
        const qint64 since = QDateTime::currentSecsSinceEpoch();
        c.window->on_getTime_released();
        QCOMPARE(c.dialogs->messages.size(), shown + 1);
        const QString text = c.dialogs->messages.takeLast().text;
        QVERIFY2(clock_shown(text, since, since, QDateTime::currentSecsSinceEpoch()),
                 qPrintable(text + ", expected about " + unit_time_text(since)));
    };
    all << clock_set;

    Row log_read = single_row("log read", 0x23, kNoAnswer, QString(), &MainWindow::on_getProtokol_released);
    log_read.after = 2;
    log_read.prepare = [](Cell &c) {
        c.viewer.clear();
        c.viewer_shown = false;
    };
    log_read.check = [](Cell &c, bool ok) {
        // The viewer is shown only for a complete reading.
        QCOMPARE(c.viewer_shown, ok);
        // Every request moves the unit on to its next record, a repeated
        // one too, and nothing rewinds it: the record whose answer came too
        // late for its request is not shown.
        const QStringList lines = unit_log_lines().mid(c.first_answer_late ? 4 : 0);
        if (ok)
            QVERIFY2(c.viewer == lines, qPrintable(c.viewer.join('\n')));
        QVERIFY(!c.window->form_state().controls_frozen);
    };
    all << log_read;
    all << single_row("log clear", 0x24, kNoAnswer, QStringLiteral("Протокол удален!"),
                      &MainWindow::on_clearProtokol_released);

    Row config_read;
    config_read.name = "configuration read";
    config_read.codes = {0x05};
    config_read.after = 10;
    config_read.fail = config_read.after_fail = {kNoAnswer};
    config_read.network = kNetworkColumns;
    // The user saves over a configuration file of the day before.
    config_read.prepare = [](Cell &c) { user_file(c, "unit.xml", example_file()); };
    config_read.run = [](Cell &c) { c.window->on_saveCfg_released(); };
    config_read.check = [](Cell &c, bool ok) {
        const QByteArray now = file_bytes(c.file);
        if (!ok) {
            QCOMPARE(now, c.before);  // untouched
            return;
        }
        // Wholly replaced by what the unit holds.
        UnitConfig saved;
        QVERIFY(load_config_bytes(now, saved).ok);
        unit_report::UnitCodes unit;
        QVERIFY(c.unit(&unit));
        QVERIFY2(saved == unit_report::config_of(unit),
                 qPrintable(QString::fromUtf8(now) + "\nexpected\n" +
                            QString::fromUtf8(config_file_bytes(unit_report::config_of(unit)))));
    };
    all << config_read;

    Row config_write;
    config_write.name = "configuration write";
    config_write.codes = {0x38};
    config_write.pre_wait = true;
    config_write.after = 10;
    config_write.fail = config_write.after_fail = {kNoAnswer};
    // A file saved from this unit a moment before; the retry loads it again.
    config_write.prepare = [](Cell &c) {
        if (c.retry) {
            c.dialogs->file_names << c.file;
            return;
        }
        c.file = c.dir.filePath("unit.xml");
        c.dialogs->file_names << c.file;
        c.window->on_saveCfg_released();
        c.before = file_bytes(c.file);
        QVERIFY(!c.before.isEmpty());
        c.dialogs->file_names << c.file;
    };
    config_write.run = [](Cell &c) { c.window->on_loadCfg_released(); };
    config_write.check = [](Cell &c, bool ok) {
        QCOMPARE(file_bytes(c.file), c.before);  // read, never written
        if (!ok)
            return;
        UnitConfig sent;
        QVERIFY(load_config_bytes(c.before, sent).ok);
        unit_report::UnitCodes unit;
        QVERIFY(c.unit(&unit));
        QVERIFY(unit_report::config_of(unit) == sent);
    };
    all << config_write;

    Row firmware;
    firmware.name = "firmware";
    firmware.codes = {0x77};
    firmware.fail = {kConfirmFirmware, firmware::kTimeoutText};
    firmware.ok = {kConfirmFirmware};
    // A silent loader behind the server is waited for as on the cable.
    firmware.network = {NetLate, NetUnplug};
    // The retry sends a smaller image, so that the first one cannot pass for it.
    firmware.prepare = [](Cell &c) {
        user_file(c, "image.hex", hex_image::lines(c.retry ? 48 : 256).join("\r\n").toLatin1() + "\r\n");
    };
    firmware.run = [](Cell &c) { c.window->on_progButton_released(); };
    firmware.check = [](Cell &c, bool ok) {
        if (c.window->session().port() && c.window->session().port()->isOpen())
            QCOMPARE(c.window->session().port()->baudRate(), 57600);  // back at the line's speed
        if (!c.sim_running())
            return;
        QVERIFY(c.sim.control("image"));
        const QString image = c.sim.reply();
        if (ok)
            QCOMPARE(image, unit_report::image_of(c.before, 1));
        else
            QVERIFY2(image.startsWith("image 1 complete=0 "), qPrintable(image));
    };
    all << firmware;
    return all;
}

QString codes_text(const QList<quint8> &codes)
{
    QStringList out;
    for (quint8 c : codes)
        out << hex_code(c);
    return out.join(',');
}

Plan plan_for(const Row &row, Column cell_column)
{
    Plan p;
    const Column column = line_fault(cell_column);
    const QString codes = codes_text(row.codes);
    const quint8 first = row.codes.first();
    const bool connect = row.name == QLatin1String("connect");
    // Later than one attempt (the pause after the write and MWAIT idle ticks
    // of 10 ms, some 260 ms), earlier than two.
    const int late_ms = (row.pre_wait ? kPreWaitMs : 0) + 350;
    QString fault;
    p.messages = row.fail;
    switch (column) {
    case Silence:
        fault = "silence@" + codes;
        break;
    case SilentAfter:
        fault = QStringLiteral("silent-after=%1").arg(row.after);
        p.messages = row.after_fail;
        p.usable = row.usable_when_lost;
        break;
    case BadChecksum:
        fault = "bad-checksum@" + codes;
        break;
    case Split:
        fault = "split=3,20@" + codes;
        p.ok = true;
        break;
    case Late:
        // Only the first answer is late: it comes after the second attempt
        // was answered, while the operation's next requests go out.
        fault = QStringLiteral("delay=%1@%2:1").arg(late_ms).arg(hex_code(first));
        p.ok = true;
        break;
    case Stale:
        fault = "stale@" + codes;
        break;
    case Babble:
        fault = "babble";
        p.usable = row.usable_when_lost;
        break;
    case Refused:
        fault = "refuse=" + codes;
        break;
    case Vanish:
        // The unit takes its time over the request, and the adapter is
        // pulled out meanwhile (or the network server goes away).
        fault = "delay=3000@" + hex_code(first);
        p.kill_on = first == 0x77 ? QStringLiteral("$007777") : QStringLiteral(" > ");
        // The port reports the loss: the connection ends at once with its
        // own message, and the operation ends silently with it.
        if (!connect)
            p.messages = {kNoAnswer};
        p.usable = false;
        break;
    case WrongSpeed:
        p.usable = row.usable_when_lost;
        break;
    default:
        break;
    }
    if (connect) {
        p.usable = p.ok;  // controls are on only while connected
        if (column == WrongSpeed)
            p.start_args << "--speed-index"
                         << "1";
        else
            p.start_args << "--fault" << fault;
    } else if (column == WrongSpeed) {
        p.control << "speed-index 1";
    } else {
        p.control << "fault " + fault;
    }
    if (p.ok)
        p.messages = row.ok;

    if (row.name == QLatin1String("firmware")) {
        // The loader's dialogue has its own faults; its answers are single bytes.
        p.control.clear();
        switch (column) {
        case Silence:
            p.control << "fault silence@0x77";
            break;
        case SilentAfter:
            // The loader stops acknowledging after line 5; a new entry frame
            // resumes the transfer where it stopped.
            p.control << "fault loader-stall=5";
            p.ok = true;
            break;
        case BadChecksum:
            p.control << "fault loader-reject=3";
            p.messages = {kConfirmFirmware, firmware::kTransferErrorText};
            break;
        case Split:
            p.control << "fault split=3,20@0x01";
            break;
        case Late:
            p.control << QStringLiteral("fault delay=%1@0x01:1").arg(late_ms + kPreWaitMs);
            break;
        case Stale:
            p.control << "fault stale@0x01";
            p.ok = true;  // nobody reads the broadcast's answer
            break;
        case Babble:
            p.control << "fault babble";
            p.messages = {kConfirmFirmware, firmware::kTransferErrorText};
            break;
        case Refused:
            // The unit stays at its speed; the loader never hears the entry frame.
            p.control << "fault refuse=0x01";
            break;
        case Vanish:
            p.control << "fault loader-stall=2";
            p.kill_on = QStringLiteral("$007777");
            p.messages = {kConfirmFirmware, kNoAnswer};
            break;
        case WrongSpeed:
            p.control << "speed-index 1";
            break;
        default:
            break;
        }
        p.usable = p.ok;
        p.messages = p.ok ? row.ok : p.messages;
    }
    return p;
}

// The messages shown are those expected; the unit's clock is the one it
// read while the operation ran.
bool matches(Cell &c, const QStringList &expected, const QStringList &shown)
{
    if (expected.size() != shown.size())
        return false;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (int i = 0; i < shown.size(); ++i) {
        const bool same =
            expected[i] == kClockShown
                ? clock_shown(shown[i], kUnitClock + c.op_started - c.sim_started, c.op_started, now)
                : expected[i] == shown[i];
        if (!same)
            return false;
    }
    return true;
}

}  // namespace

class TestFaultMatrix : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cells_data();
    void cells();

private:
    void run_cell(const Row &row, Column column);
    bool connect_window(Cell &c);
    // The failed operation again on the good line: its messages, the
    // controls, the form, the unit and the files as after a success.
    void retry(Cell &c, const Row &row);
    // What an operation left: its messages, the row's checks, the controls
    // and, while connected, the form against the unit. phase starts the
    // failure texts.
    void outcome(Cell &c, const Row &row, const QStringList &messages, bool ok, bool usable,
                 const char *phase);
    void expect_form_and_controls(Cell &c, bool usable, const char *phase);
};

void TestFaultMatrix::initTestCase()
{
    // Some 200 cells of traffic: the program's diagnostic lines would drown
    // what matters.
    if (!qEnvironmentVariableIsSet("MIRVAL_MATRIX_DEBUG"))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QVERIFY(SimProcess::make_runtime_dir());
    QVERIFY2(!Ser2netProcess::program().isEmpty(), "ser2net is not installed (scripts/deps.sh installs it)");
}

// Rows are chosen with MIRVAL_MATRIX_ROWS (a pattern), so that CTest can run
// parts of the matrix side by side. The network columns run for the rows that
// cover what the server changes: the connection with its speed switch and
// read-back, a single set command with its pause, the many requests of a
// whole-unit read one after another, and the loader's single bytes at 4800
// baud with the speed switches both ways (there not silence, which takes the
// loader's seconds of waiting and is the same behind a server).
void TestFaultMatrix::cells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    const QRegularExpression chosen(qEnvironmentVariableIsSet("MIRVAL_MATRIX_ROWS")
                                        ? QString::fromLocal8Bit(qgetenv("MIRVAL_MATRIX_ROWS"))
                                        : QStringLiteral("."));
    const QList<Row> all = rows();
    for (int r = 0; r < all.size(); ++r) {
        if (!chosen.match(all[r].name).hasMatch())
            continue;
        for (int c = 0; c < ColumnCount; ++c)
            if (!network_column(Column(c)) || all[r].network.contains(Column(c)))
                QTest::addRow("%s / %s", qPrintable(all[r].name), kColumnNames[c]) << r << c;
    }
}

bool TestFaultMatrix::connect_window(Cell &c)
{
    if (!c.select_port(c.port_name(), 3000))
        return false;
    c.press_start();
    return c.connected();
}

void TestFaultMatrix::cells()
{
    QFETCH(int, row);
    QFETCH(int, column);
    const QList<Row> all = rows();
    run_cell(all[row], Column(column));
}

void TestFaultMatrix::run_cell(const Row &row, Column column)
{
    const QString name = row.name + " / " + kColumnNames[column];
    Watchdog watchdog(name.toStdString(), std::chrono::seconds(120));

    const Plan plan = plan_for(row, column);
    const bool lost = line_fault(column) == Vanish;
    Cell c;
    c.network = network_column(column);
    QVERIFY2(c.start_sim(kSimArgs + plan.start_args), qPrintable(c.server.output()));
    c.listed = c.server.url();
    c.open(200, [&c](MainWindowServices &services) {
        // The virtual ports only: a scan of the system's ports costs
        // milliseconds of CPU, which five matrices side by side on two cores
        // cannot spare. A system port stays, as on a PC with a built-in one: a
        // pulled adapter does not leave the list empty (which ends the program).
        services.enumerate = [] {
            return QStringList{QStringLiteral("ttyS0")} + virtual_ports::live_ports();
        };
        if (c.network) {
            services.network_ports = [&c] { return QStringList{c.listed}; };
            services.make_port = [&c](const QString &) -> std::unique_ptr<SerialPort> {
                return std::make_unique<ServerPort>([&c] { return c.server.url(); });
            };
        } else {
            services.network_ports = [] { return QStringList(); };
        }
        services.show_viewer = [&c](proto &viewer) {
            c.viewer_shown = true;
            if (const QListWidget *list = viewer.findChild<QListWidget *>("pr"))
                for (int i = 0; i < list->count(); ++i)
                    c.viewer << list->item(i)->text();
        };
        services.show_progress = [](prog &) {};
        // Real ticks, attempts and poll; the pauses the simulator does not
        // need are shortened.
        services.timing.pre_wait_ms = kPreWaitMs;
        services.timing.collect_second_ms = 100;
        services.timing.loader_tick_ms = 20;
        services.timing.restart_step_ms = 20;
    });
    c.short_time_outs();
    c.ui().addres->setValue(1);

    const bool connect_row = row.name == QLatin1String("connect");
    if (connect_row) {
        QVERIFY(c.select_port(c.port_name(), 3000));
    } else {
        QVERIFY(connect_window(c));
        QCOMPARE(c.texts(), QStringList());
    }
    if (row.prepare)
        row.prepare(c);
    QCOMPARE(c.texts(), QStringList());
    // The poll does not run into the fault before the operation does.
    c.window->session().poll_timer().stop();

    for (const QString &line : plan.control)
        QVERIFY2(c.sim.control(line), qPrintable(line));
    QMetaObject::Connection killer;
    if (!plan.kill_on.isEmpty()) {
        const int from = int(c.sim.lines().size());
        killer = QObject::connect(&c.sim.process(), &QProcess::readyReadStandardOutput, [&c, &plan, from] {
            const QStringList &lines = c.sim.lines();
            for (int i = from; i < lines.size(); ++i)
                if (lines[i].contains(plan.kill_on)) {
                    if (c.network)
                        c.server.kill();
                    else
                        c.sim.kill();
                    return;
                }
        });
    }

    c.first_answer_late = line_fault(column) == Late;
    c.op_started = QDateTime::currentSecsSinceEpoch();
    row.run(c);
    QObject::disconnect(killer);
    // The operation ends at once with the line, the connection from the
    // event loop right after.
    if (lost)
        (void)QTest::qWaitFor([&c] { return !c.connected(); }, 2000);

    outcome(c, row, plan.messages, plan.ok, plan.usable, "");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(c.connected(), plan.usable || (row.name == QLatin1String("firmware") && !lost));

    // The line is good again (a new adapter, when it was pulled out; the
    // server back, when it went away): the program connects and shows what
    // the unit holds. A unit on a good line answers at once: the pauses are
    // shortened further.
    Timing &timing = c.window->session().timing();
    timing.pre_wait_ms = 0;
    timing.collect_second_ms = 20;
    timing.loader_tick_ms = 10;
    // A unit left in its loader by a failed update is switched off and on.
    const bool power_cycle = row.name == QLatin1String("firmware") && !plan.ok;
    const bool replaced = (lost && !c.network) || power_cycle;
    if (replaced) {
        c.sim.kill();
        QVERIFY(c.start_sim(kSimArgs));
        c.modes = kStartModes;
    } else {
        QVERIFY(c.sim.control("clear"));
        QVERIFY(c.sim.control("speed-index 4"));
        if (lost)
            QVERIFY2(c.start_server(), qPrintable(c.server.output()));
    }
    // A log reading broken off leaves the unit's position in its log
    // midway; the unit switched off and on starts it afresh.
    if (row.name.startsWith(QLatin1String("log")))
        QVERIFY(c.sim.control("reset"));
    if (c.connected())
        c.ui().searchButton->released();
    c.dialogs->messages.clear();
    QVERIFY(!c.connected());
    QVERIFY(connect_window(c));
    QCOMPARE(c.texts(), QStringList());
    if (row.check_after_reconnect && !replaced && !lost)
        row.check_after_reconnect(c, plan.ok);
    if (QTest::currentTestFailed())
        return;
    expect_form_and_controls(c, true, "reconnected: ");
    // The operation that failed succeeds now; the connection's retry was
    // the reconnection.
    if (!connect_row && !plan.ok)
        retry(c, row);
    if (QTest::currentTestFailed())
        return;
    c.ui().searchButton->released();
    QVERIFY(!c.connected());
    const QStringList after_stop = controls_off_rule(c, false);
    QVERIFY2(after_stop.isEmpty(), qPrintable(after_stop.join(", ")));
}

void TestFaultMatrix::retry(Cell &c, const Row &row)
{
    c.retry = true;
    c.first_answer_late = false;
    if (row.prepare)
        row.prepare(c);
    c.dialogs->messages.clear();
    c.window->session().poll_timer().stop();
    c.op_started = QDateTime::currentSecsSinceEpoch();
    row.run(c);
    outcome(c, row, row.ok, true, true, "retry: ");
}

void TestFaultMatrix::outcome(Cell &c, const Row &row, const QStringList &messages, bool ok, bool usable,
                              const char *phase)
{
    const QStringList shown = c.texts();
    QVERIFY2(matches(c, messages, shown),
             qPrintable(QStringLiteral("%1messages %2, expected %3")
                            .arg(phase, shown.join(" | "), messages.join(" | "))));
    if (row.check)
        row.check(c, ok);
    if (!QTest::currentTestFailed())
        expect_form_and_controls(c, usable, phase);
}

void TestFaultMatrix::expect_form_and_controls(Cell &c, bool usable, const char *phase)
{
    const QStringList locked = controls_off_rule(c, usable);
    QVERIFY2(locked.isEmpty(), qPrintable(phase + locked.join(", ")));
    // While the connection stands, the form shows what the unit holds.
    if (!c.connected())
        return;
    const QStringList off = form_off_unit(c);
    QVERIFY2(off.isEmpty(), qPrintable(phase + off.join("; ")));
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
