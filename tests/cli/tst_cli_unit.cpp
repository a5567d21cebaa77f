// mirval-cli against mirval-sim on a pseudo-terminal: for each operation the
// requests the unit hears equal the window's for the same operation (the
// window against an in-process unit of the same address and modes), the
// exit statuses and messages when the unit fails, the JSON documents, and
// `scan` on a line of three units.
#include "../config/example_config.h"
#include "cli_process.h"
#include "config/config_file.h"
#include "hex_image.h"
#include "link/frames.h"
#include "services/unit_time.h"
#include "sim_process.h"
#include "sim_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// Payloads of the request frames in mirval-sim's printed lines.
QList<QByteArray> printed_requests(const QStringList &lines)
{
    static const QRegularExpression request(QStringLiteral("^\\s*\\d+\\.\\d+ > ([0-9a-f ]+?)  \""));
    QList<QByteArray> out;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = request.match(line);
        if (!m.hasMatch())
            continue;
        QByteArray frame = QByteArray::fromHex(m.captured(1).toLatin1());
        if (!frame.startsWith('$') || !frame.endsWith('\r'))
            continue;
        QByteArray payload = QByteArray::fromHex(frame.mid(1, frame.size() - 2));
        payload.chop(1);  // the checksum
        out << payload;
    }
    return out;
}

QStringList hex(const QList<QByteArray> &payloads)
{
    QStringList out;
    for (const QByteArray &p : payloads)
        out << QString::fromLatin1(p.toHex());
    return out;
}

// Levels (mV, two decimals) of the HF poll answers in mirval-sim's printed
// lines, in order.
QStringList printed_poll_levels(const QStringList &lines)
{
    static const QRegularExpression answer(QStringLiteral("^\\s*\\d+\\.\\d+ < ([0-9a-f ]+?)  \""));
    QByteArray sent;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = answer.match(line);
        if (m.hasMatch())
            sent += QByteArray::fromHex(m.captured(1).toLatin1());
    }
    QStringList out;
    for (const QByteArray &frame : sent.split('\r')) {
        const QByteArray a = QByteArray::fromHex(frame.mid(1));
        if (!frame.startsWith('!') || a.size() < 11 || a[2] != 2)
            continue;
        const qint16 raw = qint16(quint16(quint8(a[5]) | quint8(a[6]) << 8));
        out << QString::number(double(float(raw * 0.6105)), 'f', 2);
    }
    return out;
}

// mirval-sim's lines from `from` on, once it has printed everything.
QStringList settled_lines(SimProcess &sim, int from)
{
    int count = -1;
    for (int i = 0; i < 20 && count != int(sim.lines().size()); ++i) {
        count = int(sim.lines().size());
        sim.process().waitForReadyRead(100);
    }
    return sim.lines().mid(from);
}

}  // namespace

class TestCliUnit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void same_requests_as_window_data();
    void same_requests_as_window();
    void reading_commands_send_the_windows_requests_data();
    void reading_commands_send_the_windows_requests();
    void unit_failures_data();
    void unit_failures();
    void json_documents();
    void journal_of_changes_data();
    void journal_of_changes();
    void scan_finds_the_units_on_the_line();
    void read_of_one_unit_among_several();
    void write_verify_and_diff();
    void write_changed_only_data();
    void write_changed_only();
    void flash();
    void monitor_csv();

private:
    QStringList unit_args(SimProcess &sim, int address = 7) const
    {
        return {"--port", sim.port(), "--address", QString::number(address)};
    }
    QTemporaryDir m_dir;
};

