// Every operation of the main window against every fault a field line
// produces, end to end: the real serial port against mirval-sim on a
// pseudo-terminal, the fault switched on at the moment the operation starts.
// Each cell checks the messages, the form, whether the controls are usable,
// the user's files, and that the program works again once the line is good.
#include "channels/parameters.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "firmware/firmware_transfer.h"
#include "link/link_settings.h"
#include "link/virtual_ports.h"
#include "mainwindow.h"
#include "proto.h"
#include "scripted_dialogs.h"
#include "sim_process.h"
#include "ui_mainwindow.h"
#include "watchdog.h"

#include "../config/example_config.h"
#include "../firmware/hex_image.h"

#include <QListWidget>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
    ColumnCount
};

const char *const kColumnNames[ColumnCount] = {"silence", "silent after N", "wrong checksum", "split",
                                               "late",    "stale bytes",    "babble",         "refused",
                                               "vanish",  "wrong speed"};

const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");
const QString kConfirmFirmware = QStringLiteral("Вы действительно хотите сменить прошивку?");

QString hex_code(quint8 code)
{
    return QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0'));
}

QString message_of(parameters::ParameterId id)
{
    return QString::fromUtf8(parameters::parameter(id).message);
}

// What one cell needs while it runs.
struct Cell {
    SimProcess sim;
    std::shared_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir dir;
    QString file;        // the user's file for the operation, if any
    QByteArray before;   // its bytes before the operation
    int old_index = -1;  // the list's value before the operation
    int new_index = -1;  // the value asked for
    int viewer_lines = -1;

    Ui::MainWindow &ui() { return *window->ui; }
    bool connected() { return ui().searchButton->text() == QStringLiteral("Стоп"); }
    bool usable() { return ui().porog->isEnabled() && ui().searchButton->isEnabled(); }
    QStringList texts() { return dialogs->texts(); }
};

