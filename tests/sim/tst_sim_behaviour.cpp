// Channels of the simulated unit that change over time: the moving HF level,
// scripted states, the cut alarm, and their options on mirval-sim's command
// line.
#include "commands.h"
#include "sim_config.h"

#include <QTest>

using sim::msec;

namespace {

// The level bytes 5-6 and the state byte 9 of a poll_channel answer.
struct Poll {
    int level = 0;
    int state = 0;
};

Poll poll(sim::UnitState &state, int channel, sim::Usec now)
{
    const sim::CommandOutcome out = sim::execute(state, QByteArray::fromHex("010b") + char(channel), now);
    const QByteArray &a = out.answer;
    return {qint16(quint16(quint8(a[5]) | quint8(a[6]) << 8)), quint8(a[9])};
}

sim::UnitState unit_from(const QStringList &args)
{
    sim::SimSetup setup;
    QString message;
    sim::Bus bus;
    if (sim::parse_command_line(QStringList{"mirval-sim"} + args, &setup, &message) != sim::ParseResult::Ok ||
        !sim::build_bus(setup, &bus, 0, &message))
        qFatal("%s", qPrintable(message));
    return bus.unit_at(0).state();
}

}  // namespace

class TestSimBehaviour : public QObject {
    Q_OBJECT
private slots:
    void level_moves_with_the_wave_data();
    void level_moves_with_the_wave();
    void states_follow_the_script();
    void cut_alarm_needs_the_level_above_for_the_cut_time_data();
    void cut_alarm_needs_the_level_above_for_the_cut_time();
    void options_set_the_channels();
    void bad_options_are_refused_data();
    void bad_options_are_refused();
};

void TestSimBehaviour::level_moves_with_the_wave_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("at_ms");
    QTest::addColumn<int>("counts");  // of 0.6105 mV, rounded
    // 61.05 mV is 100 counts.
    QTest::newRow("sine at a quarter period") << "1:sine:4000:61.05" << 1000 << 100;
    QTest::newRow("sine at three quarters, with offset") << "1:sine:4000:61.05:61.05" << 3000 << 0;
    QTest::newRow("sine repeats") << "1:sine:4000:61.05" << 9000 << 100;
    QTest::newRow("triangle halfway up") << "1:triangle:4000:122.1" << 500 << 100;
    QTest::newRow("triangle on its way down") << "1:triangle:4000:122.1" << 2500 << -100;
    QTest::newRow("square, first half") << "1:square:1000:30.525:30.525" << 499 << 100;
    QTest::newRow("square, second half") << "1:square:1000:30.525:30.525" << 500 << 0;
    QTest::newRow("saw starts low") << "1:saw:2000:61.05" << 0 << -100;
    QTest::newRow("saw at three quarters") << "1:saw:2000:61.05" << 1500 << 50;
    QTest::newRow("clipped to 16 bits") << "1:square:1000:20000:20000" << 0 << 32767;
}

void TestSimBehaviour::level_moves_with_the_wave()
{
    QFETCH(QString, option);
    QFETCH(int, at_ms);
    QFETCH(int, counts);
    sim::UnitState unit = unit_from({"--modes", "2,1,1,1", "--level", option});
    QCOMPARE(poll(unit, 1, msec(at_ms)).level, counts);
    // Only channel 1 moves; LF answers carry the state in byte 5.
    QCOMPARE(unit.channel(2).level_at(msec(at_ms)), qint16(0));
}

void TestSimBehaviour::states_follow_the_script()
{
    sim::UnitState unit = unit_from({"--modes", "1,2,1,1", "--states", "2:0/1000,0x01/500,4/250"});
    const QList<QPair<int, int>> expected{{0, 0},    {999, 0},  {1000, 1}, {1499, 1},
                                          {1500, 4}, {1749, 4}, {1750, 0}, {2750, 1}};
    for (const auto &[ms, state] : expected)
        QCOMPARE(poll(unit, 2, msec(ms)).state, state);
    // The unit status shows the same; other channels keep their own state.
    const QByteArray status = sim::execute(unit, QByteArray::fromHex("0104"), msec(1200)).answer;
    QCOMPARE(status.mid(1), QByteArray::fromHex("00010000"));
    // The remote test and a switched-off channel still outrank the script.
    unit.self_test_until = msec(2000);
    QCOMPARE(poll(unit, 2, msec(1200)).state, 0x81);
    unit.channel(2).mode = sim::kModeOff;
    QCOMPARE(poll(unit, 2, msec(3000)).state, 0x08);
}