void TestCliUnit::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QVERIFY(m_dir.isValid());
    // The window's transaction trace would drown the failures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void TestCliUnit::same_requests_as_window_data()
{
    QTest::addColumn<QStringList>("cli");
    QTest::addColumn<QString>("op");       // what the window does
    QTest::addColumn<QString>("value");    // the list item picked
    QTest::addColumn<int>("channel");      // the channel shown in the window
    QTest::addColumn<QStringList>("own");  // requests the tool sends before the window's
    QTest::addColumn<int>("gui_from");     // the window's requests compared: [from, to)
    QTest::addColumn<int>("gui_to");       // <= 0: counted from the end

    // The unit: address 7, channels HF, HF, LF, off; factory values. Before
    // a set the tool reads the value it replaces, for the change journal,
    // except the cut values (their read names no channel).
    const QStringList modes{"0705"};
    QTest::newRow("set porog") << QStringList{"set", "porog", "140", "--channel", "2"} << "porog"
                               << "140" << 2 << QStringList{"0705", "071102"} << 0 << 0;
    QTest::newRow("set arp") << QStringList{"set", "arp", "3"} << "arp"
                             << "3" << 1 << QStringList{"0705", "071201"} << 0 << 0;
    QTest::newRow("set zad (unit-wide)") << QStringList{"set", "zad", "400"} << "zad"
                                         << "400" << 1 << QStringList{"0705", "0719"} << 0 << 0;
    QTest::newRow("set trevoga (by version)")
        << QStringList{"set", "trevoga", "5", "--channel", "2"} << "trevoga"
        << "5" << 2 << QStringList{"0705", "0726", "071a02"} << 0 << 0;
    QTest::newRow("set reject (LF)") << QStringList{"set", "reject", "2.7", "--channel", "3"} << "reject"
                                     << "2.7" << 3 << QStringList{"0705", "071003"} << 0 << 0;
    QTest::newRow("set porog_perepil (HF)") << QStringList{"set", "porog_perepil", "200"} << "porog_perepil"
                                            << "200" << 1 << modes << 0 << 0;
    QTest::newRow("set time_perepil (HF)")
        << QStringList{"set", "time_perepil", "12", "--channel", "2"} << "time_perepil"
        << "12" << 2 << modes << 0 << 0;
    // The window reads the channel back after a preset and a mode change to
    // show it; the tool does not.
    QTest::newRow("set pred") << QStringList{"set", "pred", "Рабица", "--channel", "3"} << "pred"
                              << "Рабица" << 3 << QStringList{"0705", "070e03"} << 0 << 1;
    // The window holds the pairing mask from its read-back; the tool asks.
    QTest::newRow("set onoff") << QStringList{"set", "onoff", "НЧ", "--channel", "4"} << "onoff"
                               << "НЧ" << 4 << QStringList{"0705", "0718"} << 0 << 2;
    // The channel's read-back, without the window's get_address before it and
    // the unit status after it.
    QTest::newRow("get porog (HF read-back)") << QStringList{"get", "porog", "--channel", "2"} << "select"
                                              << "" << 2 << modes << 1 << -1;
    QTest::newRow("get reject (LF read-back)") << QStringList{"get", "reject", "--channel", "3"} << "select"
                                               << "" << 3 << modes << 1 << -1;
    QTest::newRow("time") << QStringList{"time"} << "time"
                          << "" << 1 << QStringList{} << 0 << 0;
    QTest::newRow("clear-log") << QStringList{"clear-log"} << "clear-log"
                               << "" << 1 << QStringList{} << 0 << 0;
    QTest::newRow("test") << QStringList{"test"} << "test"
                          << "" << 1 << QStringList{} << 0 << 0;
    QTest::newRow("level") << QStringList{"level", "--channel", "2"} << "level"
                           << "" << 2 << QStringList{} << 0 << 0;
    QTest::newRow("read") << QStringList{"read", m_dir.filePath("read.xml")} << "read"
                          << "" << 1 << QStringList{} << 0 << 0;
}

