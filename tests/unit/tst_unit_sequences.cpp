// The request sequences the window and the command-line tool share, run
// against the simulated unit: the requests in order, the pauses and cancel
// checks between them, what they report, and how they end on a unit that
// stops answering or a cancel.

#include "bus.h"
#include "channels/channel_reading.h"
#include "channels/measurement_run.h"
#include "channels/measurements.h"
#include "common/timing.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "services/log_reading.h"
#include "sim_link_port.h"

#include <QElapsedTimer>
#include <QtTest>

using sim::ChannelParam;
using sim::UnitParam;

Q_DECLARE_METATYPE(log_reading::Outcome)
Q_DECLARE_METATYPE(measurements::RunStage)

namespace {

constexpr int kAddress = 5;
constexpr int kSettleMs = 7;
constexpr int kSecondMs = 20;

// "0520 0526 ..." -> payloads.
QList<QByteArray> payloads(const QByteArray &hex)
{
    QList<QByteArray> out;
    for (const QByteArray &p : hex.split(' '))
        if (!p.isEmpty())
            out << QByteArray::fromHex(p);
    return out;
}

// A link to a simulated unit whose every call is written to `events`:
// "send <hex>", "wait <ms>", "cancel?"; the callbacks of a test add theirs.
struct Rig {
    sim::Bus bus;
    sim::Unit &unit;
    sim::SimLinkPort port{&bus, QStringLiteral("ttySIM0")};
    Exchange exchange;
    UnitLink link;
    QStringList events;
    QList<QByteArray> sent;
    int checks = 0;
    int cancel_at = -1;  // cancelled() is true at this check (1 = the first)

    Rig() : unit(bus.add_unit(kAddress))
    {
        exchange.timing.tick_ms = 1;
        exchange.timing.pre_wait_ms = 1;
        exchange.timing.settle_ms = kSettleMs;
        exchange.timing.collect_second_ms = kSecondMs;
        link.timing = exchange.timing;
        link.link_settings = &exchange.link_settings;
        port.open(QStringLiteral("ttySIM0"), LineSettings{4800});
        port.setBaudRate(57600);
        exchange.set_port(&port);
        link.send = [this](QByteArray &payload, bool pre_wait) {
            sent << payload;
            events << QStringLiteral("send ") + QString::fromLatin1(payload.toHex());
            return exchange.SendCommand(payload, pre_wait);
        };
        link.wait = [this](int ms) {
            events << QStringLiteral("wait %1").arg(ms);
            exchange.wait_ms(ms);
        };
        link.cancelled = [this] {
            events << QStringLiteral("cancel?");
            return ++checks == cancel_at;
        };
    }

    void set_modes(const QByteArray &modes)
    {
        for (int n = 1; n <= 4; ++n)
            unit.state().channel(n).mode = quint8(modes[n - 1]);
    }
};

QString stage_text(reading::Stage stage, const reading::ChannelReading &r)
{
    switch (stage) {
    case reading::Stage::Settled:
        return QStringLiteral("settled");
    case reading::Stage::Address:
        return QStringLiteral("address %1").arg(r.address);
    case reading::Stage::Version:
        return QStringLiteral("version %1 %2").arg(r.version_major).arg(r.version_text);
    }
    return QString();
}

QString value_text(const readback::Request &request, int index, const QByteArray &answer)
{
    switch (request.target) {
    case readback::Target::Parameter:
        return QStringLiteral("p%1=%2").arg(int(request.id)).arg(index);
    case readback::Target::Preset:
        return QStringLiteral("preset=%1").arg(index);
    case readback::Target::CrossMask:
        return QStringLiteral("cross=%1/%2").arg(index).arg(answer_byte(answer, 1));
    }
    return QString();
}

}  // namespace

