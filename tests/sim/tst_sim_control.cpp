// Control commands of a running simulator: faults switched on and off at a
// chosen moment, the unit's speed changed, bad lines refused without effect.

#include "control.h"
#include "wire.h"

#include <QTest>

using namespace sim;

namespace {
const QByteArray kSetThreshold = wire::bytes("012f010d");
}

class TestSimControl : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void silent_after_counts_from_its_addition();
    void clear_keeps_the_speed_check();
    void reset_and_state();
    void image_reports_the_stored_data();
};

void TestSimControl::commands_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("accepted");     // the last line
    QTest::addColumn<bool>("unit1_hears");  // a set request to unit 1 afterwards
    QTest::addColumn<bool>("unit2_hears");
    QTest::addColumn<int>("unit1_speed");

    QTest::newRow("fault for every unit") << QStringList{"fault silence"} << true << false << false << 4;
    QTest::newRow("fault for one unit") << QStringList{"fault 2/silence"} << true << true << false << 4;
    QTest::newRow("fault limited to a code")
        << QStringList{"fault silence@0x2f"} << true << false << false << 4;
    QTest::newRow("fault on another code") << QStringList{"fault silence@0x30"} << true << true << true << 4;
    QTest::newRow("cleared") << QStringList{"fault silence", "clear"} << true << true << true << 4;
    QTest::newRow("cleared for one unit")
        << QStringList{"fault silence", "clear 1"} << true << true << false << 4;
    QTest::newRow("speed changed") << QStringList{"speed-index 1/0"} << true << true << true << 0;
    QTest::newRow("bad fault") << QStringList{"fault silence=3x"} << false << true << true << 4;
    QTest::newRow("no such unit") << QStringList{"fault 9/silence"} << false << true << true << 4;
    QTest::newRow("bad address") << QStringList{"fault x/silence"} << false << true << true << 4;
    QTest::newRow("speed out of range") << QStringList{"speed-index 6"} << false << true << true << 4;
    QTest::newRow("unknown verb") << QStringList{"reboot"} << false << true << true << 4;
    QTest::newRow("empty fault") << QStringList{"fault"} << false << true << true << 4;
}

void TestSimControl::commands()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, accepted);
    QFETCH(bool, unit1_hears);
    QFETCH(bool, unit2_hears);
    QFETCH(int, unit1_speed);

    Bus bus;
    bus.add_unit(1);
    bus.add_unit(2);
    bool ok = true;
    QString reply;
    for (const QString &line : lines)
        ok = apply_control_line(bus, line, &reply);
    QCOMPARE(ok, accepted);
    QVERIFY(!reply.isEmpty());

    QCOMPARE(bus.unit(1)->state().speed_index, unit1_speed);
    QCOMPARE(!wire::exchange(*bus.unit(1), kSetThreshold).isEmpty(), unit1_hears);
    QByteArray to_unit2 = kSetThreshold;
    to_unit2[0] = 2;
    QCOMPARE(!wire::exchange(*bus.unit(2), to_unit2).isEmpty(), unit2_hears);
}

// A unit that has already heard many requests still answers the next N.
void TestSimControl::silent_after_counts_from_its_addition()
{
    Bus bus;
    Unit &u = bus.add_unit(1);
    for (int i = 0; i < 5; ++i)
        QVERIFY(!wire::exchange(u, kSetThreshold, msec(100 * i)).isEmpty());
    QString reply;
    QVERIFY(apply_control_line(bus, "fault silent-after=2", &reply));
    QList<bool> answered;
    for (int i = 0; i < 4; ++i)
        answered << !wire::exchange(u, kSetThreshold, msec(1000 + 100 * i)).isEmpty();
    QCOMPARE(answered, (QList<bool>{true, true, false, false}));
}

void TestSimControl::clear_keeps_the_speed_check()
{
    Bus bus;
    Unit &u = bus.add_unit(1);
    u.faults().add("speed-check");
    QString reply;
    QVERIFY(apply_control_line(bus, "fault bad-checksum", &reply));
    QVERIFY(apply_control_line(bus, "clear", &reply));
    QVERIFY(u.faults().speed_check());
    QVERIFY(!u.faults().has(FaultKind::BadChecksum));
}

// A unit changed by requests and faults goes back to its kept start state;
// "state" reports the codes it holds.
void TestSimControl::reset_and_state()
{
    Bus bus;
    Unit &u = bus.add_unit(1);
    u.state().set_modes({1, 2, 0, 1});
    u.keep_start_state();
    u.faults().add("speed-check");
    QString reply;
    QVERIFY(apply_control_line(bus, "state", &reply));
    const QString start = reply;
    QVERIFY2(start.startsWith("state 1 modes=1,2,0,1 ch1="), qPrintable(start));

    QVERIFY(!wire::exchange(u, kSetThreshold).isEmpty());  // threshold 13 on channel 1
    QVERIFY(apply_control_line(bus, "fault silence", &reply));
    QVERIFY(apply_control_line(bus, "state 1", &reply));
    QVERIFY2(reply.contains(" ch1=0d,"), qPrintable(reply));

    QVERIFY(apply_control_line(bus, "reset", &reply));
    QVERIFY(apply_control_line(bus, "state", &reply));
    QCOMPARE(reply, start);
    QVERIFY(u.faults().speed_check());
    QVERIFY(!wire::exchange(u, kSetThreshold, msec(1000)).isEmpty());  // the silence is gone
    QVERIFY(!apply_control_line(bus, "reset 9", &reply));
}

// The loader's last image in runs of consecutive addresses; a transfer broken
// off shows as incomplete.
void TestSimControl::image_reports_the_stored_data()
{
    Bus bus;
    Unit &u = bus.add_unit(1);
    QString reply;
    QVERIFY(apply_control_line(bus, "image", &reply));
    QCOMPARE(reply, QString("image 1 complete=0 bytes=0"));

    const auto send = [&u](const QByteArray &bytes, int ms) {
        u.feed(bytes, msec(ms));
        return wire::joined(u.take_due(msec(ms + 100)));
    };
    QCOMPARE(send("$007777\r", 0), QByteArray(1, char(0xAA)));
    QCOMPARE(send(":0300100001FE806E\n\r", 100), QByteArray(1, char(0xAA)));  // 01 fe 80 at 0x10
    QCOMPARE(send(":0200130002FFEA\n\r", 200), QByteArray(1, char(0xAA)));    // 02 ff at 0x13
    QVERIFY(apply_control_line(bus, "image 1", &reply));
    QCOMPARE(reply, QString("image 1 complete=0 bytes=5 00000010:01fe8002ff"));
    QCOMPARE(send(":02004000ABCD46\n\r", 300), QByteArray(1, char(0xAA)));  // a second run
    QCOMPARE(send(":00000001FF\n\r", 400), QByteArray(1, char(0xCC)));
    QVERIFY(apply_control_line(bus, "image", &reply));
    QCOMPARE(reply, QString("image 1 complete=1 bytes=7 00000010:01fe8002ff 00000040:abcd"));
    QVERIFY(!apply_control_line(bus, "image 2", &reply));
}

QTEST_APPLESS_MAIN(TestSimControl)
#include "tst_sim_control.moc"
