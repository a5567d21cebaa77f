#include "common/timing.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "scripted_port.h"

#include <QtTest>

namespace {

using Chunks = QList<ScriptedPort::Chunk>;

// A babbling line: one byte every `every_ms`, never a CR.
Chunks babble(int every_ms, int count)
{
    Chunks out;
    for (int i = 0; i < count; ++i)
        out << ScriptedPort::Chunk{i * every_ms, QByteArray("7")};
    return out;
}

}  // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void controls_locked_around_each_transaction();
    void silent_unit_real_timing();
    void pre_wait_delays_the_first_read();
    void late_answer_glued_to_the_retry_answer();
    void bytes_from_before_the_request_are_dropped();
    void rest_of_a_cut_late_answer_is_dropped_data();
    void rest_of_a_cut_late_answer_is_dropped();
    void nested_request_is_refused_at_once();
    void wait_outlasts_a_nested_wait_data();
    void wait_outlasts_a_nested_wait();
    void unfinished_answer_is_stale_data();
    void unfinished_answer_is_stale();
    void no_open_port_data();
    void no_open_port();
    void limits_data();
    void limits();
    void poll_exchange_data();
    void poll_exchange();
    void poll_exchange_processes_no_events();

private:
    ScriptedPort *m_port = nullptr;
    Exchange *m_exchange = nullptr;
    QList<bool> m_locks;
};

void TestExchange::init()
{
    m_port = new ScriptedPort;
    m_port->open("ttyS0", LineSettings{57600});
    m_exchange = new Exchange;
    m_exchange->timing.tick_ms = 2;
    m_exchange->timing.pre_wait_ms = 20;
    m_exchange->set_port(m_port);
    m_locks.clear();
    m_exchange->set_control_lock([this](bool e) { m_locks << e; });
}

void TestExchange::cleanup()
{
    delete m_exchange;
    delete m_port;
}

void TestExchange::answers_data()
{
    QTest::addColumn<QList<Chunks>>("script");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QByteArray>("buffer");

    QTest::newRow("whole answer") << QList<Chunks>{{{1, "!0102a5a8\r"}}} << 0 << 1
                                  << QByteArray::fromHex("0102a5a8");
    QTest::newRow("answer in pieces")
        << QList<Chunks>{{{1, "!01"}, {15, "0203\r"}}} << 0 << 1 << QByteArray::fromHex("010203");
    // The first attempt gets no answer and ends by itself; the repeated
    // request is answered.
    QTest::newRow("answer in the second attempt")
        << QList<Chunks>{{}, {{1, "!00\r"}}} << 0 << 2 << QByteArray(1, '\0');
    QTest::newRow("corrupt answer is not retried")
        << QList<Chunks>{{{1, "!0102a5a9\r"}}} << 6 << 1 << QByteArray("!0102a5a9");
    // The answer ends at the first CR; text before its "!" fails it.
    QTest::newRow("stale bytes before the answer")
        << QList<Chunks>{{{1, "5\r!00\r"}}} << 1 << 1 << QByteArray("5\r");
    QTest::newRow("text after the answer")
        << QList<Chunks>{{{1, "!0101\r!0"}}} << 0 << 1 << QByteArray::fromHex("0101");
    QTest::newRow("silent unit") << QList<Chunks>{} << 9 << 3 << QByteArray();
    QTest::newRow("answer without CR counts as none")
        << QList<Chunks>{{{1, "!00"}}} << 9 << 3 << QByteArray();
}

void TestExchange::answers()
{
    QFETCH(QList<Chunks>, script);
    QFETCH(int, result);
    QFETCH(int, writes);
    QFETCH(QByteArray, buffer);
    m_port->answers = script;

    QByteArray payload = QByteArray::fromHex("010b02");
    QCOMPARE(m_exchange->SendCommand(payload, false), result);
    QCOMPARE(m_port->writes.size(), writes);
    for (const auto &w : m_port->writes)
        QCOMPARE(w.bytes, QByteArray("$010b020e\r"));  // the whole frame at every attempt
    QCOMPARE(payload, buffer);
    QCOMPARE(m_exchange->exchange_busy, 0);
    QVERIFY(!m_exchange->tick_timer.isActive());
}

// The first attempt's answer comes late, during the second attempt's pause,
// just before the second answer; both are read as one chunk after the pause:
// the first of them is the answer.
void TestExchange::late_answer_glued_to_the_retry_answer()
{
    m_exchange->timing.pre_wait_ms = 100;
    m_port->answers = {{}, {{1, "!0101\r"}, {2, "!0101\r"}}};
    QByteArray payload = QByteArray::fromHex("012f0102");
    QCOMPARE(m_exchange->SendCommand(payload, true), 0);
    QCOMPARE(m_port->writes.size(), 2);
    QCOMPARE(payload, QByteArray::fromHex("0101"));
}

