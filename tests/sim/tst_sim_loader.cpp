// The unit's loader: entry frame, line-by-line transfer with acknowledgements,
// the stored lines and image, its faults and the restart afterwards.

#include "loader.h"
#include "unit.h"
#include "wire.h"

#include <QTest>

using sim::msec;
using sim::Unit;

namespace {

const QByteArray kEntry = "$007777\r";  // 24 30 30 37 37 37 37 0d
const QByteArray kReady = QByteArray(1, char(0xAA));
const QByteArray kDone = QByteArray(1, char(0xCC));
const QList<QByteArray> kFile = {
    ":020000040001F9",      // linear base 0x10000
    ":0400000001020304F2",  // 01 02 03 04 at 0x10000
    ":03001000aabbccbc",    // lower-case digits pass too
    ":00000001FF",
};

// Sends bytes at now and returns what the unit answers within 100 ms.
QByteArray send(Unit &u, const QByteArray &bytes, sim::Usec now)
{
    u.feed(bytes, now);
    return wire::joined(u.take_due(now + msec(100)));
}

QByteArray line(const QByteArray &text)
{
    return text + "\n\r";
}

}  // namespace

class TestSimLoader : public QObject {
    Q_OBJECT
private slots:
    void records_parse_data();
    void records_parse();
    void transfers_a_file_and_restarts();
    void bytewise_feeding_gives_the_same_transfer();
    void stall_resumes_after_a_new_entry();
    void rejected_line_is_not_stored_data();
    void rejected_line_is_not_stored();
    void refused_entry_leaves_the_unit_as_it_was();
    void abandoned_loader_times_out();
    void failed_line_leaves_the_unit_in_its_loader();
};

void TestSimLoader::records_parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("data") << QByteArray(":0400000001020304F2") << true << 0 << 0 << wire::bytes("01020304");
    QTest::newRow("end of file") << QByteArray(":00000001FF") << true << 1 << 0 << QByteArray();
    QTest::newRow("linear base") << QByteArray(":020000040001F9") << true << 4 << 0 << wire::bytes("0001");
    QTest::newRow("wrong checksum") << QByteArray(":0400000001020304F3") << false << 0 << 0 << QByteArray();
    QTest::newRow("length byte too big")
        << QByteArray(":0500000001020304F1") << false << 0 << 0 << QByteArray();
    QTest::newRow("not hex") << QByteArray(":04000000010203G4F2") << false << 0 << 0 << QByteArray();
    QTest::newRow("no colon") << QByteArray("0400000001020304F2") << false << 0 << 0 << QByteArray();
    QTest::newRow("too short") << QByteArray(":00FF") << false << 0 << 0 << QByteArray();
    QTest::newRow("unknown type") << QByteArray(":00000006FA") << false << 0 << 0 << QByteArray();
}

void TestSimLoader::records_parse()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, type);
    QFETCH(int, address);
    QFETCH(QByteArray, data);
    sim::HexRecord r;
    QCOMPARE(sim::parse_hex_record(text, &r), ok);
    if (ok) {
        QCOMPARE(int(r.type), type);
        QCOMPARE(int(r.address), address);
        QCOMPARE(r.data, data);
    }
}

void TestSimLoader::transfers_a_file_and_restarts()
{
    Unit u(1);
    u.timing().restart = msec(200);
    QCOMPARE(send(u, kEntry, 0), kReady);
    QVERIFY(u.in_loader());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(send(u, line(kFile[i]), msec(100 * (i + 1))), kReady);
    QCOMPARE(send(u, line(kFile[3]), msec(400)), kDone);

    QCOMPARE(u.loader().lines(), kFile);
    QCOMPARE(u.loader().bad_terminators(), 0);
    QVERIFY(u.loader().complete());
    const QMap<quint32, quint8> expected{{0x10000, 1},    {0x10001, 2},    {0x10002, 3},   {0x10003, 4},
                                         {0x10010, 0xaa}, {0x10011, 0xbb}, {0x10012, 0xcc}};
    QCOMPARE(u.loader().image(), expected);

    // Deaf while restarting, then back in normal operation.
    QVERIFY(!u.in_loader());
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(500)), QByteArray());
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(700)), QByteArray("!010102\r"));
}