void TestCliUnit::same_requests_as_window()
{
    QFETCH(QStringList, cli);
    QFETCH(QString, op);
    QFETCH(QString, value);
    QFETCH(int, channel);
    QFETCH(QStringList, own);
    QFETCH(int, gui_from);
    QFETCH(int, gui_to);

    // The window.
    QList<QByteArray> window_requests;
    {
        SimWindow w(7);
        w.unit.state().set_modes({2, 2, 1, 0});
        w.press_start();
        QVERIFY(w.connected());
        if (op != "select" && channel != 1)
            w.ui().chn->setCurrentIndex(channel - 1);
        w.forget_requests();
        if (op == "select") {
            w.ui().chn->setCurrentIndex(channel - 1);
        } else if (op == "time") {
            w.window->on_getTime_released();
        } else if (op == "clear-log") {
            w.window->on_clearProtokol_released();
        } else if (op == "test") {
            w.window->dk();
        } else if (op == "level") {
            w.window->yroven();
        } else if (op == "read") {
            UnitConfig out;
            QVERIFY(w.window->read_unit_config(7, out));
        } else {
            auto *box = w.window->findChild<QComboBox *>(op);
            QVERIFY(box);
            const int index = box->findText(value);
            QVERIFY(index >= 0 && index != box->currentIndex());
            box->setCurrentIndex(index);
        }
        // The window told of no failure.
        static const QRegularExpression failure(
            QStringLiteral("Нет ответа|не установлен|не выполнен|не изменен"));
        QCOMPARE(w.dialogs->texts().filter(failure), QStringList());
        window_requests = w.requests();
    }
    QVERIFY(!window_requests.isEmpty());
    const int to = gui_to > 0 ? gui_to : int(window_requests.size()) + gui_to;
    QStringList expected = own + hex(window_requests.mid(gui_from, to - gui_from));

    // The tool against mirval-sim with the same unit.
    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0"}));
    const int from = int(sim.lines().size());
    const CliRun run = run_cli(unit_args(sim) + cli);
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QCOMPARE(run.err, QString());
    QCOMPARE(hex(printed_requests(settled_lines(sim, from))), expected);
}

void TestCliUnit::reading_commands_send_the_windows_requests_data()
{
    QTest::addColumn<QStringList>("cli");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QStringList>("after");  // requests the tool sends after the window's
    QTest::addColumn<QString>("output");     // a line the tool prints

    // info is the window's connection, then one poll of each other channel
    // that is on (3 and 7 are HF and LF; channel 4 is off and not asked),
    // then the whole-unit read for the fingerprint (channel 4 not asked).
    QTest::newRow("info") << QStringList{"info"} << "connect"
                          << QStringList{"070b02", "070b03", "0705",   "071101", "070f01", "071201",
                                         "071301", "071401", "071501", "071601", "071a01", "0721",
                                         "0722",   "071102", "070f02", "071202", "071302", "071402",
                                         "071502", "071602", "071a02", "0721",   "0722",   "071103",
                                         "070f03", "071203", "071303", "071403", "071503", "071603",
                                         "071a03", "071003", "070e03", "0718",   "0719",   "071c"}
                          << "Канал 4: Выкл";
    QTest::newRow("log") << QStringList{"log"} << "log" << QStringList{} << "[4]: Канал ВЫКЛ.";
    QTest::newRow("frequency") << QStringList{"frequency", "--channel", "2"} << "frequency" << QStringList{}
                               << "Частота : ";
}