class TestUnitSequences : public QObject {
    Q_OBJECT
private slots:
    // The exchange traces every attempt; the request log of each case says more.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void read_modes_data();
    void read_modes();
    void read_channel_requests_data();
    void read_channel_requests();
    void read_channel_values_data();
    void read_channel_values();
    void read_channel_stops_data();
    void read_channel_stops();
    void read_event_log_data();
    void read_event_log();
    void run_collected_data();
    void run_collected();
};

void TestUnitSequences::read_modes_data()
{
    QTest::addColumn<QByteArray>("modes");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("expected");  // index 0 unused

    QTest::newRow("LF, HF, off, LF") << QByteArray::fromHex("01020001") << QString() << 0
                                     << QList<int>{0, 1, 2, 0, 1};
    QTest::newRow("mode bits 3 on 4")
        << QByteArray::fromHex("00000103") << QString() << 0 << QList<int>{0, 0, 0, 1, 3};
    // A failed read leaves the caller's modes as they were.
    QTest::newRow("unanswered") << QByteArray::fromHex("01010101") << QStringLiteral("silence")
                                << int(NoAnswer) << QList<int>{-1, -1, -1, -1, -1};
    QTest::newRow("bad checksum") << QByteArray::fromHex("01010101") << QStringLiteral("bad-checksum")
                                  << int(BadChecksum) << QList<int>{-1, -1, -1, -1, -1};
}

void TestUnitSequences::read_modes()
{
    QFETCH(QByteArray, modes);
    QFETCH(QString, fault);
    QFETCH(int, result);
    QFETCH(QList<int>, expected);
    Rig rig;
    rig.set_modes(modes);
    if (!fault.isEmpty())
        rig.unit.faults().add(fault);

    std::array<int, 5> got;
    got.fill(-1);
    QCOMPARE(reading::read_modes(rig.link, kAddress, &got), result);
    QCOMPARE(rig.sent, payloads("0505"));
    QCOMPARE(QList<int>(got.begin(), got.end()), expected);
}

void TestUnitSequences::read_channel_requests_data()
{
    QTest::addColumn<int>("asked");  // address the reading starts with
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("modes");
    QTest::addColumn<bool>("has_version");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("version");  // the Version stage as reported
    QTest::addColumn<int>("state");

    const QByteArray modes = QByteArray::fromHex("01020001");
    QTest::newRow("LF on 1")
        << kAddress << 1 << modes << true << 2 << 5
        << QByteArray("0520 0526 051101 050f01 051201 051301 051401 051501 051601 051a01 0519 051c "
                      "051001 050e01 0518 0504")
        << QStringLiteral("version 2 2.5") << 0x41;
    QTest::newRow("HF on 2")
        << kAddress << 2 << modes << true << 1 << 3
        << QByteArray("0520 0526 051102 050f02 051202 051302 051402 051502 051602 051a02 0519 051c "
                      "0518 0521 0522 0504")
        << QStringLiteral("version 1 1.3") << 0x42;
    QTest::newRow("off on 3") << kAddress << 3 << modes << true << 2 << 5
                              << QByteArray("0520 0526 051103 050f03 051203 051303 051403 051503 051603 "
                                            "051a03 0519 051c 0518 0504")
                              << QStringLiteral("version 2 2.5") << int(sim::kStateOff);
    // Major version 0 has one alarm time for the whole unit.
    QTest::newRow("LF on 4, no get_version")
        << kAddress << 4 << modes << false << 2 << 5
        << QByteArray("0520 0526 051104 050f04 051204 051304 051404 051504 051604 0517 0519 051c "
                      "051004 050e04 0518 0504")
        << QStringLiteral("version 0 1.0") << 0x44;
    // The unit answers address 0 with its own; everything after goes there.
    QTest::newRow("asked at address 0")
        << 0 << 1 << modes << true << 2 << 5
        << QByteArray("0020 0526 051101 050f01 051201 051301 051401 051501 051601 051a01 0519 051c "
                      "051001 050e01 0518 0504")
        << QStringLiteral("version 2 2.5") << 0x41;
}