// A file the user has, picked in the next file dialog.
void user_file(Cell &c, const QString &name, const QByteArray &bytes)
{
    c.file = c.dir.filePath(name);
    c.before = bytes;
    QFile f(c.file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
    c.dialogs->file_names << c.file;
}

// One row of the matrix: an operation and what it shows when it fails.
struct Row {
    QString name;
    QList<quint8> codes;           // the operation's command codes; faults are limited to them
    bool pre_wait = false;         // its requests wait before reading (set commands)
    int after = 0;                 // silent after this many of its requests
    QStringList fail;              // messages when its first request is not confirmed
    QStringList after_fail;        // messages when the unit falls silent after `after` requests
    QStringList ok;                // messages when it succeeds; "~" starts a pattern
    bool usable_when_lost = true;  // controls usable after the whole line was lost
    std::function<void(Cell &)> prepare;
    std::function<void(Cell &)> run;
    // The form and files after the operation, and after reconnecting.
    std::function<void(Cell &, bool ok)> check;
    std::function<void(Cell &, bool ok)> check_after_reconnect;
};

// A cell's fault and expected outcome.
struct Plan {
    QStringList start_args;  // extra mirval-sim options (the connect row)
    QStringList control;     // lines sent to mirval-sim just before the operation
    QString kill_on;         // the simulator is killed when it prints this
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
    if (channel != 1)
        r.prepare = [channel](Cell &c) { c.ui().chn->setCurrentIndex(channel - 1); };
    r.run = pick(list, 2);
    r.check = r.check_after_reconnect = list_shows(list);
    return r;
}

Row measurement_row(const QString &name, quint8 start, quint8 result, const QString &prefix,
                    const QString &unit, void (MainWindow::*op)())
{
    Row r;
    r.name = name;
    r.codes = {start, result};
    r.after = 1;
    r.fail = {QStringLiteral("Не удалось запустить процедуру измерения!")};
    r.after_fail = {QStringLiteral("Не удалось получить результаты !")};
    r.ok = {QStringLiteral("~^") + prefix + QStringLiteral("[-0-9.e+]+ ") + unit + QStringLiteral("$")};
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
    connect.run = [](Cell &c) { c.ui().searchButton->released(); };
    connect.check = [](Cell &c, bool ok) {
        QCOMPARE(c.connected(), ok);
        if (ok)
            QCOMPARE(c.ui().version->text(), QStringLiteral("2.5"));
    };
    all << connect;

    all << setter_row("set threshold", Porog, &Ui::MainWindow::porog, 1);
    all << setter_row("set delay (unit-wide)", Zaderzhka, &Ui::MainWindow::zad, 1);
    all << setter_row("set rejection (LF only)", Rezhektsiya, &Ui::MainWindow::reject, 1);
    all << setter_row("set cut threshold (HF only)", PerepilPorog, &Ui::MainWindow::porog_perepil, 2);

    Row mode;
    mode.name = "mode change";
    mode.codes = {0x38};
    mode.pre_wait = true;
    mode.fail = mode.after_fail = {QStringLiteral("Не изменен режим работы канала!..."),
                                   QStringLiteral("Не изменен режим работы канала!...")};
    mode.run = pick(&Ui::MainWindow::onoff, 1);  // LF to HF
    mode.check = [](Cell &c, bool ok) {
        QCOMPARE(c.ui().onoff->currentIndex(), ok ? c.new_index : c.old_index);
        QCOMPARE(int(c.window->channel_mode[1]), ok ? c.new_index : c.old_index);
    };
    mode.check_after_reconnect = list_shows(&Ui::MainWindow::onoff);
    all << mode;

    Row pairing;
    pairing.name = "pairing";
    pairing.codes = {0x36};
    pairing.pre_wait = true;
    pairing.fail = pairing.after_fail = {QStringLiteral("Параметр 'Кросс' не установлен!...")};
    pairing.run = [](Cell &c) {
        // Channels 1 and 4 are both LF: the second list on pairs them.
        c.old_index = c.window->cross_mask;
        c.ui().cross_1->setCurrentIndex(1);
        c.ui().cross_4->setCurrentIndex(1);
        c.new_index = -1;
    };
    pairing.check = [](Cell &c, bool ok) {
        if (ok)
            QVERIFY(c.window->cross_mask != c.old_index);
        else
            QCOMPARE(int(c.window->cross_mask), c.old_index);
        c.new_index = c.window->cross_mask;
    };
    pairing.check_after_reconnect = [](Cell &c, bool) { QCOMPARE(int(c.window->cross_mask), c.new_index); };
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
    all << single_row("level", 0x1F, QStringLiteral("Команда 'Уровень' не выполнена!"),
                      QStringLiteral("~^Уровень : [-0-9.e+]+ мВ$"), &MainWindow::yroven);
    all << measurement_row("amplitude", 0x1D, 0x1E, QStringLiteral("Амплитуда : "), QStringLiteral("мВ"),
                           &MainWindow::ampl);
    all << measurement_row("frequency", 0x0C, 0x0D, QStringLiteral("Частота : "), QStringLiteral("Гц"),
                           &MainWindow::ch_filtr);
    all << single_row("clock read", 0x25, kNoAnswer,
                      QStringLiteral("~^\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"),
                      &MainWindow::on_getTime_released);
    all << single_row("clock set", 0x3E, kNoAnswer, QStringLiteral("Текущее время установлено !"),
                      &MainWindow::on_setTime_released);

    Row log_read = single_row("log read", 0x23, kNoAnswer, QString(), &MainWindow::on_getProtokol_released);
    log_read.after = 2;
    log_read.check = [](Cell &c, bool ok) {
        // The viewer is shown only for a complete reading: 3 records.
        QCOMPARE(c.viewer_lines > 0, ok);
        QVERIFY(!controls_frozen);
    };
    all << log_read;
    all << single_row("log clear", 0x24, kNoAnswer, QStringLiteral("Протокол удален!"),
                      &MainWindow::on_clearProtokol_released);

    Row config_read;
    config_read.name = "configuration read";
    config_read.codes = {0x05};
    config_read.after = 10;
    config_read.fail = config_read.after_fail = {kNoAnswer};
    // The user saves over a configuration file of the day before.
    config_read.prepare = [](Cell &c) { user_file(c, "unit.xml", example_file()); };
    config_read.run = [](Cell &c) { c.window->on_saveCfg_released(); };
    config_read.check = [](Cell &c, bool ok) {
        QFile f(c.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        if (!ok) {
            QCOMPARE(now, c.before);  // untouched
            return;
        }
        UnitConfig config;  // wholly replaced by a complete file
        QVERIFY(load_config_bytes(now, config).ok);
        QVERIFY(now != c.before);
        QCOMPARE(config.channels[1].regim, 2);
    };
    all << config_read;

    Row config_write;
    config_write.name = "configuration write";
    config_write.codes = {0x38};
    config_write.pre_wait = true;
    config_write.after = 10;
    config_write.fail = config_write.after_fail = {kNoAnswer};
    // A file saved from this unit a moment before.
    config_write.prepare = [](Cell &c) {
        c.file = c.dir.filePath("unit.xml");
        c.dialogs->file_names << c.file;
        c.window->on_saveCfg_released();
        QFile f(c.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        c.before = f.readAll();
        QVERIFY(!c.before.isEmpty());
        c.dialogs->file_names << c.file;
    };
    config_write.run = [](Cell &c) { c.window->on_loadCfg_released(); };
    config_write.check = [](Cell &c, bool) {
        QFile f(c.file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), c.before);  // read, never written
    };
    all << config_write;

    Row firmware;
    firmware.name = "firmware";
    firmware.codes = {0x77};
    firmware.fail = {kConfirmFirmware, firmware::kTimeoutText};
    firmware.ok = {kConfirmFirmware};
    firmware.prepare = [](Cell &c) {
        user_file(c, "image.hex", hex_image::lines(256).join("\r\n").toLatin1() + "\r\n");
    };
    firmware.run = [](Cell &c) { c.window->on_progButton_released(); };
    firmware.check = [](Cell &c, bool ok) {
        if (c.window->port && c.window->port->isOpen())
            QCOMPARE(c.window->port->baudRate(), 57600);  // back at the line's speed
        if (ok)
            QVERIFY(c.sim.lines().filter("loader: image complete").size() == 1);
        else
            QVERIFY(c.sim.lines().filter("loader: image complete").isEmpty());
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

Plan plan_for(const Row &row, Column column)
{
    Plan p;
    const QString codes = codes_text(row.codes);
    const quint8 first = row.codes.first();
    const bool connect = row.name == QLatin1String("connect");
    // One attempt lasts the pause after the write and MWAIT idle ticks.
    const int late_ms = (row.pre_wait ? timing().pre_wait_ms : 0) + 350;
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
        // Only the first answer is late: it arrives in the second attempt.
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
        // pulled out meanwhile.
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
    case ColumnCount:
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
            p.control << QStringLiteral("fault delay=%1@0x01:1").arg(late_ms + timing().pre_wait_ms);
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
        case ColumnCount:
            break;
        }
        p.usable = p.ok;
        p.messages = p.ok ? row.ok : p.messages;
    }
    return p;
}

bool matches(const QStringList &patterns, const QStringList &texts)
{
    if (patterns.size() != texts.size())
        return false;
    for (int i = 0; i < texts.size(); ++i) {
        if (patterns[i].startsWith('~')) {
            if (!QRegularExpression(patterns[i].mid(1)).match(texts[i]).hasMatch())
                return false;
        } else if (patterns[i] != texts[i]) {
            return false;
        }
    }
    return true;
}

const QStringList kSimArgs{"--address", "1", "--modes", "1,2,0,1", "--version", "2.5", "--log-records", "3"};

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
};

void TestFaultMatrix::initTestCase()
{
    // Some 200 cells of traffic: the program's diagnostic lines would drown
    // what matters.
    if (!qEnvironmentVariableIsSet("MIRVAL_MATRIX_DEBUG"))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QVERIFY(!runtime.isEmpty());
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Rows are chosen with MIRVAL_MATRIX_ROWS (a pattern), so that CTest can run
// parts of the matrix side by side.
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
            QTest::addRow("%s / %s", qPrintable(all[r].name), kColumnNames[c]) << r << c;
    }
}