// The sequences the core holds for both: the connection's read-back, the
// event log, a collected measurement.
void TestCliUnit::reading_commands_send_the_windows_requests()
{
    QFETCH(QStringList, cli);
    QFETCH(QString, op);
    QFETCH(QStringList, after);
    QFETCH(QString, output);
    constexpr int kRecords = 3;

    QList<QByteArray> window_requests;
    {
        SimWindow w(7);
        w.unit.state().set_modes({2, 2, 1, 0});
        w.unit.state().fill_example_log(kRecords, 1800000000u);
        w.timing().collect_second_ms = 20;  // the window's seconds; the tool's are real
        if (op != "connect") {
            w.press_start();
            QVERIFY(w.connected());
        }
        w.forget_requests();
        // The log viewer is modal: close it once it is open.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                d->accept();
        });
        closer.start(5);
        if (op == "connect") {
            w.press_start();
            QVERIFY(w.connected());
        } else if (op == "log") {
            w.window->on_getProtokol_released();
        } else {
            w.ui().chn->setCurrentIndex(1);
            w.forget_requests();
            w.window->ch_filtr();
        }
        // Without the window's status polls, which run between its requests.
        for (const QByteArray &r : w.requests())
            if (quint8(r[1]) != 0x0B)
                window_requests << r;
        QCOMPARE(w.dialogs->texts().filter(QRegularExpression(QStringLiteral("Нет ответа|Не удалось"))),
                 QStringList());
    }
    QVERIFY(!window_requests.isEmpty());

    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0", "--log-records", QString::number(kRecords)}));
    const int from = int(sim.lines().size());
    const CliRun run = run_cli(unit_args(sim) + cli);
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(output), qPrintable(run.out));
    QCOMPARE(hex(printed_requests(settled_lines(sim, from))), hex(window_requests) + after);
}

void TestCliUnit::unit_failures_data()
{
    QTest::addColumn<QStringList>("sim");  // more mirval-sim arguments
    QTest::addColumn<QStringList>("cli");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("requests");  // what the unit heard; empty: not checked

    QTest::newRow("set not confirmed")
        << QStringList{"--fault", "refuse=0x2f"} << QStringList{"set", "porog", "140", "--channel", "2"} << 1
        << "Параметр 'Порог' не установлен!" << QStringList{};
    QTest::newRow("silent unit") << QStringList{"--fault", "silence"} << QStringList{"time"} << 1
                                 << "Нет ответа от блока!" << QStringList{};
    QTest::newRow("mode change refused")
        << QStringList{"--fault", "refuse=0x38"} << QStringList{"set", "onoff", "НЧ", "--channel", "4"} << 1
        << "Не изменен режим работы канала!..." << QStringList{};
    QTest::newRow("pairs not cleared")
        << QStringList{"--fault", "refuse=0x36"} << QStringList{"set", "onoff", "НЧ", "--channel", "4"} << 1
        << "Параметр 'Кросс' не установлен!..." << QStringList{};
    QTest::newRow("self-test refused") << QStringList{"--fault", "refuse=0x03"} << QStringList{"test"} << 1
                                       << "Команда 'Тест' не выполнена!" << QStringList{};
    QTest::newRow("level refused") << QStringList{"--fault", "refuse=0x1f"} << QStringList{"level"} << 1
                                   << "Команда 'Уровень' не выполнена!" << QStringList{};
    QTest::newRow("read broken off") << QStringList{"--fault", "silent-after=6"}
                                     << QStringList{"read", m_dir.filePath("broken.xml")} << 1
                                     << "Нет ответа от блока!" << QStringList{};
    // Refused before anything is set: the form disables those lists.
    QTest::newRow("rejection on an HF channel") << QStringList{} << QStringList{"set", "reject", "1"} << 2
                                                << "не задается в режиме 'ВЧ'" << QStringList{"0705"};
    QTest::newRow("threshold on a channel off")
        << QStringList{} << QStringList{"set", "porog", "140", "--channel", "4"} << 2
        << "не задается в режиме 'Выкл'" << QStringList{"0705"};
    QTest::newRow("preset of an HF channel") << QStringList{} << QStringList{"get", "pred"} << 2
                                             << "не используется в режиме 'ВЧ'" << QStringList{"0705"};
    QTest::newRow("monitor of a channel off") << QStringList{} << QStringList{"monitor", "--channel", "4"}
                                              << 2 << "Канал 4 выключен!" << QStringList{"0705"};
}