// A late answer to an earlier request is waiting when the next request goes
// out; it is not taken for that request's answer.
void TestExchange::bytes_from_before_the_request_are_dropped()
{
    m_port->inject("!0101\r");
    QTest::qWait(5);
    m_port->answers = {{{1, "!00\r"}}};
    QByteArray payload = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(payload, false), 0);
    QCOMPARE(payload, QByteArray(1, '\0'));

    m_port->inject("!0101\r");
    QTest::qWait(5);
    m_port->answers = {{{1, "!00\r"}}};
    QByteArray poll("$010b010d\r");
    QCOMPARE(m_exchange->poll_exchange(poll), 0);
    QCOMPARE(poll, QByteArray("!00\r"));
}

void TestExchange::rest_of_a_cut_late_answer_is_dropped_data()
{
    // The first exchange's answer comes with the start of a late answer
    // glued to it ("!"); its rest arrives after the next request is written.
    QTest::addColumn<Chunks>("next");
    QTest::addColumn<bool>("poll");
    QTest::newRow("rest glued to the answer") << Chunks{{1, "01494a\r!0101\r"}} << false;
    QTest::newRow("rest in pieces, then the answer")
        << Chunks{{1, "0149"}, {4, "4a\r"}, {8, "!0101\r"}} << false;
    QTest::newRow("rest never comes") << Chunks{{1, "!0101\r"}} << false;
    QTest::newRow("status poll after it") << Chunks{{1, "01494a\r!0101\r"}} << true;
}

void TestExchange::rest_of_a_cut_late_answer_is_dropped()
{
    QFETCH(Chunks, next);
    QFETCH(bool, poll);
    m_port->answers = {{{1, "!00\r!"}}, next};
    QByteArray first = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(first, false), 0);
    QCOMPARE(first, QByteArray(1, '\0'));
    if (poll) {
        QByteArray frame("$010b010d\r");
        QCOMPARE(m_exchange->poll_exchange(frame), 0);
        QCOMPARE(frame, QByteArray("!0101\r"));
        return;
    }
    QByteArray second = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(second, false), 0);
    QCOMPARE(second, QByteArray::fromHex("0101"));
    QCOMPARE(m_port->writes.size(), 2);  // answered in the first attempt
}

void TestExchange::controls_locked_around_each_transaction()
{
    m_port->answers = {{{1, "!00\r"}}};
    QByteArray a = QByteArray::fromHex("0105");
    m_exchange->SendCommand(a, false);
    QByteArray b = QByteArray::fromHex("0105");
    m_exchange->SendCommand(b, false);  // silent
    QCOMPARE(m_locks, (QList<bool>{false, true, false, true}));
    m_exchange->link_settings.repeat_index = 0;  // 2 attempts, looked up at the call
    QByteArray c = QByteArray::fromHex("0105");
    m_port->writes.clear();
    QCOMPARE(m_exchange->SendCommand(c, false), 9);
    QCOMPARE(m_port->writes.size(), 2);
}

// Its CPU share is one of the benchmark's figures.
void TestExchange::silent_unit_real_timing()
{
    m_exchange->timing = Timing();  // 10 ms ticks, 80 idle ticks, 3 attempts
    QElapsedTimer wall;
    wall.start();
    QByteArray payload = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(payload, false), 9);
    const qint64 ms = wall.elapsed();
    QCOMPARE(m_port->writes.size(), 3);
    // Each attempt waits its 81 ticks; the upper bound only catches an
    // attempt that waits for its 5 s limit instead.
    QVERIFY2(ms >= 3 * 810, qPrintable(QString::number(ms)));
    QVERIFY2(ms < 3 * 4000, qPrintable(QString::number(ms)));
}

void TestExchange::pre_wait_delays_the_first_read()
{
    m_exchange->timing.pre_wait_ms = 900;
    m_port->answers = {{{0, "!00\r"}}};
    QByteArray payload = QByteArray::fromHex("012f0209");
    QCOMPARE(m_exchange->SendCommand(payload, true), 0);
    QCOMPARE(m_port->reads.size(), 1);
    const qint64 gap = m_port->reads[0].at_ms - m_port->writes[0].at_ms;
    QVERIFY2(gap >= 900, qPrintable(QString::number(gap)));
    QVERIFY2(gap < 2 * 900, qPrintable(QString::number(gap)));  // one pause, not two
}

