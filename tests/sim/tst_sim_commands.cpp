// The unit's command set: answer layout of every command, set commands read
// back, address filtering, broadcast, and the firmware-dependent commands.

#include "bus.h"
#include "unit.h"
#include "wire.h"

#include <QTest>

using sim::ChannelParam;
using sim::Unit;
using sim::UnitParam;

namespace {

constexpr quint8 kAddress = 7;
constexpr quint32 kClock = 1767316028;  // 0x69571a3c

// A unit with a different value in every place, so that an answer from the
// wrong field or channel shows.
void make_known(Unit &u)
{
    sim::UnitState &s = u.state();
    s.address = kAddress;
    s.set_modes({1, 2, 0, 1});
    const quint8 ch1[] = {1, 2, 3, 4, 5, 6, 7, 2, 1, 9, 10, 3};
    const quint8 ch2[] = {13, 8, 5, 14, 9, 11, 10, 5, 7, 16, 12, 7};
    for (int p = 0; p < sim::kChannelParamCount; ++p) {
        s.channel(1).params[p] = ch1[p];
        s.channel(2).params[p] = ch2[p];
    }
    s.param(UnitParam::AlarmTime) = 4;
    s.param(UnitParam::Cross) = 0x2a;
    s.param(UnitParam::Delay) = 13;
    s.param(UnitParam::Blocking) = 10;
    s.channel(1).state = 0x01;
    s.channel(2).state = 0x20;
    s.channel(2).hf_level = -2;
    s.channel(4).state = 0x04;
    s.channel(2).level = 0x1234;
    s.channel(2).amplitude = 1000;
    s.channel(2).frequency = 5000;
    s.set_time(kClock, 0);
    sim::LogRecord r;
    r.time = kClock;
    r.flags = {0x00, 0x11, 0x90, 0x08};
    s.log = {r};
}

QByteArray ask(Unit &u, const QByteArray &payload, sim::Usec now = 0)
{
    return wire::exchange(u, payload, now);
}

}  // namespace

class TestSimCommands : public QObject {
    Q_OBJECT
private slots:
    void answers_at_the_right_positions_data();
    void answers_at_the_right_positions();
    void set_commands_read_back_data();
    void set_commands_read_back();
    void channel_mode_reads_back_as_the_mode_map();
    void preset_changes_only_its_channel();
    void remote_test_shows_in_the_state_bytes();
    void clock_ticks_with_the_time_given();
    void log_is_read_record_by_record_then_cleared();
    void requests_for_others_and_broken_requests_get_no_answer_data();
    void requests_for_others_and_broken_requests_get_no_answer();
    void firmware_decides_which_commands_are_known_data();
    void firmware_decides_which_commands_are_known();
    void bus_units_answer_their_own_address();
    void broadcast_is_executed_by_all_and_answered_once();
};

void TestSimCommands::answers_at_the_right_positions_data()
{
    QTest::addColumn<QByteArray>("request");  // after the address
    QTest::addColumn<QByteArray>("answer");   // without the checksum
    auto row = [](const char *name, const char *request, const char *answer) {
        QTest::newRow(name) << wire::bytes(request) << wire::bytes(answer);
    };
    row("set_line_speed", "0104", "0701");
    row("remote_test", "03", "0703");
    row("get_status: state bytes of channels 1..4", "04", "0701200804");
    row("get_channel_modes: 1,2,0,1", "05", "0749");
    row("poll_channel LF: state in byte 5 and 9", "0b01", "07010100000100000001");
    row("poll_channel HF: level -2 in bytes 5-6", "0b02", "0702020000feff000020");
    row("poll_channel off: state in byte 9", "0b03", "07030000000800000008");
    row("start_frequency", "0c02", "070c");
    row("get_frequency 5000", "0d02", "078813");
    row("get_preset ch1", "0e01", "0701");
    row("get_gain ch2", "0f02", "0708");
    row("get_reject ch1", "1001", "0709");
    row("get_threshold ch2", "1102", "070d");
    row("get_arp ch1", "1201", "0703");
    row("get_impulse ch2", "1302", "070e");
    row("get_pause ch1", "1401", "0705");
    row("get_window ch2", "1502", "070b");
    row("get_count ch1", "1601", "0707");
    row("get_alarm_time_unit", "17", "0704");
    row("get_cross", "18", "072a");
    row("get_delay", "19", "070d");
    row("get_alarm_time ch2", "1a02", "0705");
    row("get_block", "1c", "070a");
    row("start_amplitude", "1d02", "071d");
    row("get_amplitude 1000", "1e02", "07e803");
    row("get_level", "1f02", "073412");
    row("get_address", "20", "0707");
    row("get_cut_threshold of the last channel (1)", "21", "070a");
    row("get_cut_threshold with a channel byte", "2102", "070c");
    row("get_cut_time", "22", "0703");
    row("get_log_record: time then four flag bytes", "23", "073c1a576900119008");
    row("clear_log", "24", "0724");
    row("get_time", "25", "073c1a5769");
    row("get_version 2.5", "26", "070205");
    row("set_threshold", "2f0309", "072f");
    row("set_time", "3e00000000", "073e");
}

