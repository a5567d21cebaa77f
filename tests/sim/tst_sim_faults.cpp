// Faults switched on by name do what they say, and only that.

#include "faults.h"
#include "unit.h"
#include "wire.h"

#include <QTest>

using sim::msec;
using sim::Unit;

namespace {

const QByteArray kGetVersion = wire::bytes("0126");        // answered !01020508 by version 2.5
const QByteArray kSetThreshold = wire::bytes("012f010d");  // channel 1 to code 13
const QByteArray kGetThreshold = wire::bytes("011101");
const QByteArray kPoll = wire::bytes("010b01");

Unit make_unit(const QStringList &faults)
{
    Unit u(1);
    u.timing().latency = msec(2);
    for (const QString &f : faults) {
        QString error;
        if (!u.faults().add(f, &error))
            qFatal("bad fault %s: %s", qPrintable(f), qPrintable(error));
    }
    return u;
}

quint8 threshold(const Unit &u)
{
    return u.state().channel(1).param(sim::ChannelParam::Threshold);
}

}  // namespace

class TestSimFaults : public QObject {
    Q_OBJECT
private slots:
    void fault_texts_parse_data();
    void fault_texts_parse();
    void bad_fault_texts_are_refused_data();
    void bad_fault_texts_are_refused();
    void unheard_requests_data();
    void unheard_requests();
    void bad_checksum_still_executes();
    void refuse_bad_answers_badly_and_does_not_execute();
    void split_answer_comes_in_pieces_apart();
    void delay_and_stale_bytes();
    void scope_and_count_limit_a_fault();
    void upper_hex_answers_are_valid();
    void babble_is_endless_and_has_no_cr();
    void speed_check_hears_only_the_unit_speed();
    void set_line_speed_answers_at_the_old_speed_then_switches_data();
    void set_line_speed_answers_at_the_old_speed_then_switches();
    void faults_are_removed_by_name();
};

void TestSimFaults::fault_texts_parse_data()
{
    QTest::addColumn<QString>("fault_text");
    QTest::addColumn<QString>("described");
    QTest::newRow("plain") << "silence"
                           << "silence";
    QTest::newRow("count") << "silence:1"
                           << "silence:1";
    QTest::newRow("split default") << "split"
                                   << "split=2,20";
    QTest::newRow("split with gap") << "split=3,15"
                                    << "split=3,15";
    QTest::newRow("delay scoped") << "delay=900@0x0b,17:2"
                                  << "delay=900@0x0b,0x11:2";
    QTest::newRow("refuse codes") << "refuse=0x2f,0x30"
                                  << "refuse@0x2f,0x30";
    QTest::newRow("loader reject default byte") << "loader-reject=3"
                                                << "loader-reject=3,0x55";
    QTest::newRow("loader reject byte") << "loader-reject=2,0xee"
                                        << "loader-reject=2,0xee";
    QTest::newRow("loader fail default byte") << "loader-fail=3"
                                              << "loader-fail=3,0x55";
    QTest::newRow("babble default") << "babble"
                                    << "babble=2";
}

void TestSimFaults::fault_texts_parse()
{
    QFETCH(QString, fault_text);
    QFETCH(QString, described);
    sim::Faults f;
    QString error;
    QVERIFY2(f.add(fault_text, &error), qPrintable(error));
    QCOMPARE(f.describe(), QStringList{described});
}

void TestSimFaults::bad_fault_texts_are_refused_data()
{
    QTest::addColumn<QString>("fault_text");
    QTest::newRow("unknown name") << "silense";
    QTest::newRow("missing argument") << "delay";
    QTest::newRow("argument where none is taken") << "silence=3";
    QTest::newRow("not a number") << "delay=soon";
    QTest::newRow("bad code") << "refuse=0x1ff";
    QTest::newRow("zero times") << "silence:0";
    QTest::newRow("scope on a line fault") << "babble@0x0b";
    QTest::newRow("zero pieces") << "split=0";
}

