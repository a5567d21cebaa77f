// The network port through the real ser2net on 127.0.0.1 in front of
// mirval-sim: the window, started with --port and a list of network ports,
// connects with the speed broadcast and changes a value, the exchange follows every speed change, mirval-cli
// reads the same file as over the pseudo-terminal, writes and checks it, reads the event log, replaces the
// firmware at 4800 baud and comes back; a server that goes away is reported as a pulled adapter, and nothing
// listening as a port that does not open.
#include "cli_process.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "hex_image.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/network_ports.h"
#include "link/port_factory.h"
#include "link/port_failure.h"
#include "link/rfc2217_port.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "window_rig.h"

#include <QScopedValueRollback>
#include <QTemporaryDir>
#include <QtTest>

class TestE2eRfc2217 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void window_connects_with_the_speed_broadcast();
    void exchange_follows_the_line_speed();
    void read_and_write_the_whole_unit();
    void cli_flash_at_4800_and_back();
    void server_killed_mid_transaction();
    void nothing_listening();

private:
    // What the simulator printed from line `from` on, once it has printed
    // everything; sim_mark() is the count of lines so far.
    QStringList sim_lines_since(int from);
    int sim_mark();

    SimProcess m_sim;
    Ser2netProcess m_server;
    QString m_device;  // the simulator's pseudo-terminal
    QTemporaryDir m_dir;
};

void TestE2eRfc2217::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QVERIFY2(!Ser2netProcess::program().isEmpty(), "ser2net is not installed (scripts/deps.sh installs it)");
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    // The unit listens at 4800 until the window's speed broadcast moves it.
    QVERIFY(m_sim.start({"--address", "7", "--modes", "1,2,0,1", "--version", "2.5", "--log-records", "3",
                         "--speed-index", "0"}));
    m_device = Ser2netProcess::device_of(m_sim.port());
    QVERIFY2(m_device.startsWith("/dev/pts/"), qPrintable(m_device));
    QVERIFY2(m_server.start({m_device}), qPrintable(m_server.output()));
    QVERIFY(m_dir.isValid());
}

int TestE2eRfc2217::sim_mark()
{
    return int(sim_lines_since(0).size());
}

QStringList TestE2eRfc2217::sim_lines_since(int from)
{
    int count = -1;
    for (int i = 0; i < 20 && count != int(m_sim.lines().size()); ++i) {
        count = int(m_sim.lines().size());
        m_sim.process().waitForReadyRead(50);
    }
    return m_sim.lines().mid(from);
}

void TestE2eRfc2217::window_connects_with_the_speed_broadcast()
{
    // As `mirval-pult --port URL` starts, with a server the settings file
    // lists that nothing listens at, and no system port: the network ports
    // alone make the list.
    const QString nobody = QStringLiteral("rfc2217://127.0.0.1:%1").arg(Ser2netProcess::free_port());
    const QString list_file = network_ports::settings_file();
    QVERIFY(QDir().mkpath(QFileInfo(list_file).path()));
    QFile list(list_file);
    QVERIFY(list.open(QIODevice::WriteOnly | QIODevice::Truncate));
    list.write((nobody + '\n' + m_server.url() + '\n').toUtf8());
    list.close();
    RealWindow w(500, [this](MainWindowServices &services) {
        services.enumerate = [] { return QStringList(); };
        services.chosen_port = m_server.url();
        services.timing.pre_wait_ms = 150;  // the unanswered broadcasts stay short
        services.timing.tick_ms = 3;
    });
    QFile::remove(list_file);
    const Ui::MainWindow &ui = w.ui();
    QCOMPARE(ui.comPortComboBox->count(), 2);
    QCOMPARE(ui.comPortComboBox->itemText(0), nobody);
    QCOMPARE(ui.comPortComboBox->currentText(), m_server.url());
    ui.addres->setValue(7);
    w.session().speed_search = 1;

    const int from = sim_mark();
    ui.searchButton->released();
    QCOMPARE(w.dialogs->texts(), QStringList());
    QCOMPARE(ui.searchButton->text(), QString("Стоп"));
    QCOMPARE(ui.version->text(), QString("2.5"));
    QCOMPARE(ui.state->text(), QString("Норма"));

    // The unit heard the broadcast at its own speed only; every other speed
    // reached the line through the server.
    const QString heard = sim_lines_since(from).join('\n');
    QVERIFY(heard.contains("24 30 30 30 31 30 34 30 35 0d"));  // "$00010405\r"
    QVERIFY2(!heard.contains("not heard: line at 4800 baud"), qPrintable(heard));
    for (const int baud : {9600, 19200, 38400, 115200})
        QVERIFY2(heard.contains(QStringLiteral("not heard: line at %1 baud").arg(baud)), qPrintable(heard));

    // A setter at 57600, confirmed.
    const int before = sim_mark();
    const int index = ui.porog->currentIndex() == 9 ? 10 : 9;
    ui.porog->setCurrentIndex(index);
    QCOMPARE(w.dialogs->texts(), QStringList());
    QCOMPARE(w.model().current().cur_porog, index);
    QVERIFY(sim_lines_since(before).join('\n').contains(
        QStringLiteral("$072f01%1").arg(index, 2, 16, QLatin1Char('0'))));
    QTRY_VERIFY_WITH_TIMEOUT(w.session().poll_timer().isActive(), 1000);

    ui.searchButton->released();
    QCOMPARE(ui.searchButton->text(), QString("Старт"));
    QVERIFY(w.session().port() == nullptr);
}

