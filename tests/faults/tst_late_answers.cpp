// A unit that answers an attempt after the exchange gave up on it: that answer
// comes after the retry's and must not be taken for the next request's.
#include "common/timing.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "scripted_port.h"

#include <QtTest>

namespace {

using Chunks = QList<ScriptedPort::Chunk>;

const QByteArray kModes = "!01494a\r";  // the answer to the first request, twice
const QByteArray kValue = "!010304\r";  // the answer to the second request

}  // namespace

class TestLateAnswers : public QObject {
    Q_OBJECT
private slots:
    void next_request_gets_its_own_answer_data();
    void next_request_gets_its_own_answer();
};

void TestLateAnswers::next_request_gets_its_own_answer_data()
{
    // What the unit sends after the first request's second write, in ms
    // after it; the first write goes unanswered unless `first` says otherwise.
    QTest::addColumn<Chunks>("first");
    QTest::addColumn<Chunks>("retry");
    QTest::addColumn<bool>("waits");  // the first request returns only once the line is quiet
    QTest::newRow("late answer after the retry's own")
        << Chunks{} << Chunks{{1, kModes}, {60, kModes}} << true;
    QTest::newRow("late answer taken by the retry, its own after it")
        << Chunks{} << Chunks{{1, kModes}, {40, kModes}} << true;
    QTest::newRow("answered at once: nothing to wait for") << Chunks{{1, kModes}} << Chunks{} << false;
}

void TestLateAnswers::next_request_gets_its_own_answer()
{
    QFETCH(Chunks, first);
    QFETCH(Chunks, retry);
    QFETCH(bool, waits);
    ScriptedPort port;
    port.open(QStringLiteral("ttyS0"), LineSettings{57600});
    // The second request's answer takes its time: a late answer still on
    // its way would come first.
    const Chunks second{{100, kValue}};
    port.answers = first.isEmpty() ? QList<Chunks>{first, retry, second} : QList<Chunks>{first, second};
    Exchange exchange;
    exchange.timing.tick_ms = 2;
    exchange.set_port(&port);

    QByteArray modes = QByteArray::fromHex("0105");
    QCOMPARE(exchange.SendCommand(modes, false), 0);
    QCOMPARE(answer_byte(modes, 1), 0x49);
    QByteArray value = QByteArray::fromHex("011101");
    QCOMPARE(exchange.SendCommand(value, false), 0);
    QCOMPARE(answer_byte(value, 1), 0x03);
    QCOMPARE(port.writes.size(), first.isEmpty() ? 3 : 2);

    // The wait lasts at least an attempt's idle ticks after the last byte.
    const qint64 gap = port.writes.last().at_ms - port.writes[port.writes.size() - 2].at_ms;
    const int idle_ms = exchange.link_settings.MWAIT() * exchange.timing.tick_ms;
    if (waits)
        QVERIFY2(gap >= idle_ms, qPrintable(QString::number(gap)));
    else
        QVERIFY2(gap < idle_ms, qPrintable(QString::number(gap)));
}

QTEST_MAIN(TestLateAnswers)
#include "tst_late_answers.moc"
