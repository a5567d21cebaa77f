// Whole-unit read and write: request order per channel mode, values as the
// unit holds them, and how an operation ends on a cancel or a failed exchange.

#include "bus.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "config/unit_transfer.h"
#include "example_config.h"
#include "link/exchange.h"
#include "sim_link_port.h"

#include <QtTest>

using sim::UnitParam;
using Modes = QList<QPair<int, int>>;

namespace {

constexpr int kAddress = 5;

// ChannelSettings fields in the order of the simulated unit's parameters.
qint32 ChannelSettings::*const kSimOrder[] = {
    &ChannelSettings::porog,       &ChannelSettings::usilenie,      &ChannelSettings::arp,
    &ChannelSettings::impuls,      &ChannelSettings::pauza,         &ChannelSettings::okno,
    &ChannelSettings::schet,       &ChannelSettings::trevoga,       &ChannelSettings::predustanovka,
    &ChannelSettings::rezhektsiya, &ChannelSettings::perepil_porog, &ChannelSettings::perepil_vremj};

// "0505 051101 ..." -> payloads.
QList<QByteArray> payloads(const QByteArray &hex)
{
    QList<QByteArray> out;
    for (const QByteArray &p : hex.split(' '))
        if (!p.isEmpty())
            out << QByteArray::fromHex(p);
    return out;
}

QList<int> count_up(int n)
{
    QList<int> out;
    for (int i = 0; i < n; ++i)
        out << i;
    return out;
}

// Hooks that record what they are told, sending to a simulated unit or, when
// fake, answering every request at once with [address, code].
struct Rig {
    sim::Bus bus;
    sim::Unit &unit;
    sim::SimLinkPort port{&bus, QStringLiteral("ttySIM0")};
    Exchange exchange;
    TransferHooks hooks;
    QList<QByteArray> fake_sent;
    QList<bool> waits;
    QList<int> progress;
    Modes modes_written;
    int checks = 0;
    int cancel_at = -1;  // cancelled() turns true at this check (1 = the first)
    bool fake;

    explicit Rig(bool fake_unit = false) : unit(bus.add_unit(kAddress)), fake(fake_unit)
    {
        exchange.timing.tick_ms = 1;
        exchange.timing.pre_wait_ms = 1;
        port.open(QStringLiteral("ttySIM0"), LineSettings{4800});
        port.setBaudRate(57600);
        exchange.set_port(&port);
        hooks = exchange_hooks(exchange);
        if (fake)
            hooks.send = [this](QByteArray &payload, bool pre_wait) {
                fake_sent << payload;
                waits << pre_wait;
                payload = payload.left(2);
                return 0;
            };
        hooks.progress = [this](int step) { progress << step; };
        hooks.cancelled = [this] { return ++checks == cancel_at; };
        hooks.mode_written = [this](int channel, int mode) { modes_written << qMakePair(channel, mode); };
    }

    void set_modes(const QByteArray &modes)
    {
        for (int n = 1; n <= 4; ++n)
            unit.state().channel(n).mode = quint8(modes[n - 1]);
    }
    void set_channel(int n, const ChannelSettings &c)
    {
        unit.state().channel(n).mode = quint8(c.regim);
        for (int p = 0; p < 12; ++p)
            unit.state().channel(n).params[p] = quint8(c.*kSimOrder[p]);
    }
    ChannelSettings channel(int n)
    {
        ChannelSettings c;
        c.regim = unit.state().channel(n).mode;
        for (int p = 0; p < 12; ++p)
            c.*kSimOrder[p] = unit.state().channel(n).params[p];
        return c;
    }
    QList<QByteArray> sent() { return fake ? fake_sent : bus.log().request_payloads(); }
};

const QByteArray kWriteLf = "38 2c 2f 2d 30 31 32 33 34 3f 2e ";
const QByteArray kWriteHf = "38 2f 2d 30 31 32 33 34 3f 3c 3d ";
const QByteArray kWritePlain = "38 2f 2d 30 31 32 33 34 3f ";
const QByteArray kWriteTail = "36 37 3a";

// LF, HF, off, LF; every value inside the unit's range and away from its
// factory value, except the fields the mode does not write.
UnitConfig writable_config()
{
    UnitConfig c;
    c.channels[0] = {1, 2, 3, 1, 4, 6, 7, 5, 1, 3, 9, 6, 2};
    c.channels[1] = {2, 12, 7, 4, 8, 13, 10, 9, 4, 0, 0, 11, 5};
    c.channels[2] = {0, 5, 1, 0, 2, 2, 0, 1, 5, 0, 0, 6, 2};
    c.channels[3] = {1, 13, 8, 5, 9, 14, 11, 10, 3, 7, 16, 6, 2};
    c.kross = 0x2a;
    c.zaderzhka = 13;
    c.blokirovka = 10;
    return c;
}

}  // namespace