void TestSimLoader::bytewise_feeding_gives_the_same_transfer()
{
    Unit u(1);
    QByteArray stream = kEntry;
    for (const QByteArray &l : kFile)
        stream += line(l);
    QByteArray out;
    for (char c : stream)
        out += send(u, QByteArray(1, c), 0);
    QCOMPARE(out, kReady + kReady + kReady + kReady + kDone);
    QCOMPARE(u.loader().lines(), kFile);
}

void TestSimLoader::stall_resumes_after_a_new_entry()
{
    Unit u(1);
    u.faults().add("loader-stall=2");
    QCOMPARE(send(u, kEntry, 0), kReady);
    QCOMPARE(send(u, line(kFile[0]), msec(100)), kReady);
    QCOMPARE(send(u, line(kFile[1]), msec(200)), QByteArray());  // stalls after line 2
    QCOMPARE(send(u, kEntry, msec(800)), kReady);                // sender starts over
    QCOMPARE(send(u, line(kFile[2]), msec(900)), kReady);        // and goes on with line 3
    QCOMPARE(send(u, line(kFile[3]), msec(1000)), kDone);
    QCOMPARE(u.loader().lines(), kFile);
}

void TestSimLoader::rejected_line_is_not_stored_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("second_line");
    QTest::addColumn<int>("answer");
    QTest::newRow("reject fault") << "loader-reject=2" << kFile[1] << 0x55;
    QTest::newRow("reject fault, own byte") << "loader-reject=2,0xee" << kFile[1] << 0xee;
    QTest::newRow("fail fault") << "loader-fail=2" << kFile[1] << 0x55;
    QTest::newRow("bad record checksum") << QString() << QByteArray(":0400000001020304F3") << 0x55;
    QTest::newRow("not a record") << QString() << QByteArray(":xyz") << 0x55;
}

void TestSimLoader::rejected_line_is_not_stored()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, second_line);
    QFETCH(int, answer);
    Unit u(1);
    if (!fault.isEmpty())
        QVERIFY(u.faults().add(fault));
    QCOMPARE(send(u, kEntry, 0), kReady);
    QCOMPARE(send(u, line(kFile[0]), msec(100)), kReady);
    QCOMPARE(send(u, line(second_line), msec(200)), QByteArray(1, char(answer)));
    QCOMPARE(u.loader().lines(), QList<QByteArray>{kFile[0]});
    QVERIFY(u.loader().image().isEmpty());
}

void TestSimLoader::refused_entry_leaves_the_unit_as_it_was()
{
    Unit u(1);
    u.faults().add("refuse=0x77");
    QCOMPARE(send(u, kEntry, 0), QByteArray());
    QVERIFY(!u.in_loader());
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(100)), QByteArray("!010102\r"));
}

void TestSimLoader::abandoned_loader_times_out()
{
    Unit u(1);
    u.timing().loader_timeout = msec(5000);
    QCOMPARE(send(u, kEntry, 0), kReady);
    QCOMPARE(send(u, kFile[0] + "\r", msec(100)), kReady);  // CR without the LF: taken, counted
    QCOMPARE(u.loader().bad_terminators(), 1);
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(1000)), QByteArray());  // still in the loader
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(7000)), QByteArray("!010102\r"));
    QVERIFY(!u.in_loader());
}

void TestSimLoader::failed_line_leaves_the_unit_in_its_loader()
{
    Unit u(1);
    u.timing().loader_timeout = msec(5000);
    QVERIFY(u.faults().add("loader-fail=2"));
    QCOMPARE(send(u, kEntry, 0), kReady);
    QCOMPARE(send(u, line(kFile[0]), msec(100)), kReady);
    QCOMPARE(send(u, line(kFile[1]), msec(200)), QByteArray(1, char(0x55)));
    // Long past the loader's time-out: still there, deaf to requests.
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(60000)), QByteArray());
    QVERIFY(u.in_loader());
    // A new entry starts over from the first line, and the fault is used up.
    QCOMPARE(send(u, kEntry, msec(61000)), kReady);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(send(u, line(kFile[i]), msec(61100 + 100 * i)), kReady);
    QCOMPARE(send(u, line(kFile[3]), msec(61400)), kDone);
    QCOMPARE(u.loader().lines(), kFile);
    QCOMPARE(wire::exchange(u, wire::bytes("0120"), msec(62000)), QByteArray("!010102\r"));
}

QTEST_APPLESS_MAIN(TestSimLoader)
#include "tst_sim_loader.moc"