void TestCliUnit::unit_failures()
{
    QFETCH(QStringList, sim);
    QFETCH(QStringList, cli);
    QFETCH(int, exit);
    QFETCH(QString, message);
    QFETCH(QStringList, requests);

    SimProcess unit;
    QVERIFY(unit.start(QStringList{"--address", "7", "--modes", "2,2,1,0"} + sim));
    const int from = int(unit.lines().size());
    const CliRun run = run_cli(QStringList{"--json"} + unit_args(unit) + cli);
    QCOMPARE(run.exit, exit);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    const QJsonObject doc = run.json();
    QCOMPARE(doc["ok"].toBool(true), false);
    QCOMPARE(doc["exit"].toInt(), exit);
    QVERIFY(doc["error"].toString().contains(message));
    if (!requests.isEmpty())
        QCOMPARE(hex(printed_requests(settled_lines(unit, from))), requests);
    // A read that broke off leaves no file behind.
    QVERIFY(!QFile::exists(m_dir.filePath("broken.xml")));
}

void TestCliUnit::json_documents()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0", "--clock", "1700000000"}));
    const QStringList unit = unit_args(sim);

    CliRun run = run_cli(QStringList{"--json"} + unit + QStringList{"set", "porog", "140", "--channel", "2"});
    QCOMPARE(run.exit, 0);
    QJsonObject doc = run.json();
    QCOMPARE(doc["command"].toString(), QString("set"));
    QCOMPARE(doc["ok"].toBool(), true);
    QCOMPARE(doc["code"].toInt(), 9);
    QCOMPARE(doc["unit"].toString(), QString("мВ"));

    // The unit keeps it; the other HF channel does not change.
    run = run_cli(QStringList{"--json"} + unit + QStringList{"get", "porog", "--channel", "2"});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.json()["text"].toString(), QString("140"));
    run = run_cli(unit + QStringList{"get", "porog", "--channel", "1"});
    QCOMPARE(run.out, QString("50\n"));
    run = run_cli(QStringList{"--json"} + unit + QStringList{"get", "onoff", "--channel", "3"});
    QCOMPARE(run.json()["text"].toString(), QString("НЧ"));

    run = run_cli(QStringList{"--json"} + unit + QStringList{"time"});
    QCOMPARE(run.exit, 0);
    const qint64 t = run.json()["unit_time"].toInteger();
    QVERIFY2(t >= 1700000000 && t < 1700000000 + 30, qPrintable(run.out));
    QCOMPARE(run.json()["text"].toString(), DATE(t));

    // One document per poll while monitoring; HF polls carry the level.
    run = run_cli(QStringList{"--json"} + unit + QStringList{"monitor", "--channel", "1", "--count", "3"});
    QCOMPARE(run.exit, 0);
    const QStringList lines = run.out_lines();
    QCOMPARE(lines.size(), 3);
    for (const QString &line : lines) {
        const QJsonObject poll = QJsonDocument::fromJson(line.toUtf8()).object();
        QCOMPARE(poll["channel"].toInt(), 1);
        QCOMPARE(poll["state"].toInt(), 0);
        QVERIFY(poll.contains("level"));
    }
    run = run_cli(unit + QStringList{"monitor", "--channel", "3", "--count", "2"});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out_lines().size(), 2);
    QVERIFY2(run.out_lines()[0].endsWith("Норма (0x00)"), qPrintable(run.out));
}

void TestCliUnit::journal_of_changes_data()
{
    QTest::addColumn<QString>("fault");   // switched on before the second set
    QTest::addColumn<QString>("result");  // the second set's in the journal

    // The unit refuses by keeping silent: the tool cannot tell that from a
    // lost request.
    QTest::newRow("not answered") << "refuse=0x2f"
                                  << "no answer";
    QTest::newRow("answered, not confirmed") << "refuse-bad=0x2f"
                                             << "refused";
}