class TestUnitTransfer : public QObject {
    Q_OBJECT
private slots:
    void read_requests_data();
    void read_requests();
    void read_of_the_example_unit_gives_the_example_file();
    void read_on_a_line_of_several_units();
    void signed_values_round_trip();
    void read_ends_early_data();
    void read_ends_early();
    void write_requests_data();
    void write_requests();
    void write_reaches_the_unit();
    void write_ends_early_data();
    void write_ends_early();
};

void TestUnitTransfer::read_requests_data()
{
    QTest::addColumn<QByteArray>("modes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expected");  // empty: count only

    QTest::newRow("all off") << QByteArray::fromHex("00000000") << 4 << QByteArray("0505 0518 0519 051c");
    QTest::newRow("four LF") << QByteArray::fromHex("01010101") << 44 << QByteArray();
    QTest::newRow("four HF") << QByteArray::fromHex("02020202") << 44 << QByteArray();
    // Mode bits 3: neither LF nor HF, only the eight common values.
    QTest::newRow("mode 3 on 1") << QByteArray::fromHex("03000000") << 12
                                 << QByteArray("0505 051101 050f01 051201 051301 051401 051501 051601 051a01 "
                                               "0518 0519 051c");
    QTest::newRow("LF on 2, HF on 4")
        << QByteArray::fromHex("00010002") << 24
        << QByteArray("0505 "
                      "051102 050f02 051202 051302 051402 051502 051602 051a02 051002 050e02 "
                      "051104 050f04 051204 051304 051404 051504 051604 051a04 0521 0522 "
                      "0518 0519 051c");
}

void TestUnitTransfer::read_requests()
{
    QFETCH(QByteArray, modes);
    QFETCH(int, count);
    QFETCH(QByteArray, expected);
    Rig rig;
    rig.set_modes(modes);

    UnitConfig out;
    QVERIFY(read_unit_config(rig.hooks, kAddress, out));
    QCOMPARE(rig.sent().size(), count);
    if (!expected.isEmpty())
        QCOMPARE(rig.sent(), payloads(expected));
    QCOMPARE(rig.progress, count_up(count - 1));
    QCOMPARE(rig.checks, count - 1);
    for (int n = 0; n < 4; ++n)
        QCOMPARE(out.channels[n].regim, int(modes[n]));
}

void TestUnitTransfer::read_of_the_example_unit_gives_the_example_file()
{
    Rig rig;
    ChannelSettings lf = example_config().channels[0];
    lf.perepil_porog = 7;  // not read in LF mode
    rig.set_channel(1, lf);
    rig.set_modes(QByteArray::fromHex("01000000"));  // off channels keep factory values, never read
    rig.unit.state().param(UnitParam::Cross) = 0;
    rig.unit.state().param(UnitParam::Delay) = 2;
    rig.unit.state().param(UnitParam::Blocking) = 1;

    UnitConfig out;
    QVERIFY(read_unit_config(rig.hooks, kAddress, out));
    QCOMPARE(config_file_bytes(out), example_file());
}