void TestUnitSequences::read_channel_requests()
{
    QFETCH(int, asked);
    QFETCH(int, channel);
    QFETCH(QByteArray, modes);
    QFETCH(bool, has_version);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QByteArray, expected);
    QFETCH(QString, version);
    QFETCH(int, state);
    Rig rig;
    rig.set_modes(modes);
    rig.unit.state().has_version = has_version;
    rig.unit.state().version_major = quint8(major);
    rig.unit.state().version_minor = quint8(minor);
    for (int n = 1; n <= 4; ++n)
        rig.unit.state().channel(n).state = quint8(0x40 + n);

    reading::ChannelReading out;
    int values = 0;
    const int r = reading::read_channel(
        rig.link, asked, channel, modes[channel - 1], &out,
        [&](const readback::Request &, int, const QByteArray &) { ++values; },
        [&](reading::Stage stage, const reading::ChannelReading &so_far) {
            rig.events << stage_text(stage, so_far);
        });
    QCOMPARE(r, 0);
    const QList<QByteArray> requests = payloads(expected);
    QCOMPARE(rig.sent, requests);
    QCOMPARE(values, requests.size() - 3);

    // The pause comes first, each stage right after its request.
    const QStringList head{QStringLiteral("wait %1").arg(kSettleMs),
                           QStringLiteral("settled"),
                           QStringLiteral("send ") + QString::fromLatin1(requests[0].toHex()),
                           QStringLiteral("address %1").arg(kAddress),
                           QStringLiteral("send 0526"),
                           version};
    QCOMPARE(rig.events.mid(0, head.size()), head);
    QCOMPARE(rig.events.size(), head.size() + requests.size() - 2);
    QCOMPARE(rig.checks, 0);

    QCOMPARE(out.address, kAddress);
    QCOMPARE(QStringLiteral("version %1 %2").arg(out.version_major).arg(out.version_text), version);
    QCOMPARE(out.state, state);
}

void TestUnitSequences::read_channel_values_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("expected");

    // Index = unit code - the parameter's offset, the code a signed byte:
    // porog 0xC8 is -56.
    const QStringList common{"p0=-56", "p1=3", "p2=1", "p3=0", "p4=4",
                             "p5=6",   "p6=6", "p7=7", "p8=1", "p9=0"};
    QTest::newRow("LF") << 1 << common + QStringList{"p10=9", "preset=2", "cross=42/42"};
    QTest::newRow("HF") << 2 << common + QStringList{"cross=42/42", "p11=10", "p12=4"};
}

void TestUnitSequences::read_channel_values()
{
    QFETCH(int, mode);
    QFETCH(QStringList, expected);
    Rig rig;
    sim::ChannelState &c = rig.unit.state().channel(3);
    c.mode = quint8(mode);
    const std::pair<ChannelParam, quint8> values[] = {
        {ChannelParam::Threshold, 0xC8}, {ChannelParam::Gain, 4},          {ChannelParam::Arp, 1},
        {ChannelParam::Impulse, 2},      {ChannelParam::Pause, 5},         {ChannelParam::Window, 6},
        {ChannelParam::Count, 7},        {ChannelParam::AlarmTime, 8},     {ChannelParam::Preset, 2},
        {ChannelParam::Reject, 9},       {ChannelParam::CutThreshold, 10}, {ChannelParam::CutTime, 4}};
    for (const auto &v : values)
        c.param(v.first) = v.second;
    rig.unit.state().param(UnitParam::Delay) = 3;
    rig.unit.state().param(UnitParam::Blocking) = 1;
    rig.unit.state().param(UnitParam::Cross) = 0x2a;

    QStringList got;
    QCOMPARE(
        reading::read_channel(rig.link, kAddress, 3, mode, nullptr,
                              [&](const readback::Request &request, int index, const QByteArray &answer) {
                                  got << value_text(request, index, answer);
                              }),
        0);
    QCOMPARE(got, expected);
}