void TestE2eRfc2217::exchange_follows_the_line_speed()
{
    Rfc2217Port port;
    QVERIFY2(port.open(m_server.url(), LineSettings{4800}), qPrintable(port.errorString()));
    QVERIFY(port.setBaudRate(57600));
    Exchange exchange;
    exchange.set_port(&port);

    QByteArray payload = QByteArray::fromHex("0705");
    QCOMPARE(exchange.SendCommand(payload, false), 0);
    QCOMPARE(answer_byte(payload, 1), 0x49);  // modes 1,2,0,1

    {
        const QScopedValueRollback<Timing> restore(exchange.timing);
        exchange.timing.tick_ms = 3;
        QVERIFY(port.setBaudRate(9600));
        payload = QByteArray::fromHex("0705");
        QCOMPARE(exchange.SendCommand(payload, false), int(NoAnswer));
    }
    QVERIFY(port.setBaudRate(57600));

    // The status poll's blocking waits, through the socket.
    QByteArray frame = QByteArray::fromHex("070b01");
    encode_frame(frame);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(exchange.poll_exchange(frame), 0);
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(decode_frame(frame), 0);
    exchange.set_port(nullptr);
}

void TestE2eRfc2217::read_and_write_the_whole_unit()
{
    // mirval-cli reads the same file through the server as over the
    // pseudo-terminal itself.
    const QStringList network{"--port", m_server.url(), "--address", "7"};
    const QString over_pty = m_dir.filePath("pty.xml");
    const QString over_network = m_dir.filePath("network.xml");
    QVERIFY(m_server.wait_released(m_device));
    CliRun run = run_cli({"--port", m_sim.port(), "--address", "7", "read", over_pty});
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    run = run_cli(network + QStringList{"read", over_network});
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QFile a(over_pty), b(over_network);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    QVERIFY(bytes.contains("<MIRVAL"));
    QCOMPARE(b.readAll(), bytes);

    // The whole-unit write of a changed record, with a short pause after
    // each set command, and its read-back.
    UnitConfig config;
    QVERIFY(load_config_file(over_network, config).ok);
    config.channels[0].porog = 11;
    config.zaderzhka = 10;
    Rfc2217Port port;
    QVERIFY(port.open(m_server.url(), LineSettings{4800}));
    QVERIFY(port.setBaudRate(57600));
    Exchange exchange;
    exchange.timing.pre_wait_ms = 30;
    exchange.timing.settle_ms = 5;
    exchange.set_port(&port);
    QVERIFY(write_unit_config(exchange_hooks(exchange), 7, config));
    UnitConfig back;
    QVERIFY(read_unit_config(exchange_hooks(exchange), 7, back));
    QVERIFY(back == config);
    exchange.set_port(nullptr);
    port.close();

    run = run_cli(network + QStringList{"log"});
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QCOMPARE(run.out_lines().size(), 3 * 4);
}

void TestE2eRfc2217::cli_flash_at_4800_and_back()
{
    const QString path = m_dir.filePath("image.hex");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(hex_image::lines(64).join('\n').toLatin1() + '\n');
    file.close();

    const QStringList network{"--port", m_server.url(), "--address", "7"};
    const int from = sim_mark();
    CliRun run = run_cli(network + QStringList{"flash", path}, 60000);
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    const QString heard = sim_lines_since(from).join('\n');
    QVERIFY2(heard.contains("loader: image complete, 5 lines"), qPrintable(heard));
    // Every request at the speed the unit listened at: 57600, 4800 for the
    // loader, and 57600 again.
    QVERIFY2(!heard.contains("not heard"), qPrintable(heard));
    QCOMPARE(run_cli(network + QStringList{"test"}).exit, 0);
}

void TestE2eRfc2217::server_killed_mid_transaction()
{
    QVERIFY(m_sim.control("fault silence"));
    Rfc2217Port port;
    QVERIFY(port.open(m_server.url(), LineSettings{57600}));
    QElapsedTimer since_kill;
    qint64 reported_after = -1;
    port.set_lost_handler([&] { reported_after = since_kill.elapsed(); });
    Exchange exchange;
    exchange.timing.tick_ms = 3;
    exchange.timing.pre_wait_ms = 300;
    exchange.set_port(&port);
    // The unit keeps silent; the server goes away while the set command waits.
    QTimer::singleShot(200, [&] {
        since_kill.start();
        m_server.kill();
    });
    QByteArray payload = QByteArray::fromHex("072f0209");
    QCOMPARE(exchange.SendCommand(payload, true), int(NoAnswer));
    // The exchange gives up as soon as the port counts as closed; the loss
    // itself is reported from the event loop.
    QTRY_VERIFY_WITH_TIMEOUT(reported_after >= 0, 1000);
    QVERIFY2(reported_after < 1000, qPrintable(QString::number(reported_after)));
    QVERIFY(!port.isOpen());
    QCOMPARE(int(port.failure()), int(PortFailure::Vanished));
    QVERIFY(port_failure_text(port.failure(), m_server.url()).contains("прервана"));
    exchange.set_port(nullptr);
}

void TestE2eRfc2217::nothing_listening()
{
    const QString url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(Ser2netProcess::free_port());
    Rfc2217Port port;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!port.open(url, LineSettings{4800}));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(int(port.failure()), int(PortFailure::Refused));
    const CliRun run = run_cli({"--port", url, "--address", "7", "time"});
    QCOMPARE(run.exit, 4);
    QVERIFY2(run.err.contains("Не возможно открыть выбранный порт!"), qPrintable(run.err));
    QVERIFY2(run.err.contains("не принимает соединение"), qPrintable(run.err));
}

QTEST_MAIN(TestE2eRfc2217)
#include "tst_e2e_rfc2217.moc"