// On a line of several units every unit's own modes are read, not those of
// the first unit, which alone answers address 0.
void TestUnitTransfer::read_on_a_line_of_several_units()
{
    Rig rig;
    rig.set_modes(QByteArray::fromHex("01010101"));
    sim::Unit &other = rig.bus.add_unit(kAddress + 2);
    for (int n = 1; n <= 4; ++n)
        other.state().channel(n).mode = quint8(n == 2 ? 2 : 0);
    UnitConfig out;
    QVERIFY(read_unit_config(rig.hooks, kAddress + 2, out));
    const int expected[4] = {0, 2, 0, 0};
    for (int n = 0; n < 4; ++n)
        QCOMPARE(out.channels[n].regim, expected[n]);
}

void TestUnitTransfer::signed_values_round_trip()
{
    Rig rig;
    rig.set_modes(QByteArray::fromHex("02000000"));
    rig.unit.state().channel(1).params[0] = 0xC8;   // porog
    rig.unit.state().channel(1).params[10] = 0xFF;  // perepil_porog
    rig.unit.state().param(UnitParam::Blocking) = 0x80;

    UnitConfig out;
    QVERIFY(read_unit_config(rig.hooks, kAddress, out));
    QCOMPARE(out.channels[0].porog, -56);
    QCOMPARE(out.channels[0].perepil_porog, -1);
    QCOMPARE(out.blokirovka, -128);

    Rig fake(true);
    QVERIFY(write_unit_config(fake.hooks, kAddress, out));
    QCOMPARE(fake.sent()[1], QByteArray::fromHex("052f01c8"));
    QCOMPARE(fake.sent()[9], QByteArray::fromHex("053c01ff"));
    QCOMPARE(fake.sent().last(), QByteArray::fromHex("053a80"));
}

void TestUnitTransfer::read_ends_early_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<int>("taken");  // leading values of channel 1 that were read

    QTest::newRow("cancel after the seventh value") << QString() << 8 << 7;
    QTest::newRow("trevoga refused") << QStringLiteral("refuse=0x1a") << -1 << 7;
}

void TestUnitTransfer::read_ends_early()
{
    QFETCH(QString, fault);
    QFETCH(int, cancel_at);
    QFETCH(int, taken);
    Rig rig;
    if (!fault.isEmpty())
        rig.unit.faults().add(fault);
    rig.cancel_at = cancel_at;
    rig.set_modes(QByteArray::fromHex("01010101"));
    const ChannelSettings known = writable_config().channels[0];
    rig.set_channel(1, known);

    UnitConfig out;
    QVERIFY(!read_unit_config(rig.hooks, kAddress, out));
    // The first eight parameters are read in the simulated unit's order.
    for (int p = 0; p < 8; ++p)
        QCOMPARE(out.channels[0].*kSimOrder[p], p < taken ? known.*kSimOrder[p] : 0);
    if (cancel_at > 0)
        QCOMPARE(rig.sent().size(), cancel_at);
}

void TestUnitTransfer::write_requests_data()
{
    QTest::addColumn<QList<int>>("regims");
    QTest::addColumn<QByteArray>("codes");

    QTest::newRow("four off") << QList<int>{0, 0, 0, 0}
                              << kWritePlain + kWritePlain + kWritePlain + kWritePlain + kWriteTail;
    QTest::newRow("four LF") << QList<int>{1, 1, 1, 1}
                             << kWriteLf + kWriteLf + kWriteLf + kWriteLf + kWriteTail;
    QTest::newRow("four HF") << QList<int>{2, 2, 2, 2}
                             << kWriteHf + kWriteHf + kWriteHf + kWriteHf + kWriteTail;
    QTest::newRow("LF, HF, off, 3") << QList<int>{1, 2, 0, 3}
                                    << kWriteLf + kWriteHf + kWritePlain + kWritePlain + kWriteTail;
    // Only the whole value counts as a mode; the mode byte is its low byte.
    QTest::newRow("0x101 and 0x102") << QList<int>{0x101, 0x102, 1, 2}
                                     << kWritePlain + kWritePlain + kWriteLf + kWriteHf + kWriteTail;
}