void TestUnitSequences::read_channel_stops_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sends");   // requests made, the failed one included
    QTest::addColumn<int>("stages");  // stages reached
    QTest::addColumn<int>("values");  // parameter reads reported
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("major");

    // LF on channel 1: 2 + 13 reads + status = 16 requests.
    QTest::newRow("get_address unanswered")
        << QStringLiteral("silent-after=0") << int(NoAnswer) << 1 << 1 << 0 << 0 << 0;
    // A unit that falls silent after get_address looks like one without
    // get_version until the first read fails.
    QTest::newRow("silent from get_version on")
        << QStringLiteral("silent-after=1") << int(NoAnswer) << 3 << 3 << 0 << kAddress << 0;
    QTest::newRow("silent in the reads")
        << QStringLiteral("silent-after=7") << int(NoAnswer) << 8 << 3 << 5 << kAddress << 2;
    QTest::newRow("preset refused") << QStringLiteral("refuse=0x0e") << int(NoAnswer) << 14 << 3 << 11
                                    << kAddress << 2;
    QTest::newRow("get_unit_status unanswered")
        << QStringLiteral("silent-after=15") << int(NoAnswer) << 16 << 3 << 13 << kAddress << 2;
    QTest::newRow("get_unit_status garbled")
        << QStringLiteral("bad-checksum@0x04") << int(BadChecksum) << 16 << 3 << 13 << kAddress << 2;
}

void TestUnitSequences::read_channel_stops()
{
    QFETCH(QString, fault);
    QFETCH(int, result);
    QFETCH(int, sends);
    QFETCH(int, stages);
    QFETCH(int, values);
    QFETCH(int, address);
    QFETCH(int, major);
    Rig rig;
    rig.set_modes(QByteArray::fromHex("01010101"));
    rig.unit.faults().add(fault);

    reading::ChannelReading out;
    int reported = 0;
    int reached = 0;
    const int r = reading::read_channel(
        rig.link, kAddress, 1, 1, &out,
        [&](const readback::Request &, int, const QByteArray &) { ++reported; },
        [&](reading::Stage, const reading::ChannelReading &) { ++reached; });
    QCOMPARE(r, result);
    QCOMPARE(rig.sent.size(), sends);
    QCOMPARE(reached, stages);
    QCOMPARE(reported, values);
    QCOMPARE(out.address, address);
    QCOMPARE(out.version_major, major);
}

void TestUnitSequences::read_event_log_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("major");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("cancel_at");  // link.cancelled true at this check
    QTest::addColumn<int>("stop_at");    // on_record returns false for this record
    QTest::addColumn<log_reading::Outcome>("outcome");
    QTest::addColumn<int>("passed");
    QTest::addColumn<int>("checks");

    using log_reading::Outcome;
    QTest::newRow("empty log") << 0 << 2 << QString() << -1 << -1 << Outcome::Complete << 0 << 0;
    QTest::newRow("three records") << 3 << 2 << QString() << -1 << -1 << Outcome::Complete << 3 << 3;
    QTest::newRow("cancelled after the second")
        << 5 << 2 << QString() << 2 << -1 << Outcome::Cancelled << 2 << 2;
    // A record that stops the reading is not followed by the cancel check.
    QTest::newRow("second record stops") << 5 << 2 << QString() << -1 << 2 << Outcome::Cancelled << 2 << 1;
    QTest::newRow("silent after two records")
        << 5 << 2 << QStringLiteral("silent-after=2") << -1 << -1 << Outcome::Failed << 2 << 2;
    QTest::newRow("first answer garbled")
        << 2 << 2 << QStringLiteral("bad-checksum@0x23") << -1 << -1 << Outcome::Failed << 0 << 0;
    QTest::newRow("unit without a log") << 3 << 1 << QString() << -1 << -1 << Outcome::Failed << 0 << 0;
}