void TestExchange::nested_request_is_refused_at_once()
{
    m_port->answers = {{{100, "!00\r"}}};
    int nested_result = -1;
    qint64 nested_ms = -1;
    QTimer::singleShot(20, this, [&] {
        QElapsedTimer t;
        t.start();
        QByteArray inner = QByteArray::fromHex("0126");
        nested_result = m_exchange->SendCommand(inner, false);
        nested_ms = t.elapsed();
    });
    QByteArray payload = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(payload, false), 0);
    QCOMPARE(nested_result, 9);
    // Refused before any wait: an attempt of its own would take 160 ms.
    QVERIFY2(nested_ms >= 0 && nested_ms < 100, qPrintable(QString::number(nested_ms)));
    QCOMPARE(m_port->writes.size(), 1);  // the nested one never reached the port
    QCOMPARE(m_exchange->exchange_busy, 0);
}

void TestExchange::wait_outlasts_a_nested_wait_data()
{
    QTest::addColumn<bool>("line_closes");
    QTest::newRow("nested wait ends on its tick") << false;
    QTest::newRow("nested transaction ends as its line closes") << true;
}

// A wait and a wait or transaction run from its event processing share the
// timer: the outer one still ends at its own time, neither early nor never
// (a firmware restart step hung when the poll's line closed under it).
void TestExchange::wait_outlasts_a_nested_wait()
{
    QFETCH(bool, line_closes);
    QTimer::singleShot(10, this, [&] {
        if (!line_closes) {
            m_exchange->wait_ms(20);
            return;
        }
        QTimer::singleShot(20, this, [this] { m_port->close(); });
        QByteArray payload = QByteArray::fromHex("012f0209");
        m_exchange->SendCommand(payload, false);
    });
    // Ends a wait that would otherwise last for ever.
    QTimer::singleShot(5000, m_exchange, &Exchange::wait_answer);
    QElapsedTimer t;
    t.start();
    m_exchange->wait_ms(300);
    QVERIFY2(t.elapsed() >= 300 && t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!m_exchange->tick_timer.isActive());
    QCOMPARE(m_exchange->waiting(), 0);
}

void TestExchange::unfinished_answer_is_stale_data()
{
    // An attempt ends holding "!01"; "0203" CR follows after the next write,
    // before that request's answer. It is the rest of a stale frame, not the
    // next request's answer.
    QTest::addColumn<QString>("before");  // what ends holding the start
    QTest::addColumn<QList<Chunks>>("script");
    QTest::addColumn<int>("writes");
    const Chunks cut{{1, "!01"}};
    const Chunks answer{{5, "0203\r"}, {120, "!00\r"}};
    QTest::newRow("first attempt, rest in the second") << "" << QList<Chunks>{cut, answer} << 2;
    QTest::newRow("timed-out poll, rest in the next transaction")
        << "poll" << QList<Chunks>{cut, answer} << 2;
    QTest::newRow("last attempt, rest in the next transaction")
        << "send" << QList<Chunks>{{}, cut, answer} << 3;
}

void TestExchange::unfinished_answer_is_stale()
{
    QFETCH(QString, before);
    QFETCH(QList<Chunks>, script);
    QFETCH(int, writes);
    m_exchange->link_settings.repeat_index = 0;  // 2 attempts
    m_port->answers = script;
    if (before == "poll") {
        QByteArray frame("$010b020e\r");
        QCOMPARE(m_exchange->poll_exchange(frame), 1);
    } else if (before == "send") {
        QByteArray payload = QByteArray::fromHex("0105");
        QCOMPARE(m_exchange->SendCommand(payload, false), 9);
    }
    QByteArray payload = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(payload, false), 0);
    QCOMPARE(payload, QByteArray(1, '\0'));
    QCOMPARE(m_port->writes.size(), writes);
}

void TestExchange::no_open_port_data()
{
    QTest::addColumn<int>("close_after_ms");  // -1: closed before the call
    QTest::addColumn<bool>("pre_wait");
    QTest::newRow("closed before") << -1 << false;
    QTest::newRow("closed during the pause after the write") << 10 << true;
    QTest::newRow("closed while waiting for the answer") << 10 << false;
}

