// The real QSerialPort against mirval-sim over a pseudo-terminal: the port
// list sees the virtual port come and go, transactions go through, and a line
// speed that does not match gets no answer until it does.
#include "common/timing.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/port_names.h"
#include "link/port_watcher.h"
#include "link/qt_serial_port.h"
#include "sim_process.h"

#include <QScopedValueRollback>
#include <QSignalSpy>
#include <QtTest>

class TestE2eLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void port_list_shows_the_simulator_within_a_second();
    void transactions_data();
    void transactions();
    void speed_mismatch_gets_no_answer_until_speeds_agree();
    void status_poll_exchange();
    void port_list_drops_the_simulator_when_it_exits();

private:
    SimProcess m_sim;
    QString m_port_name;
    QtSerialPort m_port;
    Exchange m_exchange;
};

void TestE2eLink::initTestCase()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QVERIFY(!runtime.isEmpty());
    QDir().mkpath(QString::fromLocal8Bit(runtime));
    QFile::setPermissions(QString::fromLocal8Bit(runtime),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    PortWatcher watcher(present_port_names);
    QSignalSpy found(&watcher, &PortWatcher::deviceDiscovered);
    watcher.setUpNotifications(200);
    found.clear();

    QVERIFY(m_sim.start({"--address", "7", "--modes", "1,2,0,1"}));
    m_port_name = m_sim.port();

    // The watcher reports the new port within its next look.
    QTRY_VERIFY_WITH_TIMEOUT(!found.isEmpty(), 1000);
    QCOMPARE(found.last().at(0).value<PortInfo>().portName, m_port_name);

    QVERIFY(m_port.open(m_port_name, LineSettings{4800}));
    QVERIFY(m_port.setBaudRate(57600));
    m_exchange.set_port(&m_port);
}

void TestE2eLink::cleanupTestCase()
{
    m_port.close();
    m_sim.stop();
}

void TestE2eLink::port_list_shows_the_simulator_within_a_second()
{
    QVERIFY(present_port_names().contains(m_port_name));
    QVERIFY(admits_port_name(m_port_name));
}

void TestE2eLink::transactions_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("pre_wait");
    QTest::addColumn<int>("byte1");
    // Modes 1,2,0,1: bits 01 00 10 01 = 0x49.
    QTest::newRow("channel modes") << QByteArray::fromHex("0705") << false << 0x49;
    QTest::newRow("address") << QByteArray::fromHex("0720") << false << 7;
    QTest::newRow("set threshold") << QByteArray::fromHex("072f0209") << true << -1;
    QTest::newRow("threshold reads back") << QByteArray::fromHex("071102") << false << 9;
}

void TestE2eLink::transactions()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, pre_wait);
    QFETCH(int, byte1);
    QCOMPARE(m_exchange.SendCommand(payload, pre_wait), 0);
    if (byte1 >= 0)
        QCOMPARE(answer_byte(payload, 1), byte1);
}

void TestE2eLink::speed_mismatch_gets_no_answer_until_speeds_agree()
{
    const QScopedValueRollback<Timing> restore(m_exchange.timing);
    m_exchange.timing.tick_ms = 3;  // 3 attempts of 81 idle ticks: about 0.75 s
    QVERIFY(m_port.setBaudRate(9600));
    QByteArray payload = QByteArray::fromHex("0705");
    QCOMPARE(m_exchange.SendCommand(payload, false), int(NoAnswer));
    QVERIFY(m_port.setBaudRate(57600));
    payload = QByteArray::fromHex("0705");
    QCOMPARE(m_exchange.SendCommand(payload, false), 0);
    QCOMPARE(answer_byte(payload, 1), 0x49);
}

void TestE2eLink::status_poll_exchange()
{
    QByteArray frame = QByteArray::fromHex("070b01");
    encode_frame(frame);
    QElapsedTimer t;
    t.start();
    QCOMPARE(m_exchange.poll_exchange(frame), 0);
    // Ended by the answer, not by the 810 ms the attempt may last.
    QVERIFY2(t.elapsed() < 600, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(decode_frame(frame), 0);
    QVERIFY(frame.size() >= 10);  // the state byte of an LF channel is byte 5, of others byte 9
}

void TestE2eLink::port_list_drops_the_simulator_when_it_exits()
{
    PortWatcher watcher(present_port_names);
    QSignalSpy gone(&watcher, &PortWatcher::deviceRemoved);
    watcher.setUpNotifications(200);
    m_sim.stop();
    QCOMPARE(m_sim.process().state(), QProcess::NotRunning);
    QTRY_VERIFY_WITH_TIMEOUT(!gone.isEmpty(), 1000);
    QCOMPARE(gone.last().at(0).value<PortInfo>().portName, m_port_name);
    QVERIFY(!present_port_names().contains(m_port_name));

    // The program's side of a vanished line fails softly.
    const QScopedValueRollback<Timing> restore(m_exchange.timing);
    m_exchange.timing.tick_ms = 2;
    QByteArray payload = QByteArray::fromHex("0705");
    QCOMPARE(m_exchange.SendCommand(payload, false), int(NoAnswer));
}

QTEST_GUILESS_MAIN(TestE2eLink)
#include "tst_e2e_link.moc"
