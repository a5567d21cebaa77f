// mirval-sim's command line turned into units.

#include "sim_config.h"

#include <QTest>

using Modes = std::array<quint8, sim::kChannels>;

class TestSimConfig : public QObject {
    Q_OBJECT
private slots:
    void defaults_make_one_unit_at_address_1();
    void several_units_with_their_own_modes_and_faults();
    void bad_command_lines_are_refused_data();
    void bad_command_lines_are_refused();
    void bus_is_built_as_described();
};

void TestSimConfig::defaults_make_one_unit_at_address_1()
{
    sim::SimSetup s;
    QString message;
    QCOMPARE(sim::parse_command_line({"mirval-sim"}, &s, &message), sim::ParseResult::Ok);
    QCOMPARE(s.units.size(), 1);
    const sim::UnitSetup &u = s.units[0];
    QCOMPARE(int(u.address), 1);
    QCOMPARE(u.modes, (Modes{1, 1, 1, 1}));
    QVERIFY(u.has_version);
    QCOMPARE(int(u.version_major), 2);
    QCOMPARE(int(u.version_minor), 5);
    QCOMPARE(u.speed_index, 4);
    QVERIFY(s.check_speed);
    QVERIFY(!s.pace_input);
    QVERIFY(u.faults.isEmpty());
}

void TestSimConfig::several_units_with_their_own_modes_and_faults()
{
    sim::SimSetup s;
    QString message;
    const QStringList args{"mirval-sim", "--address",     "3,4",       "--address",    "9",
                           "--modes",    "1,2,0,1",       "--modes",   "0,0,2,2",      "--fault",
                           "4/silence",  "--fault",       "delay=100", "--no-version", "--speed-index",
                           "2",          "--log-records", "5",         "--any-speed",  "--pace-input"};
    QCOMPARE(sim::parse_command_line(args, &s, &message), sim::ParseResult::Ok);
    QCOMPARE(s.units.size(), 3);
    QCOMPARE(int(s.units[0].address), 3);
    QCOMPARE(int(s.units[2].address), 9);
    QCOMPARE(s.units[0].modes, (Modes{1, 2, 0, 1}));
    QCOMPARE(s.units[1].modes, (Modes{0, 0, 2, 2}));
    QCOMPARE(s.units[2].modes, (Modes{0, 0, 2, 2}));  // the last --modes goes on
    QCOMPARE(s.units[0].faults, QStringList{"delay=100"});
    QCOMPARE(s.units[1].faults, (QStringList{"silence", "delay=100"}));
    for (const sim::UnitSetup &u : s.units) {
        QVERIFY(!u.has_version);
        QCOMPARE(u.speed_index, 2);
        QCOMPARE(u.log_records, 5);
    }
    QVERIFY(!s.check_speed);
    QVERIFY(s.pace_input);
}

void TestSimConfig::bad_command_lines_are_refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("address 0") << QStringList{"--address", "0"};
    QTest::newRow("address twice") << QStringList{"--address", "2,2"};
    QTest::newRow("bad fault") << QStringList{"--fault", "silense"};
    QTest::newRow("fault for a missing unit") << QStringList{"--fault", "5/silence"};
    QTest::newRow("speed index 6") << QStringList{"--speed-index", "6"};
    QTest::newRow("bad version") << QStringList{"--version", "two"};
    QTest::newRow("version without minor") << QStringList{"--version", "2"};
    QTest::newRow("three modes") << QStringList{"--modes", "1,1,1"};
    QTest::newRow("mode 3") << QStringList{"--modes", "1,3,1,1"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("stray argument") << QStringList{"ttyS0"};
    QTest::newRow("measured without frequency") << QStringList{"--measured", "1:2:3"};
    QTest::newRow("measured on channel 5") << QStringList{"--measured", "5:1:1:1"};
    QTest::newRow("measured beyond 16 bits") << QStringList{"--measured", "1:65536:0:0"};
}

void TestSimConfig::bad_command_lines_are_refused()
{
    QFETCH(QStringList, args);
    sim::SimSetup s;
    QString message;
    QCOMPARE(sim::parse_command_line(QStringList{"mirval-sim"} + args, &s, &message),
             sim::ParseResult::Error);
    QVERIFY(!message.isEmpty());
}

void TestSimConfig::bus_is_built_as_described()
{
    sim::SimSetup s;
    QString message;
    QCOMPARE(sim::parse_command_line({"mirval-sim", "--address", "2,5", "--modes", "2,1,0,0", "--version",
                                      "1.3", "--fault", "5/refuse=0x2f", "--log-records", "4", "--measured",
                                      "5/3:515:1000:65535"},
                                     &s, &message),
             sim::ParseResult::Ok);
    sim::Bus bus;
    QVERIFY(sim::build_bus(s, &bus, 1000000, &message));
    QCOMPARE(bus.size(), 2);
    const sim::UnitState &a = bus.unit(2)->state();
    QCOMPARE(a.mode_map(), quint8(0x06));
    QCOMPARE(int(a.version_major), 1);
    QCOMPARE(int(a.version_minor), 3);
    QCOMPARE(a.log.size(), 4);
    QCOMPARE(a.log.last().time, quint32(1000000));
    QCOMPARE(a.time_at(sim::msec(3000)), quint32(1000003));
    QVERIFY(bus.unit(2)->answers_broadcast());
    QVERIFY(!bus.unit(5)->answers_broadcast());
    QCOMPARE(bus.unit(2)->faults().describe(), QStringList{"speed-check"});
    QCOMPARE(bus.unit(5)->faults().describe(), (QStringList{"speed-check", "refuse@0x2f"}));
    const sim::ChannelState &measured = bus.unit(5)->state().channel(3);
    QCOMPARE(int(measured.level), 515);
    QCOMPARE(int(measured.amplitude), 1000);
    QCOMPARE(int(measured.frequency), 65535);
    QCOMPARE(int(bus.unit(2)->state().channel(3).level), 0);
    QCOMPARE(int(bus.unit(5)->state().channel(2).amplitude), 0);
}

QTEST_APPLESS_MAIN(TestSimConfig)
#include "tst_sim_config.moc"
