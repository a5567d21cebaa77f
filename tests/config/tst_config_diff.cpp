// The comparison of two configurations, the check against the lists, and
// the plan that writes only the chosen differences: rows, refusals and
// request bytes written out by hand.
#include "config/config_check.h"
#include "config/config_diff.h"
#include "config/unit_transfer.h"
#include "config/write_plan.h"
#include "example_config.h"

#include <QtTest>

namespace {

// Channel 1 LF, channel 2 HF, channel 3 off (the zeros a saved file holds),
// channel 4 LF; pair 1+4.
UnitConfig base()
{
    UnitConfig c;
    // regim, porog, usilenie, arp, pauza, impuls, okno, schet, trevoga, predustanovka, rezhektsiya, cut
    c.channels[0] = {1, 9, 3, 0, 3, 2, 4, 1, 1, 6, 10, 0, 0};
    c.channels[1] = {2, 6, 4, 1, 4, 4, 5, 2, 2, 0, 0, 7, 2};
    c.channels[3] = {1, 9, 3, 0, 3, 2, 4, 1, 1, 0, 0, 0, 0};
    c.kross = 0x04;
    c.zaderzhka = 4;
    c.blokirovka = 3;
    return c;
}

QString list_name(lists::List list)
{
    return list == config_values::kCrossMask ? QStringLiteral("cross")
                                             : QString::fromLatin1(lists::list_info(list).name);
}

QStringList hex(const QList<QByteArray> &payloads)
{
    QStringList out;
    for (const QByteArray &p : payloads)
        out << QString::fromLatin1(p.toHex());
    return out;
}

}  // namespace

class TestConfigDiff : public QObject {
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
    void check_data();
    void check();
    void plan_data();
    void plan();
    void plan_of_everything_is_the_whole_write();
};

void TestConfigDiff::compare_data()
{
    QTest::addColumn<QStringList>("edits");  // B is the base with these
    QTest::addColumn<int>("rows");           // rows compared
    QTest::addColumn<QStringList>("differing");

    // 4 modes, 10 values each for the LF and HF channels, 3 unit-wide.
    QTest::newRow("same") << QStringList{} << 37 << QStringList{};
    QTest::newRow("threshold") << QStringList{"1 porog 8"} << 37 << QStringList{"1 porog 9 8"};
    QTest::newRow("preset and cut value") << QStringList{"1 pred 0", "2 porog_perepil 3"} << 37
                                          << QStringList{"1 pred 6 0", "2 porog_perepil 7 3"};
    QTest::newRow("mode: the other values not compared")
        << QStringList{"4 onoff 2", "4 porog 5"} << 27 << QStringList{"4 onoff 1 2"};
    QTest::newRow("values the mode does not use")
        << QStringList{"1 porog_perepil 3", "2 reject 4", "3 porog 5"} << 37 << QStringList{};
    QTest::newRow("held as the low byte") << QStringList{"0 zad 260", "1 onoff 257"} << 37 << QStringList{};
    QTest::newRow("unit-wide, in order")
        << QStringList{"0 block 5", "0 cross 33"} << 37 << QStringList{"0 cross 4 33", "0 block 3 5"};
}

void TestConfigDiff::compare()
{
    QFETCH(QStringList, edits);
    QFETCH(int, rows);
    QFETCH(QStringList, differing);
    const QList<config_diff::Row> all = config_diff::compare(base(), edited(base(), edits));
    QCOMPARE(all.size(), rows);
    QStringList got;
    for (const config_diff::Row &r : config_diff::differing(all))
        got << QStringLiteral("%1 %2 %3 %4").arg(r.channel).arg(list_name(r.list)).arg(r.a).arg(r.b);
    QCOMPARE(got, differing);
}

void TestConfigDiff::check_data()
{
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("bad");

    QTest::newRow("in the lists") << QStringList{} << QStringList{};
    QTest::newRow("impulse 250") << QStringList{"1 impuls 250"} << QStringList{"1 Импульс 250"};
    QTest::newRow("unknown mode, its values not looked at")
        << QStringList{"2 onoff 7", "2 porog 99"} << QStringList{"2 Режим работы 7"};
    QTest::newRow("first and last items fit")
        << QStringList{"1 pred 7", "1 reject 16", "2 time_perepil 7", "0 zad 13", "0 block 10"}
        << QStringList{};
    QTest::newRow("one past either end")
        << QStringList{"1 pred 8", "1 trevoga 0", "2 time_perepil 8", "0 zad 14", "0 block 0"}
        << QStringList{"1 Предустановка 8", "1 Тревога 0", "2 Перепил: Превышение 8", "0 Задержка 14",
                       "0 Блокировка 0"};
    QTest::newRow("values the mode does not use")
        << QStringList{"1 porog_perepil 99", "2 pred 99", "3 usilenie 0"} << QStringList{};
    QTest::newRow("pairing mask beyond the six pairs")
        << QStringList{"0 cross 64"} << QStringList{"0 Кросс 64"};
    QTest::newRow("negative mode") << QStringList{"4 onoff -1"} << QStringList{"4 Режим работы -1"};
}

void TestConfigDiff::check()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, bad);
    QStringList got;
    for (const config_check::BadValue &b : config_check::check(edited(base(), edits)))
        got << QStringLiteral("%1 %2 %3").arg(b.channel).arg(b.what).arg(b.code);
    QCOMPARE(got, bad);
}