void TestSimBehaviour::cut_alarm_needs_the_level_above_for_the_cut_time_data()
{
    QTest::addColumn<int>("threshold_code");  // 6: 50 mV, 8: 100 mV
    QTest::addColumn<int>("time_code");       // 0: 1 s, 2: 3 s
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("alarm_at_ms");  // of 0, 500, ..., 9500
    // A square wave of 20 s: 80 mV for the first 10 s of each period, 0 mV after.
    QTest::newRow("3 s above 50 mV") << 6 << 2 << 2 << QList<int>{3000, 3500, 4000, 4500, 5000, 5500, 6000,
                                                                  6500, 7000, 7500, 8000, 8500, 9000, 9500};
    QTest::newRow("1 s above 50 mV") << 6 << 0 << 2
                                     << QList<int>{1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000,
                                                   5500, 6000, 6500, 7000, 7500, 8000, 8500, 9000, 9500};
    QTest::newRow("never above 100 mV") << 8 << 0 << 2 << QList<int>{};
    QTest::newRow("no cut alarm in LF") << 6 << 0 << 1 << QList<int>{};
}

void TestSimBehaviour::cut_alarm_needs_the_level_above_for_the_cut_time()
{
    QFETCH(int, threshold_code);
    QFETCH(int, time_code);
    QFETCH(int, mode);
    QFETCH(QList<int>, alarm_at_ms);
    sim::UnitState unit = unit_from({"--modes", QStringLiteral("%1,1,1,1").arg(mode), "--level",
                                     "1:square:20000:40:40", "--cut-alarm", "1", "--states", "1:0/60000"});
    // As the program sets them: 0x3C and 0x3D carry the channel.
    sim::execute(unit, QByteArray::fromHex("013c01") + char(threshold_code), 0);
    sim::execute(unit, QByteArray::fromHex("013d01") + char(time_code), 0);
    QList<int> alarms;
    for (int ms = 0; ms < 10000; ms += 500)
        if (unit.state_byte(1, msec(ms)) == 0x01)
            alarms << ms;
    QCOMPARE(alarms, alarm_at_ms);
    // Below the threshold the alarm ends with the level.
    QVERIFY(unit.state_byte(1, msec(10000)) != 0x01);
    QVERIFY(unit.state_byte(1, msec(19990)) != 0x01);
}

// ADDR/ limits an option to one unit, as with faults.
void TestSimBehaviour::options_set_the_channels()
{
    sim::SimSetup setup;
    QString message;
    QCOMPARE(
        sim::parse_command_line({"mirval-sim", "--address", "3,4", "--level", "2:sine:1000:50", "--level",
                                 "3/1:saw:1000:50", "--states", "4/1:1/100", "--cut-alarm", "4/1"},
                                &setup, &message),
        sim::ParseResult::Ok);
    sim::Bus bus;
    QVERIFY(sim::build_bus(setup, &bus, 0, &message));
    const sim::UnitState &three = bus.unit(3)->state(), &four = bus.unit(4)->state();
    QVERIFY(three.channel(2).behaviour.wave && four.channel(2).behaviour.wave);
    QVERIFY(three.channel(1).behaviour.wave && !four.channel(1).behaviour.wave);
    QVERIFY(three.channel(1).behaviour.states.isEmpty() && !three.channel(1).behaviour.cut_alarm);
    QCOMPARE(four.channel(1).behaviour.states.steps.size(), 1);
    QVERIFY(four.channel(1).behaviour.cut_alarm);
}

void TestSimBehaviour::bad_options_are_refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("channel 5") << QStringList{"--level", "5:sine:1000:50"};
    QTest::newRow("unknown wave") << QStringList{"--level", "1:zigzag:1000:50"};
    QTest::newRow("no amplitude") << QStringList{"--level", "1:sine:1000"};
    QTest::newRow("period 0") << QStringList{"--level", "1:sine:0:50"};
    QTest::newRow("amplitude past 16 bits") << QStringList{"--level", "1:sine:1000:30000"};
    QTest::newRow("state 256") << QStringList{"--states", "1:256/100"};
    QTest::newRow("state without time") << QStringList{"--states", "1:0"};
    QTest::newRow("zero time") << QStringList{"--states", "1:0/0"};
    QTest::newRow("cut alarm of channel 0") << QStringList{"--cut-alarm", "0"};
    QTest::newRow("unit not on the line") << QStringList{"--cut-alarm", "9/1"};
}

void TestSimBehaviour::bad_options_are_refused()
{
    QFETCH(QStringList, args);
    sim::SimSetup setup;
    QString message;
    QCOMPARE(sim::parse_command_line(QStringList{"mirval-sim"} + args, &setup, &message),
             sim::ParseResult::Error);
    QVERIFY(!message.isEmpty());
}

QTEST_APPLESS_MAIN(TestSimBehaviour)
#include "tst_sim_behaviour.moc"