void TestSimCommands::answers_at_the_right_positions()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    Unit u;
    make_known(u);
    const QByteArray frame = ask(u, char(kAddress) + request);
    bool ok = false;
    QCOMPARE(wire::answer(frame, &ok), answer);
    QVERIFY2(ok, frame.constData());
    QCOMPARE(frame, frame.toLower());  // lower-case digits unless told otherwise
}

void TestSimCommands::set_commands_read_back_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("read");
    QTest::addColumn<bool>("per_channel");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("threshold") << 0x2F << 0x11 << true << 0 << 13;
    QTest::newRow("gain") << 0x2D << 0x0F << true << 1 << 8;
    QTest::newRow("arp") << 0x30 << 0x12 << true << 0 << 5;
    QTest::newRow("impulse") << 0x31 << 0x13 << true << 2 << 14;
    QTest::newRow("pause") << 0x32 << 0x14 << true << 1 << 9;
    QTest::newRow("window") << 0x33 << 0x15 << true << 0 << 11;
    QTest::newRow("count") << 0x34 << 0x16 << true << 1 << 10;
    QTest::newRow("alarm time") << 0x3F << 0x1A << true << 1 << 5;
    QTest::newRow("reject") << 0x2E << 0x10 << true << 0 << 16;
    QTest::newRow("preset") << 0x2C << 0x0E << true << 0 << 7;
    QTest::newRow("cut threshold, read without channel") << 0x3C << 0x21 << true << 0 << 13;
    QTest::newRow("cut time, read without channel") << 0x3D << 0x22 << true << 0 << 7;
    QTest::newRow("unit alarm time") << 0x35 << 0x17 << false << 1 << 5;
    QTest::newRow("cross mask") << 0x36 << 0x18 << false << 0 << 0x3F;
    QTest::newRow("delay") << 0x37 << 0x19 << false << 2 << 13;
    QTest::newRow("blocking") << 0x3A << 0x1C << false << 1 << 10;
}

void TestSimCommands::set_commands_read_back()
{
    QFETCH(int, set);
    QFETCH(int, read);
    QFETCH(bool, per_channel);
    QFETCH(int, low);
    QFETCH(int, high);
    const QByteArray head = QByteArray(1, char(kAddress)) + char(set) + (per_channel ? "\x03" : "");
    const QByteArray read_request = QByteArray(1, char(kAddress)) + char(read) +
                                    (per_channel && read != 0x21 && read != 0x22 ? "\x03" : "");
    for (int value : {low, high, (low + high) / 2}) {
        Unit u;
        make_known(u);
        const sim::UnitState before = u.state();
        bool ok = false;
        QCOMPARE(wire::answer(ask(u, head + char(value)), &ok), QByteArray(1, char(kAddress)) + char(set));
        QVERIFY(ok);
        QCOMPARE(wire::answer(ask(u, read_request), &ok), QByteArray(1, char(kAddress)) + char(value));
        if (per_channel) {  // the other channels keep their values
            for (int ch : {1, 2, 4})
                QCOMPARE(u.state().channel(ch).params, before.channel(ch).params);
        }
    }
    // Out of range: refused without an answer, nothing changes. A channel
    // that is off acknowledges it instead, and still keeps its value.
    QList<int> bad{high + 1, 255};
    if (low > 0)
        bad << low - 1;
    for (int value : bad) {
        for (quint8 mode : {sim::kModeLf, sim::kModeOff}) {
            Unit u;
            make_known(u);
            u.state().channel(3).mode = mode;
            const sim::UnitState before = u.state();
            const bool acknowledged = per_channel && set != 0x2C && mode == sim::kModeOff;
            QCOMPARE(ask(u, head + char(value)).isEmpty(), !acknowledged);
            QCOMPARE(u.state().channel(3).params, before.channel(3).params);
            QCOMPARE(u.state().unit_params, before.unit_params);
        }
    }
}

