// The in-process link: line pacing, blocking waits that sleep, the speed
// check against the port's baud rate, and a port that vanishes.

#include "line_pacer.h"
#include "sim_link_port.h"
#include "wire.h"

#include <QElapsedTimer>
#include <QTest>

#include <ctime>
#include <thread>

using sim::msec;
using sim::SimLinkPort;

namespace {

const QByteArray kPoll = wire::request(wire::bytes("010b01"));  // 10 bytes out
constexpr int kPollAnswerSize = 24;                             // "!" + 11 pairs + CR

double cpu_ms()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// Collects bytes until a CR arrives or ms pass; the wall time of the first
// and of the last byte go to *first_ms and *last_ms.
QByteArray read_answer(SimLinkPort &port, int ms, const QElapsedTimer &clock, double *first_ms = nullptr,
                       double *last_ms = nullptr)
{
    QByteArray got;
    while (!got.endsWith('\r') && clock.elapsed() < ms) {
        if (!port.waitForReadyRead(ms - int(clock.elapsed())))
            break;
        const QByteArray chunk = port.readAll();
        const double t = clock.nsecsElapsed() / 1e6;
        if (got.isEmpty() && first_ms)
            *first_ms = t;
        got += chunk;
        if (last_ms)
            *last_ms = t;
    }
    return got;
}

struct Rig {
    sim::Bus bus;
    sim::Unit &unit;
    SimLinkPort port;
    explicit Rig(int baud = 57600) : unit(bus.add_unit(1)), port(&bus, QStringLiteral("ttySIM3"))
    {
        LineSettings settings;
        settings.baud_rate = baud;
        if (!port.open(QStringLiteral("ttySIM3"), settings))
            qFatal("the link did not open");
    }
};

}  // namespace

class TestSimLink : public QObject {
    Q_OBJECT
private slots:
    void opens_only_under_its_name();
    void answer_is_paced_at_the_line_speed_data();
    void answer_is_paced_at_the_line_speed();
    void slow_answer_trickles_in();
    void waiting_on_silence_sleeps();
    void delayed_answer_is_caught_by_the_next_wait();
    void speed_check_compares_the_port_baud_rate();
    void writing_takes_line_time();
    void answers_while_closed_are_lost();
    void vanished_port_is_gone();
    void request_log_has_the_requests_in_order();
    void pacer_never_promises_a_byte_it_does_not_give_data();
    void pacer_never_promises_a_byte_it_does_not_give();
};

void TestSimLink::opens_only_under_its_name()
{
    sim::Bus bus;
    bus.add_unit(1);
    SimLinkPort port(&bus, QStringLiteral("ttySIM7"));
    LineSettings s;
    s.baud_rate = 9600;
    QVERIFY(!port.open(QStringLiteral("ttySIM1"), s));
    QVERIFY(!port.isOpen());
    QVERIFY(!port.errorString().isEmpty());
    QVERIFY(port.open(QStringLiteral("ttySIM7"), s));
    QVERIFY(port.isOpen());
    QCOMPARE(port.baudRate(), 9600);
    QVERIFY(!port.open(QStringLiteral("ttySIM7"), s));  // already open
    port.close();
    QVERIFY(!port.isOpen());
    QCOMPARE(port.write("x"), qint64(-1));
}

void TestSimLink::answer_is_paced_at_the_line_speed_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("4800") << 4800;
    QTest::newRow("9600") << 9600;
    QTest::newRow("57600") << 57600;
    QTest::newRow("115200") << 115200;
}