bool TestFaultMatrix::connect_window(Cell &c)
{
    if (!QTest::qWaitFor([&] { return c.ui().comPortComboBox->findText(c.sim.port()) >= 0; }, 3000))
        return false;
    c.ui().comPortComboBox->setCurrentText(c.sim.port());
    c.ui().searchButton->released();
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

    // Real ticks, attempts and poll; the pauses the simulator does not need
    // are shortened.
    ScopedTiming saved;
    timing().pre_wait_ms = 100;
    timing().collect_second_ms = 100;
    timing().loader_tick_ms = 20;
    timing().restart_step_ms = 20;
    link_settings = LinkSettings();
    link_settings.repeat_index = 0;  // 2 attempts
    link_settings.wait_index = 0;    // of 25 idle ticks
    exchange_busy = 0;
    controls_frozen = 0;
    poll_fail_count = 0;

    const Plan plan = plan_for(row, column);
    Cell c;
    QVERIFY(c.sim.start(kSimArgs + plan.start_args));
    c.dialogs = std::make_shared<ScriptedDialogs>();
    MainWindowServices services;
    services.dialogs = c.dialogs;  // the real port
    // The virtual ports only: a scan of the system's ports costs milliseconds
    // of CPU, which five matrices side by side on two cores cannot spare.
    // A system port stays, as on a PC with a built-in one: a pulled adapter
    // does not leave the list empty (which ends the program).
    services.enumerate = [] { return QStringList{QStringLiteral("ttyS0")} + virtual_ports::live_ports(); };
    services.watch_interval_ms = 200;
    services.show_viewer = [&c](proto &viewer) {
        const QListWidget *list = viewer.findChild<QListWidget *>("pr");
        c.viewer_lines = list ? list->count() : -1;
    };
    services.show_progress = [](prog &) {};
    c.window = std::make_unique<MainWindow>(services);
    c.ui().addres->setValue(1);

    const bool connect_row = row.name == QLatin1String("connect");
    if (connect_row) {
        QVERIFY(QTest::qWaitFor([&] { return c.ui().comPortComboBox->findText(c.sim.port()) >= 0; }, 3000));
        c.ui().comPortComboBox->setCurrentText(c.sim.port());
    } else {
        QVERIFY(connect_window(c));
        QCOMPARE(c.texts(), QStringList());
    }
    if (row.prepare)
        row.prepare(c);
    QCOMPARE(c.texts(), QStringList());
    // The poll does not run into the fault before the operation does.
    c.window->poll_timer->stop();

    for (const QString &line : plan.control)
        QVERIFY2(c.sim.control(line), qPrintable(line));
    QMetaObject::Connection killer;
    if (!plan.kill_on.isEmpty()) {
        const int from = int(c.sim.lines().size());
        killer = QObject::connect(&c.sim.process(), &QProcess::readyReadStandardOutput, [&c, &plan, from] {
            const QStringList &lines = c.sim.lines();
            for (int i = from; i < lines.size(); ++i)
                if (lines[i].contains(plan.kill_on)) {
                    c.sim.kill();
                    return;
                }
        });
    }

    row.run(c);
    QObject::disconnect(killer);
    // The operation ends at once with the line, the connection from the
    // event loop right after.
    if (column == Vanish)
        (void)QTest::qWaitFor([&c] { return !c.connected(); }, 2000);

    const QStringList shown = c.texts();
    QVERIFY2(
        matches(plan.messages, shown),
        qPrintable(
            QStringLiteral("messages %1, expected %2").arg(shown.join(" | "), plan.messages.join(" | "))));
    QCOMPARE(c.usable(), plan.usable);
    if (row.check)
        row.check(c, plan.ok);
    if (QTest::currentTestFailed())
        return;

    // The line is good again (a new adapter, when it was pulled out): the
    // program connects and shows what the unit holds.
    // A unit left in its loader by a failed update is switched off and on.
    const bool power_cycle = row.name == QLatin1String("firmware") && !plan.ok;
    if (column == Vanish || power_cycle) {
        c.sim.kill();
        QVERIFY(c.sim.start(kSimArgs));
    } else {
        QVERIFY(c.sim.control("clear"));
        QVERIFY(c.sim.control("speed-index 4"));
    }
    if (c.connected())
        c.ui().searchButton->released();
    c.dialogs->messages.clear();
    QVERIFY(!c.connected());
    QVERIFY(connect_window(c));
    QCOMPARE(c.texts(), QStringList());
    if (row.check_after_reconnect && column != Vanish)
        row.check_after_reconnect(c, plan.ok);
    c.ui().searchButton->released();
    QVERIFY(!c.connected());
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_fault_matrix.moc"