void TestSimCommands::channel_mode_reads_back_as_the_mode_map()
{
    Unit u;
    make_known(u);
    bool ok = false;
    QVERIFY(!ask(u, wire::bytes("07380302")).isEmpty());  // channel 3 to HF
    QCOMPARE(wire::answer(ask(u, wire::bytes("0705")), &ok), wire::bytes("0769"));
    QCOMPARE(ask(u, wire::bytes("07380303")), QByteArray());  // there is no mode 3
    QCOMPARE(wire::answer(ask(u, wire::bytes("0705")), &ok), wire::bytes("0769"));
}

void TestSimCommands::preset_changes_only_its_channel()
{
    Unit u;
    make_known(u);
    const sim::UnitState before = u.state();
    QVERIFY(!ask(u, wire::bytes("072c0106")).isEmpty());
    QCOMPARE(u.state().channel(1).param(ChannelParam::Preset), quint8(6));
    QVERIFY(u.state().channel(1).params != before.channel(1).params);
    for (int ch : {2, 3, 4})
        QCOMPARE(u.state().channel(ch).params, before.channel(ch).params);
    // The HF-only values are no part of a preset.
    QCOMPARE(u.state().channel(1).param(ChannelParam::CutThreshold),
             before.channel(1).param(ChannelParam::CutThreshold));
}

void TestSimCommands::remote_test_shows_in_the_state_bytes()
{
    Unit u;
    make_known(u);
    u.state().self_test_duration = sim::msec(3000);
    bool ok = false;
    QVERIFY(!ask(u, wire::bytes("0703"), sim::msec(1000)).isEmpty());
    QCOMPARE(wire::answer(ask(u, wire::bytes("0704"), sim::msec(2000)), &ok), wire::bytes("0781810881"));
    QCOMPARE(wire::answer(ask(u, wire::bytes("0704"), sim::msec(4500)), &ok), wire::bytes("0701200804"));
}

void TestSimCommands::clock_ticks_with_the_time_given()
{
    Unit u;
    make_known(u);
    bool ok = false;
    QCOMPARE(wire::answer(ask(u, wire::bytes("0725"), sim::msec(10500)), &ok), wire::bytes("07461a5769"));
    // Set to 2^32 - 1 at t = 20 s: two seconds later the count has wrapped to 1.
    QVERIFY(!ask(u, wire::bytes("073effffffff"), sim::msec(20000)).isEmpty());
    QCOMPARE(wire::answer(ask(u, wire::bytes("0725"), sim::msec(22000)), &ok), wire::bytes("0701000000"));
}

void TestSimCommands::log_is_read_record_by_record_then_cleared()
{
    Unit u;
    make_known(u);
    u.state().fill_example_log(3, kClock);
    QList<QByteArray> answers;
    bool ok = false;
    for (int i = 0; i < 5; ++i)
        answers << wire::answer(ask(u, wire::bytes("0723")), &ok);
    QCOMPARE(answers[0].mid(1, 4), wire::bytes("c4195769"));  // 120 s before the last
    QCOMPARE(answers[2].mid(1, 4), wire::bytes("3c1a5769"));
    QCOMPARE(answers[3], wire::bytes("070000000000000000"));  // the end mark
    QCOMPARE(answers[4], answers[0]);                         // then from the start again
    QVERIFY(answers[0].mid(5) != answers[1].mid(5));

    QVERIFY(!ask(u, wire::bytes("0724")).isEmpty());
    QCOMPARE(wire::answer(ask(u, wire::bytes("0723")), &ok), wire::bytes("070000000000000000"));
}