void TestSimLink::answer_is_paced_at_the_line_speed()
{
    QFETCH(int, baud);
    Rig rig(baud);
    rig.unit.timing().latency = msec(2);
    const double request_ms = kPoll.size() * 10 * 1000.0 / baud;
    const double answer_ms = kPollAnswerSize * 10 * 1000.0 / baud;
    const double byte_ms = 10 * 1000.0 / baud;

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.port.write(kPoll), qint64(kPoll.size()));
    double first = 0, last = 0;
    const QByteArray got = read_answer(rig.port, 1000, clock, &first, &last);
    QCOMPARE(got.size(), kPollAnswerSize);
    QVERIFY(got.endsWith('\r'));

    const double expected = request_ms + 2 + answer_ms;
    QVERIFY2(last >= expected - 0.1 && last <= 2 * expected + 20,
             qPrintable(QStringLiteral("answer complete after %1 ms, expected %2").arg(last).arg(expected)));
    // The first byte is readable once its own ten bits are in.
    QVERIFY2(first >= request_ms + 2 + byte_ms - 0.1,
             qPrintable(QStringLiteral("first byte after %1 ms").arg(first)));
}

void TestSimLink::slow_answer_trickles_in()
{
    Rig rig(1200);
    rig.unit.timing().latency = 0;
    QElapsedTimer clock;
    clock.start();
    rig.port.write(kPoll);
    // Request 83.3 ms, then one answer byte every 8.33 ms: 50 ms into the
    // 200 ms of the answer about a quarter of it is in.
    const double request_ms = 83.333;
    const double byte_ms = 10 * 1000.0 / 1200;
    std::this_thread::sleep_for(std::chrono::microseconds(83333 + 50000));
    const double before = clock.nsecsElapsed() / 1e6;
    const qint64 part = rig.port.bytesAvailable();
    const double after = clock.nsecsElapsed() / 1e6;
    const qint64 least = qint64((before - request_ms) / byte_ms);
    const qint64 most = qint64((after - request_ms) / byte_ms);
    QVERIFY2(part >= least && part <= most && part < kPollAnswerSize,
             qPrintable(QStringLiteral("%1 bytes after %2 ms").arg(part).arg(before)));
    QCOMPARE(rig.port.readAll().size(), int(part));
    QCOMPARE(read_answer(rig.port, 1000, clock).size(), kPollAnswerSize - int(part));
}

void TestSimLink::waiting_on_silence_sleeps()
{
    Rig rig;
    rig.unit.faults().add("silence");
    rig.port.write(kPoll);
    QElapsedTimer clock;
    clock.start();
    const double cpu_before = cpu_ms();
    QVERIFY(!rig.port.waitForReadyRead(300));
    const double cpu = cpu_ms() - cpu_before;
    QVERIFY2(clock.elapsed() >= 299 && clock.elapsed() < 1200, qPrintable(QString::number(clock.elapsed())));
    // A spinning wait would take all 300 ms.
    QVERIFY2(cpu < 100, qPrintable(QStringLiteral("%1 ms of CPU for a 300 ms wait").arg(cpu)));
}