// Every set goes to the journal with the value it replaced, confirmed or not;
// `journal` lists a unit's entries.
void TestCliUnit::journal_of_changes()
{
    QFETCH(QString, fault);
    QFETCH(QString, result);
    QTemporaryDir data;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const auto restore = qScopeGuard([&saved] { qputenv("XDG_DATA_HOME", saved); });

    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0"}));
    QCOMPARE(run_cli(unit_args(sim) + QStringList{"set", "porog", "140", "--channel", "2"}).exit, 0);
    QVERIFY(sim.control("fault " + fault));
    QCOMPARE(run_cli(unit_args(sim) + QStringList{"set", "porog", "200", "--channel", "2"}).exit, 1);

    CliRun run = run_cli({"--json", "journal", "--address", "7"});
    QCOMPARE(run.exit, 0);
    QStringList entries;
    for (const QJsonValue &e : run.json()["entries"].toArray())
        entries << QStringLiteral("%1 %2 %3 %4/%5: %6 -> %7 (%8), %9")
                       .arg(e["port"].toString() == sim.port())
                       .arg(e["address"].toInt())
                       .arg(e["channel"].toInt())
                       .arg(e["parameter"].toString(), e["key"].toString(), e["old"]["text"].toString(),
                            e["new"]["text"].toString())
                       .arg(e["new"]["code"].toInt())
                       .arg(e["result"].toString());
    QCOMPARE(entries, (QStringList{"1 7 2 Порог/POROG: 50 мВ -> 140 мВ (9), confirmed",
                                   "1 7 2 Порог/POROG: 140 мВ -> 200 мВ (10), " + result}));
    run = run_cli({"journal"});
    QVERIFY2(run.out_lines().value(2).contains(QStringLiteral("140 мВ → 200 мВ")), qPrintable(run.out));
    run = run_cli({"--json", "journal", "--address", "8"});
    QCOMPARE(run.json()["entries"].toArray().size(), 0);
}

void TestCliUnit::scan_finds_the_units_on_the_line()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "3,7,12"}));
    QElapsedTimer clock;
    clock.start();
    CliRun run = run_cli({"--port", sim.port(), "scan", "--from", "1", "--to", "13"});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out, QString("3\n7\n12\n"));
    // Ten silent addresses at the shortest attempts, some 0.5 s each.
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    // Not a terminal: no progress lines.
    QCOMPARE(run.err, QString());

    run = run_cli({"--json", "--port", sim.port(), "scan", "--from", "6", "--to", "8"});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.json()["addresses"].toArray(), (QJsonArray{7}));
    run = run_cli({"--port", sim.port(), "scan", "--from", "13", "--to", "14"});
    QCOMPARE(run.exit, 1);
    QVERIFY(run.err.contains("Блок не обнаружен!"));
    QCOMPARE(run.out, QString());
}

// Each unit's file holds its own modes, not those of the first unit on the
// line (which alone answers address 0).
void TestCliUnit::read_of_one_unit_among_several()
{
    SimProcess sim;
    QVERIFY(
        sim.start({"--address", "3,7,12", "--modes", "1,1,1,1", "--modes", "2,2,1,0", "--modes", "0,0,0,1"}));
    const struct {
        int address;
        int modes[4];
    } units[] = {{3, {1, 1, 1, 1}}, {7, {2, 2, 1, 0}}, {12, {0, 0, 0, 1}}};
    for (const auto &u : units) {
        const QString path = m_dir.filePath(QStringLiteral("unit-%1.xml").arg(u.address));
        const CliRun run = run_cli(unit_args(sim, u.address) + QStringList{"read", path});
        QVERIFY2(run.exit == 0, qPrintable(run.err));
        UnitConfig config;
        QVERIFY(load_config_file(path, config).ok);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(config.channels[k].regim, u.modes[k]);
    }
}