void TestSimFaults::bad_fault_texts_are_refused()
{
    QFETCH(QString, fault_text);
    sim::Faults f;
    QString error;
    QVERIFY(!f.add(fault_text, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(f.isEmpty());
}

void TestSimFaults::unheard_requests_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QList<bool>>("answered");  // for five set requests in a row
    QTest::addColumn<int>("executed");          // how many of them took effect
    QTest::newRow("silence") << QStringList{"silence"} << QList<bool>{0, 0, 0, 0, 0} << 0;
    QTest::newRow("silence for the first request only")
        << QStringList{"silence:1"} << QList<bool>{0, 1, 1, 1, 1} << 4;
    QTest::newRow("silent after two") << QStringList{"silent-after=2"} << QList<bool>{1, 1, 0, 0, 0} << 2;
    QTest::newRow("refuse threshold") << QStringList{"refuse=0x2f"} << QList<bool>{0, 0, 0, 0, 0} << 0;
    QTest::newRow("refuse another code") << QStringList{"refuse=0x30"} << QList<bool>{1, 1, 1, 1, 1} << 5;
    QTest::newRow("refuse twice") << QStringList{"refuse=0x2f:2"} << QList<bool>{0, 0, 1, 1, 1} << 3;
}

void TestSimFaults::unheard_requests()
{
    QFETCH(QStringList, faults);
    QFETCH(QList<bool>, answered);
    QFETCH(int, executed);
    Unit u = make_unit(faults);
    int changed = 0;
    for (int i = 0; i < answered.size(); ++i) {
        const quint8 value = quint8(i + 1);
        const QByteArray out = wire::exchange(u, wire::bytes("012f01") + char(value), msec(1000 * i));
        QCOMPARE(!out.isEmpty(), answered[i]);
        if (threshold(u) == value)
            ++changed;
    }
    QCOMPARE(changed, executed);
}

void TestSimFaults::bad_checksum_still_executes()
{
    Unit u = make_unit({"bad-checksum"});
    const QByteArray out = wire::exchange(u, kSetThreshold);
    QCOMPARE(out, QByteArray("!012f31\r"));  // the right sum is 0x30
    QCOMPARE(threshold(u), quint8(13));
}

void TestSimFaults::refuse_bad_answers_badly_and_does_not_execute()
{
    Unit u = make_unit({"refuse-bad=0x2f"});
    const quint8 before = threshold(u);
    bool ok = true;
    wire::answer(wire::exchange(u, kSetThreshold), &ok);
    QVERIFY(!ok);
    QCOMPARE(threshold(u), before);
    QCOMPARE(wire::exchange(u, kGetVersion, msec(1000)), QByteArray("!01020508\r"));
}

void TestSimFaults::split_answer_comes_in_pieces_apart()
{
    Unit u = make_unit({"split=3,20"});
    u.feed(wire::request(kGetVersion), msec(100));
    QCOMPARE(u.next_due(), msec(102));
    QList<sim::Chunk> out = u.take_due(msec(1000));
    QCOMPARE(out.size(), 3);
    QCOMPARE(out[0].due, msec(102));
    QCOMPARE(out[1].due, msec(122));
    QCOMPARE(out[2].due, msec(142));
    QCOMPARE(wire::joined(out), QByteArray("!01020508\r"));
    QVERIFY(!out[0].bytes.contains('\r'));
}

void TestSimFaults::delay_and_stale_bytes()
{
    Unit u = make_unit({"delay=900", "stale"});
    u.feed(wire::request(kGetVersion), msec(50));
    QVERIFY(u.take_due(msec(951)).isEmpty());
    const QList<sim::Chunk> out = u.take_due(msec(952));
    QCOMPARE(out.size(), 1);
    QCOMPARE(out[0].bytes, QByteArray("~~!01020508\r"));

    Unit v = make_unit({"stale=a8\\r"});  // the tail of an earlier answer
    QCOMPARE(wire::exchange(v, kGetVersion), QByteArray("a8\r!01020508\r"));
}

void TestSimFaults::scope_and_count_limit_a_fault()
{
    Unit u = make_unit({"delay=500@0x0b:1"});
    u.feed(wire::request(kGetVersion), 0);
    QCOMPARE(u.next_due(), msec(2));  // other commands are not delayed
    u.take_due(msec(10));
    u.feed(wire::request(kPoll), msec(100));
    QCOMPARE(u.next_due(), msec(602));
    u.take_due(msec(1000));
    u.feed(wire::request(kPoll), msec(2000));
    QCOMPARE(u.next_due(), msec(2002));  // used up
    QVERIFY(u.faults().isEmpty());
}

void TestSimFaults::upper_hex_answers_are_valid()
{
    Unit u = make_unit({"upper-hex"});
    u.state().channel(1).level = 0xabcd;
    const QByteArray out = wire::exchange(u, wire::bytes("011f01"));
    QCOMPARE(out, QByteArray("!01CDAB79\r"));
}

void TestSimFaults::babble_is_endless_and_has_no_cr()
{
    Unit u = make_unit({"babble=1"});
    u.feed(wire::request(kGetVersion), 0);
    QByteArray seen;
    for (int t = 10; t <= 500; t += 10)
        seen += wire::joined(u.take_due(msec(t)));
    QVERIFY2(seen.size() >= 400 && seen.size() <= 520, QByteArray::number(seen.size()));
    QVERIFY(!seen.contains('\r'));
    QVERIFY(!seen.contains("!01020508"));
    QVERIFY(u.next_due() <= msec(510));
    // Still babbling much later, without a burst for the time nobody looked.
    const QByteArray later = wire::joined(u.take_due(msec(60000)));
    QVERIFY(!later.isEmpty() && later.size() < 2000);
}

void TestSimFaults::speed_check_hears_only_the_unit_speed()
{
    Unit u = make_unit({"speed-check"});
    QCOMPARE(u.state().baud(), 57600);
    QCOMPARE(wire::exchange(u, kGetVersion, 0, 9600), QByteArray());
    QCOMPARE(wire::exchange(u, kGetVersion, msec(100), 57600), QByteArray("!01020508\r"));
    // Without the fault the speed is not looked at.
    Unit v = make_unit({});
    QCOMPARE(wire::exchange(v, kGetVersion, 0, 9600), QByteArray("!01020508\r"));
}

void TestSimFaults::set_line_speed_answers_at_the_old_speed_then_switches_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<bool>("answered");
    QTest::newRow("answers, then switches") << QStringList{"speed-check"} << true;
    QTest::newRow("switches silently") << QStringList{"speed-check", "speed-silent"} << false;
}

void TestSimFaults::set_line_speed_answers_at_the_old_speed_then_switches()
{
    QFETCH(QStringList, faults);
    QFETCH(bool, answered);
    Unit u = make_unit(faults);
    const QByteArray out = wire::exchange(u, wire::bytes("000102"), 0, 57600);  // broadcast, index 2
    QCOMPARE(out, answered ? QByteArray("!010102\r") : QByteArray());
    QCOMPARE(wire::exchange(u, kGetVersion, msec(100), 57600), QByteArray());
    QCOMPARE(wire::exchange(u, kGetVersion, msec(200), 19200), QByteArray("!01020508\r"));
}

void TestSimFaults::faults_are_removed_by_name()
{
    Unit u = make_unit({"silence", "delay=100"});
    QCOMPARE(wire::exchange(u, kGetVersion), QByteArray());
    QVERIFY(u.faults().remove("silence"));
    QVERIFY(!u.faults().remove("silence"));
    u.feed(wire::request(kGetVersion), msec(1000));
    QCOMPARE(u.next_due(), msec(1102));
}

QTEST_APPLESS_MAIN(TestSimFaults)
#include "tst_sim_faults.moc"