void TestSimLink::delayed_answer_is_caught_by_the_next_wait()
{
    Rig rig;
    rig.unit.faults().add("delay=500");
    QElapsedTimer clock;
    clock.start();
    rig.port.write(kPoll);
    QVERIFY(!rig.port.waitForReadyRead(300));  // the first attempt gives up
    QCOMPARE(rig.port.bytesAvailable(), qint64(0));
    QCOMPARE(read_answer(rig.port, 2000, clock).size(), kPollAnswerSize);
    QVERIFY2(clock.elapsed() >= 500 && clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
}

void TestSimLink::speed_check_compares_the_port_baud_rate()
{
    Rig rig(9600);
    rig.unit.faults().add("speed-check");
    rig.port.write(kPoll);
    QVERIFY(!rig.port.waitForReadyRead(100));
    QVERIFY(rig.port.setBaudRate(57600));
    rig.port.write(kPoll);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(read_answer(rig.port, 500, clock).size(), kPollAnswerSize);
    QVERIFY(rig.bus.log().notes().join('\n').contains("9600"));
}

void TestSimLink::writing_takes_line_time()
{
    Rig rig(4800);
    rig.unit.faults().add("silence");
    QElapsedTimer clock;
    clock.start();
    rig.port.write(QByteArray(50, 'x'));  // 104 ms on the line
    QVERIFY(rig.port.bytesToWrite() > 0);
    QVERIFY(rig.port.waitForBytesWritten(1000));
    QCOMPARE(rig.port.bytesToWrite(), qint64(0));
    QVERIFY2(clock.elapsed() >= 103 && clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!rig.port.waitForBytesWritten(10));  // nothing left
}

void TestSimLink::answers_while_closed_are_lost()
{
    Rig rig;
    rig.unit.faults().add("delay=30");
    rig.port.write(kPoll);
    rig.port.close();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    LineSettings s;
    s.baud_rate = 57600;
    QVERIFY(rig.port.open(QStringLiteral("ttySIM3"), s));
    QVERIFY(!rig.port.waitForReadyRead(50));
    QCOMPARE(rig.bus.log().answers().size(), 1);  // it was sent all the same
}

void TestSimLink::vanished_port_is_gone()
{
    Rig rig;
    rig.port.write(kPoll);
    rig.port.vanish();
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(rig.port.write(kPoll), qint64(-1));
    QCOMPARE(rig.port.bytesAvailable(), qint64(0));
    QVERIFY(rig.port.readAll().isEmpty());
    QVERIFY(!rig.port.waitForReadyRead(20));
    LineSettings s;
    s.baud_rate = 57600;
    QVERIFY(!rig.port.open(QStringLiteral("ttySIM3"), s));
    rig.port.reappear();
    QVERIFY(rig.port.open(QStringLiteral("ttySIM3"), s));
    rig.port.write(kPoll);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(read_answer(rig.port, 500, clock).size(), kPollAnswerSize);
}

void TestSimLink::request_log_has_the_requests_in_order()
{
    Rig rig;
    QElapsedTimer clock;
    clock.start();
    for (const char *payload : {"0105", "010b02", "012f0109"}) {
        rig.port.write(wire::request(wire::bytes(payload)));
        read_answer(rig.port, 500, clock);
    }
    QCOMPARE(rig.bus.log().requests(), (QList<QByteArray>{"$010506\r", "$010b020e\r", "$012f01093a\r"}));
    QCOMPARE(rig.bus.log().request_payloads(),
             (QList<QByteArray>{wire::bytes("0105"), wire::bytes("010b02"), wire::bytes("012f0109")}));
    const QList<sim::LogEntry> &e = rig.bus.log().entries();
    for (int i = 1; i < e.size(); ++i)
        QVERIFY(e[i].time >= e[i - 1].time);
    QCOMPARE(rig.bus.log().answers().size(), 3);
}

void TestSimLink::pacer_never_promises_a_byte_it_does_not_give_data()
{
    QTest::addColumn<int>("baud");
    for (int b : {4800, 9600, 19200, 38400, 57600, 115200, 7})
        QTest::newRow(qPrintable(QString::number(b))) << b;
}

void TestSimLink::pacer_never_promises_a_byte_it_does_not_give()
{
    // A wait sleeps until next_time(); if nothing were available then, the
    // wait would spin. Check every microsecond boundary that matters.
    QFETCH(int, baud);
    sim::LinePacer pacer;
    pacer.push(13, QByteArray(40, 'a'), baud);
    pacer.push(17, QByteArray(3, 'b'), baud);
    qint64 taken = 0;
    for (int step = 0; step < 43; ++step) {
        const sim::Usec t = pacer.next_time();
        QVERIFY(t != sim::kNever);
        QCOMPARE(pacer.available(t - 1), qint64(0));
        const QByteArray got = pacer.take(t);
        QVERIFY(!got.isEmpty());
        taken += got.size();
        if (taken == 43)
            break;
    }
    QCOMPARE(taken, qint64(43));
    QCOMPARE(pacer.next_time(), sim::kNever);
    // Back to back: the line falls idle when 43 bytes would have taken (give or take rounding).
    QVERIFY(qAbs(pacer.line_free() - sim::LinePacer::byte_done(13, 43, baud)) <= 1);
}

QTEST_APPLESS_MAIN(TestSimLink)
#include "tst_sim_link.moc"