void TestConfigDiff::plan_data()
{
    QTest::addColumn<QStringList>("edits");   // the file is the base with these; the unit holds the base
    QTest::addColumn<QStringList>("writes");  // payloads at address 7
    QTest::addColumn<QStringList>("reads");
    QTest::addColumn<QStringList>("expected");  // what each read checks: "channel list code", "-" for none

    QTest::newRow("threshold") << QStringList{"1 porog 11"} << QStringList{"072f010b"}
                               << QStringList{"071101"} << QStringList{"1 porog 11"};
    // The cut reads carry no channel: a read of the channel goes first.
    QTest::newRow("cut values") << QStringList{"2 porog_perepil 8", "2 time_perepil 4"}
                                << QStringList{"073c0208", "073d0204"}
                                << QStringList{"071102", "0721", "0722"}
                                << QStringList{"-", "2 porog_perepil 8", "2 time_perepil 4"};
    QTest::newRow("channels in order, unit-wide last")
        << QStringList{"0 block 5", "0 zad 10", "0 cross 0", "2 okno 7", "1 porog 11"}
        << QStringList{"072f010b", "07330207", "073600", "07370a", "073a05"}
        << QStringList{"071101", "071502", "0718", "0719", "071c"}
        << QStringList{"1 porog 11", "2 okno 7", "0 cross 0", "0 zad 10", "0 block 5"};
    // The preset overwrites the values after it: they all go again.
    QTest::newRow("preset") << QStringList{"4 pred 5"}
                            << QStringList{"072c0405", "072f0409", "072d0403", "07300400", "07310402",
                                           "07320403", "07330404", "07340401", "073f0401", "072e0400"}
                            << QStringList{"071104", "070f04", "071204", "071304", "071404",
                                           "071504", "071604", "071a04", "071004", "070e04"}
                            << QStringList{"4 porog 9",  "4 usilenie 3", "4 arp 0",   "4 impuls 2",
                                           "4 pause 3",  "4 okno 4",     "4 schet 1", "4 trevoga 1",
                                           "4 reject 0", "4 pred 5"};
    // The new mode's values were not compared: the whole channel goes.
    QTest::newRow("mode off to HF") << QStringList{"3 onoff 2",   "3 porog 6",       "3 usilenie 4",
                                                   "3 arp 1",     "3 impuls 4",      "3 pause 4",
                                                   "3 okno 5",    "3 schet 2",       "3 porog_perepil 7",
                                                   "3 trevoga 2", "3 time_perepil 2"}
                                    << QStringList{"07380302", "072f0306", "072d0304", "07300301",
                                                   "07310304", "07320304", "07330305", "07340302",
                                                   "073f0302", "073c0307", "073d0302"}
                                    << QStringList{"0705",   "071103", "070f03", "071203", "071303", "071403",
                                                   "071503", "071603", "071a03", "0721",   "0722"}
                                    << QStringList{"3 onoff 2",         "3 porog 6",       "3 usilenie 4",
                                                   "3 arp 1",           "3 impuls 4",      "3 pause 4",
                                                   "3 okno 5",          "3 schet 2",       "3 trevoga 2",
                                                   "3 porog_perepil 7", "3 time_perepil 2"};
    QTest::newRow("channel switched off: its mode alone")
        << QStringList{"2 onoff 0", "1 onoff 0"} << QStringList{"07380100", "07380200"} << QStringList{"0705"}
        << QStringList{"1 onoff 0, 2 onoff 0"};
}

void TestConfigDiff::plan()
{
    QFETCH(QStringList, edits);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, reads);
    QFETCH(QStringList, expected);
    const UnitConfig file = edited(base(), edits);
    const write_plan::Plan p =
        write_plan::plan(7, file, config_diff::differing(config_diff::compare(file, base())));
    QList<QByteArray> got_writes, got_reads;
    for (const write_plan::Write &w : p.writes)
        got_writes << w.payload;
    QStringList got_expected;
    for (const write_plan::Read &r : p.reads) {
        got_reads << r.payload;
        QStringList e;
        for (const write_plan::Expected &x : r.expected)
            e << QStringLiteral("%1 %2 %3").arg(x.channel).arg(list_name(x.list)).arg(x.code);
        got_expected << (e.isEmpty() ? QStringLiteral("-") : e.join(QStringLiteral(", ")));
    }
    QCOMPARE(hex(got_writes), writes);
    QCOMPARE(hex(got_reads), reads);
    QCOMPARE(got_expected, expected);
}

// Every value differing, every channel changing its mode: the plan is what
// the whole-unit write sends, request for request.
void TestConfigDiff::plan_of_everything_is_the_whole_write()
{
    UnitConfig file = base();
    file.channels[2] = file.channels[1];  // no channel off: a whole write sends an off channel's zeros
    const UnitConfig unit;                // every mode off, every value 0
    QList<QByteArray> whole;
    TransferHooks hooks;
    hooks.send = [&whole](QByteArray &payload, bool pre_wait) {
        whole << payload;
        return pre_wait ? 0 : 1;
    };
    QVERIFY(write_unit_config(hooks, 7, file));
    QList<QByteArray> planned;
    for (const write_plan::Write &w :
         write_plan::plan(7, file, config_diff::differing(config_diff::compare(file, unit))).writes)
        planned << w.payload;
    QCOMPARE(hex(planned), hex(whole));

    // Values the unit holds already are not sent.
    QVERIFY(
        write_plan::plan(7, file, config_diff::differing(config_diff::compare(file, file))).writes.isEmpty());
}

QTEST_GUILESS_MAIN(TestConfigDiff)
#include "tst_config_diff.moc"