void TestUnitSequences::read_event_log()
{
    QFETCH(int, records);
    QFETCH(int, major);
    QFETCH(QString, fault);
    QFETCH(int, cancel_at);
    QFETCH(int, stop_at);
    QFETCH(log_reading::Outcome, outcome);
    QFETCH(int, passed);
    QFETCH(int, checks);
    Rig rig;
    rig.unit.state().version_major = quint8(major);
    rig.unit.state().fill_example_log(records, 1700000000);
    if (!fault.isEmpty())
        rig.unit.faults().add(fault);
    rig.cancel_at = cancel_at;

    QList<int> numbers;
    QList<LogRecord> got_records;
    const log_reading::Outcome got =
        log_reading::read_event_log(rig.link, kAddress, [&](const LogRecord &record, int number) {
            numbers << number;
            got_records << record;
            return number != stop_at;
        });
    QCOMPARE(got, outcome);
    QList<int> expected;
    for (int n = 1; n <= passed; ++n)
        expected << n;
    QCOMPARE(numbers, expected);
    QCOMPARE(rig.checks, checks);
    // What was handed over is what the unit holds, in its order.
    for (int n = 0; n < got_records.size(); ++n) {
        const sim::LogRecord &held = rig.unit.state().log[n];
        QCOMPARE(got_records[n].time, held.time);
        for (int k = 0; k < 4; ++k)
            QCOMPARE(got_records[n].flags[k], held.flags[k]);
    }

    // One request per record handed out, plus the end mark or the failed one.
    const int requests = outcome == log_reading::Outcome::Cancelled ? passed : passed + 1;
    QCOMPARE(rig.sent.size(), requests);
    for (const QByteArray &p : qAsConst(rig.sent))
        QCOMPARE(p, QByteArray::fromHex("0523"));
}

void TestUnitSequences::run_collected_data()
{
    QTest::addColumn<quint8>("start");
    QTest::addColumn<quint8>("result");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<bool>("with_wait");
    QTest::addColumn<measurements::RunStage>("stage");
    QTest::addColumn<int>("count");

    using namespace measurements;
    QTest::newRow("amplitude") << kAmplitudeStart << kAmplitudeResult << 3 << QString() << -1 << true
                               << RunStage::Done << 1234;
    QTest::newRow("frequency") << kFrequencyStart << kFrequencyResult << 2 << QString() << -1 << true
                               << RunStage::Done << 777;
    QTest::newRow("start unanswered") << kAmplitudeStart << kAmplitudeResult << 3 << QStringLiteral("silence")
                                      << -1 << true << RunStage::StartFailed << 0;
    QTest::newRow("result refused") << kFrequencyStart << kFrequencyResult << 1
                                    << QStringLiteral("refuse=0x0d") << -1 << true << RunStage::ResultFailed
                                    << 0;
    QTest::newRow("cancelled at the second look")
        << kAmplitudeStart << kAmplitudeResult << 3 << QString() << 2 << true << RunStage::Cancelled << 0;
    // The end is checked before the cancel: a collection that is over is
    // not cancelled.
    QTest::newRow("over before the cancel check")
        << kAmplitudeStart << kAmplitudeResult << 0 << QString() << 1 << true << RunStage::Done << 1234;
    QTest::newRow("caller without a wait")
        << kFrequencyStart << kFrequencyResult << 2 << QString() << -1 << false << RunStage::Done << 777;
}