// The whole-unit write with its read-back check, the same requests as the
// window's write, and `diff` of the files.
void TestCliUnit::write_verify_and_diff()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0"}));
    const QStringList unit = unit_args(sim);
    const QString original = m_dir.filePath("original.xml");
    const QString changed = m_dir.filePath("changed.xml");
    QCOMPARE(run_cli(unit + QStringList{"read", original}).exit, 0);
    UnitConfig config;
    QVERIFY(load_config_file(original, config).ok);
    config.channels[0].porog = 11;         // 280 mV
    config.channels[2].predustanovka = 5;  // Профлист
    config.zaderzhka = 10;                 // 400 ms (code offset 2)
    QString error;
    QCOMPARE(save_config_file(changed, config, &error), 0);

    QList<QByteArray> window_requests;
    {
        SimWindow w(7);
        w.unit.state().set_modes({2, 2, 1, 0});
        w.press_start();
        QVERIFY(w.connected());
        w.forget_requests();
        w.window->write_unit_config(7, config);
        window_requests = w.requests();
    }
    // The window reads its channel back after the write, from get_address on.
    const int written = int(window_requests.indexOf(QByteArray::fromHex("0720")));
    QVERIFY(written > 40);

    const int from = int(sim.lines().size());
    CliRun run = run_cli(unit + QStringList{"write", changed, "--verify"}, 120000);
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QVERIFY(run.out.contains("проверена"));
    const QList<QByteArray> heard = printed_requests(settled_lines(sim, from));
    QCOMPARE(hex(heard.mid(0, written)), hex(window_requests.mid(0, written)));
    QCOMPARE(heard.value(written), QByteArray::fromHex("0705"));  // the check reads the unit

    run = run_cli(unit + QStringList{"diff", changed});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out, QString("Расхождений нет.\n"));
    run = run_cli(unit + QStringList{"diff", original});
    QCOMPARE(run.exit, 1);
    QCOMPARE(run.out_lines(), (QStringList{"Канал 1: Порог: в файле 50 мВ, в блоке 280 мВ",
                                           "Канал 3: Предустановка: в файле Заводская, в блоке Профлист",
                                           "Блок: Задержка: в файле 160 мсек, в блоке 400 мсек"}));

    // A value the unit holds as its low byte is no difference, but said.
    config.zaderzhka += 256;
    QCOMPARE(save_config_file(changed, config, &error), 0);
    run = run_cli(unit + QStringList{"diff", changed});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out_lines(),
             (QStringList{"Блок: Задержка: в файле код 266 (нет в списке), блок хранит это как 400 мсек",
                          "Расхождений нет."}));
}

void TestCliUnit::write_changed_only_data()
{
    QTest::addColumn<QStringList>("edits");  // the file is what the unit holds, with these
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("writes");  // what the unit hears after the whole read
    QTest::addColumn<QStringList>("reads");   // and then

    // The unit: address 7, channels HF, HF, LF, off; factory values.
    const QStringList several{"1 porog 11", "2 onoff 0", "0 zad 10"};
    QTest::newRow("several") << several << QStringList{} << 0 << QStringList{"072f010b", "07380200", "07370a"}
                             << QStringList{"0705", "071101", "0719"};
    QTest::newRow("cut time") << QStringList{"2 time_perepil 4"} << QStringList{} << 0
                              << QStringList{"073d0204"} << QStringList{"071102", "0722"};
    QTest::newRow("dry run") << several << QStringList{"--dry-run"} << 0 << QStringList{} << QStringList{};
    QTest::newRow("nothing differs") << QStringList{} << QStringList{} << 0 << QStringList{} << QStringList{};
    // Refused before any request: not even the read.
    QTest::newRow("values outside the lists")
        << QStringList{"1 porog 11", "1 impuls 250"} << QStringList{} << 3 << QStringList{} << QStringList{};
}