void TestUnitTransfer::write_requests()
{
    QFETCH(QList<int>, regims);
    QFETCH(QByteArray, codes);
    UnitConfig config = writable_config();
    Modes modes;
    for (int n = 0; n < 4; ++n) {
        config.channels[n].regim = regims[n];
        modes << qMakePair(n + 1, regims[n] & 0xFF);
    }
    Rig rig(true);

    QVERIFY(write_unit_config(rig.hooks, kAddress, config));
    // Codes in order; channel requests [address, code, channel, value], unit-wide ones [address, code,
    // value].
    QByteArray got;
    int channel = 0;
    for (const QByteArray &p : rig.sent()) {
        got += p.mid(1, 1).toHex() + ' ';
        channel += p[1] == 0x38;
        QCOMPARE(int(p[0]), kAddress);
        QCOMPARE(p.size(), p[1] >= 0x36 && p[1] <= 0x3A && p[1] != 0x38 ? 3 : 4);
        if (p.size() == 4)
            QCOMPARE(int(p[2]), channel);
        if (p[1] == 0x38)
            QCOMPARE(int(quint8(p[3])), regims[channel - 1] & 0xFF);
    }
    QCOMPARE(got.trimmed(), codes.trimmed());
    QVERIFY(!rig.waits.contains(false));
    QCOMPARE(rig.progress, count_up(rig.sent().size() - 1));
    QCOMPARE(rig.modes_written, modes);
}

void TestUnitTransfer::write_reaches_the_unit()
{
    Rig rig;
    rig.set_modes(QByteArray::fromHex("02020202"));
    const UnitConfig config = writable_config();

    QVERIFY(write_unit_config(rig.hooks, kAddress, config));
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(rig.channel(n), config.channels[n - 1]);
    QCOMPARE(int(rig.unit.state().param(UnitParam::Cross)), config.kross);
    QCOMPARE(int(rig.unit.state().param(UnitParam::Delay)), config.zaderzhka);
    QCOMPARE(int(rig.unit.state().param(UnitParam::Blocking)), config.blokirovka);
    QCOMPARE(rig.modes_written, (Modes{{1, 1}, {2, 2}, {3, 0}, {4, 1}}));
}

void TestUnitTransfer::write_ends_early_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<QList<int>>("written");  // channels reported by mode_written
    QTest::addColumn<QList<int>>("taken");    // channels whose mode the unit took

    // 11 requests a LF channel: the unit still hears channel 3's mode and preset.
    QTest::newRow("unit falls silent in channel 3")
        << QStringLiteral("silent-after=24") << -1 << QList<int>{1, 2, 3} << QList<int>{1, 2, 3};
    QTest::newRow("cancel after the first mode") << QString() << 1 << QList<int>{} << QList<int>{1};
    QTest::newRow("cancel after channel 2's mode") << QString() << 12 << QList<int>{1} << QList<int>{1, 2};
    QTest::newRow("cancel after channel 2's first value")
        << QString() << 13 << QList<int>{1, 2} << QList<int>{1, 2};
}

void TestUnitTransfer::write_ends_early()
{
    QFETCH(QString, fault);
    QFETCH(int, cancel_at);
    QFETCH(QList<int>, written);
    QFETCH(QList<int>, taken);
    Rig rig;
    if (!fault.isEmpty())
        rig.unit.faults().add(fault);
    rig.cancel_at = cancel_at;
    rig.set_modes(QByteArray::fromHex("00000000"));
    UnitConfig config = writable_config();
    for (ChannelSettings &c : config.channels)
        c.regim = 1;

    QVERIFY(!write_unit_config(rig.hooks, kAddress, config));
    QList<int> reported;
    for (const auto &m : rig.modes_written)
        reported << m.first;
    QCOMPARE(reported, written);
    // What was acknowledged stays; nothing after the end is sent.
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(int(rig.unit.state().channel(n).mode), taken.contains(n) ? 1 : 0);
    if (written.contains(1))
        QCOMPARE(rig.channel(1), config.channels[0]);
    if (cancel_at > 0)
        QCOMPARE(rig.sent().size(), cancel_at);
    QCOMPARE(int(rig.unit.state().param(UnitParam::Blocking)), 3);
}

QTEST_GUILESS_MAIN(TestUnitTransfer)
#include "tst_unit_transfer.moc"