void TestUnitSequences::run_collected()
{
    QFETCH(quint8, start);
    QFETCH(quint8, result);
    QFETCH(int, seconds);
    QFETCH(QString, fault);
    QFETCH(int, cancel_at);
    QFETCH(bool, with_wait);
    QFETCH(measurements::RunStage, stage);
    QFETCH(int, count);
    using measurements::RunStage;
    Rig rig;
    rig.unit.state().channel(2).amplitude = 1234;
    rig.unit.state().channel(2).frequency = 777;
    if (!fault.isEmpty())
        rig.unit.faults().add(fault);
    rig.cancel_at = cancel_at;
    if (!with_wait)
        rig.link.wait = nullptr;

    QElapsedTimer clock;
    const measurements::RunResult run = measurements::run_collected(
        rig.link, kAddress, 2, start, result, seconds,
        [&](qint64 elapsed) {
            rig.events << QStringLiteral("second %1").arg(elapsed);
            if (elapsed == 0)
                clock.start();
        },
        [&] { rig.events << QStringLiteral("started"); }, [&] { rig.events << QStringLiteral("collected"); });
    const qint64 collected_ms = clock.isValid() ? clock.elapsed() : 0;
    QCOMPARE(run.stage, stage);
    QCOMPARE(run.count, count);

    QByteArray start_payload;
    start_payload.append(char(kAddress)).append(char(start)).append(char(2));
    QByteArray result_payload;
    result_payload.append(char(kAddress)).append(char(result)).append(char(2));
    QList<QByteArray> requests{start_payload};
    if (stage == RunStage::Done || stage == RunStage::ResultFailed)
        requests << result_payload;
    QCOMPARE(rig.sent, requests);
    const int started = stage == RunStage::StartFailed ? 0 : 1;
    QCOMPARE(rig.unit.state().channel(2).amplitude_starts,
             start == measurements::kAmplitudeStart ? started : 0);
    QCOMPARE(rig.unit.state().channel(2).frequency_starts,
             start == measurements::kFrequencyStart ? started : 0);
    if (stage == RunStage::StartFailed) {
        QCOMPARE(rig.events.size(), 1);
        return;
    }

    // start, "started", the looks, then "collected" and the result request
    // unless cancelled.
    QStringList events = rig.events;
    QCOMPARE(events.takeFirst(), QStringLiteral("send ") + QString::fromLatin1(start_payload.toHex()));
    QCOMPARE(events.takeFirst(), QStringLiteral("started"));
    if (stage != RunStage::Cancelled) {
        QCOMPARE(events.takeLast(), QStringLiteral("send ") + QString::fromLatin1(result_payload.toHex()));
        QCOMPARE(events.takeLast(), QStringLiteral("collected"));
    }
    // Each look: the seconds when they changed, one tick, then the cancel
    // check unless the collection is over.
    const QString tick = QStringLiteral("wait %1").arg(rig.link.timing.tick_ms);
    QList<qint64> shown;
    int looks = 0;
    bool over = false;
    while (!events.isEmpty()) {
        QVERIFY2(!over, "a look after the end");
        ++looks;
        if (events.first().startsWith(QLatin1String("second ")))
            shown << events.takeFirst().mid(7).toLongLong();
        if (with_wait)
            QCOMPARE(events.takeFirst(), tick);
        if (!events.isEmpty() && events.first() == QLatin1String("cancel?"))
            events.removeFirst();
        else
            over = true;
    }
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), qint64(0));
    for (int i = 1; i < shown.size(); ++i)
        QVERIFY(shown[i] > shown[i - 1]);
    if (stage == RunStage::Cancelled) {
        QCOMPARE(looks, cancel_at);
        QCOMPARE(rig.checks, cancel_at);
    } else {
        QVERIFY(shown.last() >= seconds);
        if (shown.size() > 1)
            QVERIFY(shown[shown.size() - 2] < seconds);
        QCOMPARE(rig.checks, looks - 1);
        // The collection lasts its seconds, without spinning through them.
        QVERIFY2(collected_ms >= qint64(seconds - 1) * kSecondMs, qPrintable(QString::number(collected_ms)));
        QVERIFY2(looks <= 2 * collected_ms + 5,
                 qPrintable(QStringLiteral("%1 looks in %2 ms").arg(looks).arg(collected_ms)));
    }
}

QTEST_GUILESS_MAIN(TestUnitSequences)
#include "tst_unit_sequences.moc"