// The unit hears its whole read, then only the setters of what differs,
// then the reads of those values; afterwards it holds the file.
void TestCliUnit::write_changed_only()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, flags);
    QFETCH(int, exit);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, reads);

    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,2,1,0"}));
    const QStringList unit = unit_args(sim);
    const QString held = m_dir.filePath("held.xml");
    const QString path = m_dir.filePath("changed-only.xml");
    int from = int(sim.lines().size());
    QCOMPARE(run_cli(unit + QStringList{"read", held}).exit, 0);
    const QStringList whole_read = hex(printed_requests(settled_lines(sim, from)));
    UnitConfig config;
    QVERIFY(load_config_file(held, config).ok);
    QString error;
    QCOMPARE(save_config_file(path, edited(config, edits), &error), 0);

    from = int(sim.lines().size());
    const CliRun run =
        run_cli(QStringList{"--json"} + unit + QStringList{"write", path, "--changed-only"} + flags);
    QVERIFY2(run.exit == exit, qPrintable(run.err));
    const QStringList heard = hex(printed_requests(settled_lines(sim, from)));
    if (exit != 0) {
        QCOMPARE(heard, QStringList());
        return;
    }
    QCOMPARE(heard, whole_read + writes + reads);
    const QJsonObject doc = run.json();
    // One setter for each value edited here, each checked unless a dry run.
    QCOMPARE(doc["writes"].toArray().size(), edits.size());
    QCOMPARE(doc["checked"].toArray().size(), flags.isEmpty() ? edits.size() : 0);
    // What was written holds: the unit and the file agree (or still differ
    // after a dry run).
    const CliRun diff = run_cli(unit + QStringList{"diff", path});
    QCOMPARE(diff.exit, flags.contains("--dry-run") ? 1 : 0);
}

void TestCliUnit::flash()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "7"}));
    const QString path = m_dir.filePath("image.hex");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(hex_image::lines(32).join('\n').toLatin1() + '\n');
    file.close();
    const CliRun run = run_cli(unit_args(sim) + QStringList{"flash", path}, 60000);
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QCOMPARE(run.out, QString("Прошивка успешно завершена !\n"));
    QVERIFY(run.err.contains("Передача прошивки... 3/3"));
    // Back at the line's speed afterwards.
    QCOMPARE(run_cli(unit_args(sim) + QStringList{"test"}).exit, 0);
}

// The window's level-plot table, poll by poll: the levels the unit sent.
void TestCliUnit::monitor_csv()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "7", "--modes", "2,1,1,0", "--level", "1:square:500:61.05:61.05",
                       "--states", "2:0x11/100000"}));
    const QStringList unit = unit_args(sim);
    const int from = int(sim.lines().size());
    CliRun run = run_cli(unit + QStringList{"monitor", "--channel", "1", "--count", "6", "--csv"});
    QCOMPARE(run.exit, 0);
    QStringList rows = run.out_lines();
    QCOMPARE(rows.value(0), QStringLiteral("time_s,level_mV,state"));
    rows.removeFirst();
    QStringList levels;
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char(','));
        QCOMPARE(f.size(), 3);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{3}$")).match(f[0]).hasMatch(),
                 qPrintable(row));
        QCOMPARE(f[2], QStringLiteral("Норма"));
        levels << f[1];
    }
    QCOMPARE(levels, printed_poll_levels(settled_lines(sim, from)));
    QCOMPARE(levels.size(), 6);
    QVERIFY(levels.contains("122.10") && levels.contains("0.00"));

    // An LF channel has no level.
    run = run_cli(unit + QStringList{"monitor", "--channel", "2", "--count", "2", "--csv"});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out_lines().mid(1).size(), 2);
    QVERIFY2(run.out_lines().value(1).endsWith(",,Тревога"), qPrintable(run.out));
    run = run_cli(QStringList{"--json"} + unit + QStringList{"monitor", "--channel", "1", "--csv"});
    QCOMPARE(run.exit, 2);
}

QTEST_MAIN(TestCliUnit)
#include "tst_cli_unit.moc"