void TestSimCommands::requests_for_others_and_broken_requests_get_no_answer_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("another address") << wire::request(wire::bytes("0805"));
    QTest::newRow("unknown code 0x02") << wire::request(wire::bytes("0702"));
    QTest::newRow("unknown code 0x1b") << wire::request(wire::bytes("071b"));
    QTest::newRow("unknown code 0x99") << wire::request(wire::bytes("0799"));
    QTest::newRow("channel 0") << wire::request(wire::bytes("071100"));
    QTest::newRow("channel 5") << wire::request(wire::bytes("071105"));
    QTest::newRow("missing channel") << wire::request(wire::bytes("0711"));
    QTest::newRow("missing value") << wire::request(wire::bytes("072f01"));
    QTest::newRow("speed index 6") << wire::request(wire::bytes("070106"));
    QTest::newRow("wrong checksum") << QByteArray("$070572\r");
    QTest::newRow("no CR yet") << QByteArray("$070512");
}

void TestSimCommands::requests_for_others_and_broken_requests_get_no_answer()
{
    QFETCH(QByteArray, frame);
    Unit u;
    make_known(u);
    const sim::UnitState before = u.state();
    u.feed(frame, 0);
    QCOMPARE(u.next_due(), sim::kNever);
    QCOMPARE(u.state().speed_index, before.speed_index);
    // The unit is still listening afterwards.
    bool ok = false;
    QCOMPARE(wire::answer(ask(u, wire::bytes("0720")), &ok), wire::bytes("0707"));
}

void TestSimCommands::firmware_decides_which_commands_are_known_data()
{
    QTest::addColumn<bool>("has_version");
    QTest::addColumn<int>("major");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");
    QTest::newRow("no version command: 0x26") << false << 2 << wire::bytes("0726") << false;
    QTest::newRow("no version command: unit alarm time") << false << 2 << wire::bytes("0717") << true;
    QTest::newRow("no version command: per-channel alarm") << false << 2 << wire::bytes("071a01") << false;
    QTest::newRow("no version command: clock") << false << 2 << wire::bytes("0725") << false;
    QTest::newRow("version 0: 0x26") << true << 0 << wire::bytes("0726") << true;
    QTest::newRow("version 0: set alarm per channel") << true << 0 << wire::bytes("073f0102") << false;
    QTest::newRow("version 0: set unit alarm") << true << 0 << wire::bytes("073502") << true;
    QTest::newRow("version 1: per-channel alarm") << true << 1 << wire::bytes("071a01") << true;
    QTest::newRow("version 1: log") << true << 1 << wire::bytes("0723") << false;
    QTest::newRow("version 2: log") << true << 2 << wire::bytes("0723") << true;
    QTest::newRow("version 2: set clock") << true << 2 << wire::bytes("073e01020304") << true;
}

void TestSimCommands::firmware_decides_which_commands_are_known()
{
    QFETCH(bool, has_version);
    QFETCH(int, major);
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    Unit u;
    make_known(u);
    u.state().has_version = has_version;
    u.state().version_major = quint8(major);
    QCOMPARE(!ask(u, request).isEmpty(), answered);
}

void TestSimCommands::bus_units_answer_their_own_address()
{
    sim::Bus bus;
    bus.add_unit(3);
    bus.add_unit(5);
    bus.feed(wire::request(wire::bytes("0520")), 0);
    const QList<sim::Chunk> out = bus.take_due(sim::msec(1000));
    QCOMPARE(out.size(), 1);
    bool ok = false;
    QCOMPARE(wire::answer(out[0].bytes, &ok), wire::bytes("0505"));
    bus.feed(wire::request(wire::bytes("0920")), sim::msec(2000));
    QVERIFY(bus.take_due(sim::msec(3000)).isEmpty());
    // The line's log holds both requests and the one answer.
    QCOMPARE(bus.log().requests(), (QList<QByteArray>{"$052025\r", "$092029\r"}));
    QCOMPARE(bus.log().answers().size(), 1);
}

void TestSimCommands::broadcast_is_executed_by_all_and_answered_once()
{
    sim::Bus bus;
    bus.add_unit(3);
    bus.add_unit(5);
    bus.feed(wire::request(wire::bytes("003621")), 0);  // cross mask 0x21 to everyone
    const QList<sim::Chunk> out = bus.take_due(sim::msec(1000));
    QCOMPARE(out.size(), 1);
    bool ok = false;
    QCOMPARE(wire::answer(out[0].bytes, &ok), wire::bytes("0336"));  // byte 0: own address
    QCOMPARE(bus.unit(3)->state().param(UnitParam::Cross), quint8(0x21));
    QCOMPARE(bus.unit(5)->state().param(UnitParam::Cross), quint8(0x21));
}

QTEST_APPLESS_MAIN(TestSimCommands)
#include "tst_sim_commands.moc"