// A connection that ends (or never began) leaves nobody to ask: no attempt
// without a port, and a port that closes during a wait ends the transaction
// at once, not after its attempts.
void TestExchange::no_open_port()
{
    QFETCH(int, close_after_ms);
    QFETCH(bool, pre_wait);
    // Waits far longer than the port takes to close: a pause of 3 s, attempts
    // of 1.6 s.
    m_exchange->timing.pre_wait_ms = 3000;
    m_exchange->timing.tick_ms = 20;
    if (close_after_ms < 0)
        m_port->close();
    else
        QTimer::singleShot(close_after_ms, this, [this] { m_port->close(); });
    QElapsedTimer t;
    t.start();
    QByteArray payload = QByteArray::fromHex("012f0209");
    QCOMPARE(m_exchange->SendCommand(payload, pre_wait), 9);
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(m_exchange->exchange_busy, 0);
    QVERIFY(!m_exchange->tick_timer.isActive());
    if (close_after_ms < 0) {
        QCOMPARE(m_port->writes.size(), 0);
        QVERIFY(m_locks.isEmpty());
        QByteArray frame("$010b020e\r");
        QCOMPARE(m_exchange->poll_exchange(frame), 1);
        QCOMPARE(m_port->writes.size(), 0);
    } else {
        QCOMPARE(m_port->writes.size(), 1);
        QCOMPARE(m_locks, (QList<bool>{false, true}));
    }
}

void TestExchange::limits_data()
{
    QTest::addColumn<int>("every_ms");
    QTest::addColumn<int>("attempt_limit_ms");
    QTest::addColumn<int>("max_attempt_ms");
    QTest::addColumn<bool>("bound_reached");
    // 1 byte every 1 ms arrives faster than the 2 ms tick: 256 bytes end the
    // attempt after about a quarter of a second, long before its time bound.
    QTest::newRow("256 bytes without CR") << 1 << 60000 << 10000 << true;
    // Slower babble reaches 256 bytes only after 2.5 s; the time bound ends
    // the attempt first.
    QTest::newRow("time after write") << 10 << 300 << 2000 << false;
}

void TestExchange::limits()
{
    QFETCH(int, every_ms);
    QFETCH(int, attempt_limit_ms);
    QFETCH(int, max_attempt_ms);
    QFETCH(bool, bound_reached);
    m_exchange->timing.attempt_limit_ms = attempt_limit_ms;
    m_port->responder = [&](const QByteArray &) { return babble(every_ms, 100000); };
    QElapsedTimer t;
    t.start();
    QByteArray payload = QByteArray::fromHex("0105");
    QCOMPARE(m_exchange->SendCommand(payload, false), 9);
    QCOMPARE(m_port->writes.size(), 3);
    QVERIFY2(t.elapsed() < 3 * max_attempt_ms, qPrintable(QString::number(t.elapsed())));
    // However the bytes were cut into reads, the attempt ends at the first read
    // that takes the buffer to the bound, not later.
    const int limit = m_exchange->timing.attempt_byte_limit;
    QVERIFY(!m_port->reads.isEmpty());
    const qsizetype before_last = payload.size() - m_port->reads.last().bytes.size();
    QVERIFY2(before_last < limit, qPrintable(QString::number(payload.size())));
    QVERIFY2((payload.size() >= limit) == bound_reached, qPrintable(QString::number(payload.size())));
}

void TestExchange::poll_exchange_data()
{
    QTest::addColumn<Chunks>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("answered") << Chunks{{3, "!00"}, {6, "\r"}} << 0 << QByteArray("!00\r");
    QTest::newRow("undecodable text is still an answer") << Chunks{{1, "zz\r"}} << 0 << QByteArray("zz\r");
    QTest::newRow("silent") << Chunks{} << 1 << QByteArray();
    QTest::newRow("babbling") << babble(1, 5000) << 1 << QByteArray(256, '7');
}

void TestExchange::poll_exchange()
{
    QFETCH(Chunks, answer);
    QFETCH(int, result);
    QFETCH(QByteArray, text);
    m_port->answers = {answer};
    QByteArray frame("$010b020e\r");
    QElapsedTimer t;
    t.start();
    QCOMPARE(m_exchange->poll_exchange(frame), result);
    QCOMPARE(m_port->writes.size(), 1);  // one attempt only
    QCOMPARE(frame.left(256), text.left(256));
    QCOMPARE(m_exchange->exchange_busy, 0);
    if (answer.isEmpty()) {
        // MWAIT + 1 idle steps of a whole tick each.
        QVERIFY2(t.elapsed() >= 81 * 2, qPrintable(QString::number(t.elapsed())));
    }
    QVERIFY(m_locks.isEmpty());  // the poll never touches the controls
}

void TestExchange::poll_exchange_processes_no_events()
{
    m_port->answers = {{{30, "!00\r"}}};
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    QByteArray frame("$010b020e\r");
    QCOMPARE(m_exchange->poll_exchange(frame), 0);
    QVERIFY(!ran);
    QTRY_VERIFY(ran);
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
