// The network port against a scripted server on 127.0.0.1: why an open
// fails, the wait for a speed answer, IAC in both directions, and a
// connection that drops while open.
#include "common/timing.h"
#include "link/port_failure.h"
#include "link/rfc2217_port.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QtTest>

// A server that plays a script on a thread of its own, so that the port under
// test may block in its waits. Each step waits for its trigger in what the
// client sent after the previous step's (an empty trigger: at once), then
// sends its reply after delay_ms, and closes the connection if told to.
struct Step {
    QByteArray trigger;
    QByteArray reply;
    int delay_ms = 0;
    bool close = false;
};
Q_DECLARE_METATYPE(Step)

namespace {

QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

class ScriptedServer {
public:
    explicit ScriptedServer(QList<Step> script) : m_script(std::move(script))
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context, [this] { listen(); }, Qt::BlockingQueuedConnection);
    }
    ~ScriptedServer()
    {
        QMetaObject::invokeMethod(
            &m_context, [this] { m_server.reset(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }
    QByteArray received()
    {
        const QMutexLocker lock(&m_mutex);
        return m_received;
    }

private:
    struct Context : QObject {};

    void listen()
    {
        m_server = std::make_unique<QTcpServer>();
        m_server->listen(QHostAddress::LocalHost, 0);
        m_port = m_server->serverPort();
        QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(), [this] {
            QTcpSocket *socket = m_server->nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                {
                    const QMutexLocker lock(&m_mutex);
                    m_received += socket->readAll();
                }
                play(socket);
            });
            play(socket);
        });
    }

    void play(QTcpSocket *socket)
    {
        const QByteArray received = this->received();
        while (m_next < m_script.size()) {
            const Step &step = m_script[m_next];
            const qsizetype at = step.trigger.isEmpty() ? m_from : received.indexOf(step.trigger, m_from);
            if (at < 0)
                return;
            m_from = at + step.trigger.size();
            ++m_next;
            QTimer::singleShot(step.delay_ms, socket, [socket, step] {
                socket->write(step.reply);
                socket->flush();
                if (step.close)
                    socket->disconnectFromHost();
            });
        }
    }

    QList<Step> m_script;
    int m_next = 0;
    qsizetype m_from = 0;
    QThread m_thread;
    Context m_context;
    std::unique_ptr<QTcpServer> m_server;
    quint16 m_port = 0;
    QMutex m_mutex;
    QByteArray m_received;
};

std::unique_ptr<ScriptedServer> serve(QList<Step> script)
{
    return std::make_unique<ScriptedServer>(std::move(script));
}

// The client's offer, the agreement, and the answer to 4800 baud.
const QByteArray kOffer = h("fffb2c");
const QByteArray kAgree = h("fffd2cfffb00fffd00fffb03fffd03");
const QByteArray kAsk4800 = h("fffa2c01000012c0fff0");
const QByteArray kSet4800 = h("fffa2c65000012c0fff0");
const QByteArray kAsk57600 = h("fffa2c010000e100fff0");
const QByteArray kSet57600 = h("fffa2c650000e100fff0");
// 8 data bits, no parity, one stop bit: the answers the open waits for.
const QByteArray kFraming = h("fffa2c6608fff0fffa2c6701fff0fffa2c6801fff0");

QList<Step> opening()
{
    return {{kOffer, kAgree}, {kAsk4800, kFraming + kSet4800}};
}

}  // namespace

class TestRfc2217Port : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void open_failures_data();
    void open_failures();
    void opens_by_host_name();
    void speed_change_waits_for_the_answer();
    void speed_set_otherwise_is_a_failure();
    void carriage_return_without_binary_data();
    void carriage_return_without_binary();
    void data_with_iac_both_ways();
    void lost_connection_is_reported_once_from_the_event_loop();

private:
    Timing m_timing;
};

void TestRfc2217Port::init()
{
    m_timing = Timing();
    m_timing.network_open_ms = 400;
    m_timing.speed_answer_ms = 300;
}

void TestRfc2217Port::cleanup() {}

void TestRfc2217Port::open_failures_data()
{
    QTest::addColumn<QList<Step>>("script");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("error");  // part of errorString()

    QTest::newRow("nothing listening") << QList<Step>{} << false << int(PortFailure::Refused) << "";
    QTest::newRow("silent server") << QList<Step>{} << true << int(PortFailure::TimedOut) << "RFC 2217";
    QTest::newRow("no COM-PORT-OPTION")
        << QList<Step>{{kOffer, h("fffe2c")}} << true << int(PortFailure::Other) << "не поддерживает";
    QTest::newRow("speed not confirmed")
        << QList<Step>{{kOffer, kAgree}} << true << int(PortFailure::TimedOut) << "4800";
    QTest::newRow("another speed set") << QList<Step>{{kOffer, kAgree}, {kAsk4800, kFraming + kSet57600}}
                                       << true << int(PortFailure::Other) << "57600 бод вместо 4800 бод";
    QTest::newRow("framing not confirmed") << QList<Step>{{kOffer, kAgree}, {kAsk4800, kSet4800}} << true
                                           << int(PortFailure::TimedOut) << "не подтвердил 8 бит данных";
    QTest::newRow("7 data bits set") << QList<Step>{{kOffer, kAgree},
                                                    {kAsk4800, h("fffa2c6607fff0") + kSet4800}}
                                     << true << int(PortFailure::Other) << "7 бит данных вместо 8 бит данных";
    QTest::newRow("even parity set")
        << QList<Step>{{kOffer, kAgree},
                       {kAsk4800, h("fffa2c6608fff0fffa2c6703fff0fffa2c6801fff0") + kSet4800}}
        << true << int(PortFailure::Other) << "четность «чет» вместо четность «нет»";
    QTest::newRow("closed while negotiating")
        << QList<Step>{{kOffer, QByteArray(), 0, true}} << true << int(PortFailure::Other) << "RFC 2217";
    QTest::newRow("ser2net's port in use") << QList<Step>{{QByteArray(), "Port already in use\r\n", 0, true}}
                                           << true << int(PortFailure::Busy) << "Port already in use";
    QTest::newRow("other words, then closed") << QList<Step>{{QByteArray(), "Access denied\r\n", 0, true}}
                                              << true << int(PortFailure::Other) << "«Access denied»";
    QTest::newRow("words, then silence") << QList<Step>{{QByteArray(), "Welcome\r\n"}} << true
                                         << int(PortFailure::TimedOut) << "Сервер прислал: «Welcome»";
    QTest::newRow("flood during the open") << QList<Step>{{kOffer, kAgree + QByteArray(200000, 'x')}} << true
                                           << int(PortFailure::Other) << "больше, чем может передать линия";
}

void TestRfc2217Port::open_failures()
{
    QFETCH(QList<Step>, script);
    QFETCH(bool, listening);
    QFETCH(int, failure);
    QFETCH(QString, error);

    QString url;
    std::unique_ptr<ScriptedServer> server;
    if (listening) {
        server = serve(script);
        url = server->url();
    } else {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(probe.serverPort());
    }
    Rfc2217Port port(m_timing);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!port.open(url, LineSettings{4800}));
    QVERIFY(clock.elapsed() < m_timing.network_open_ms + 300);
    QVERIFY(!port.isOpen());
    QCOMPARE(int(port.failure()), failure);
    QVERIFY2(port.errorString().contains(error), qPrintable(port.errorString()));
    // The reason names the server and keeps what the port found.
    const QString text = port_failure_text(port.failure(), url, port.errorString());
    QVERIFY2(text.contains(url) && text.contains(error), qPrintable(text));
    QCOMPARE(port.write("$0705\r"), qint64(-1));
}

// A name from the hosts file, looked up without the network.
void TestRfc2217Port::opens_by_host_name()
{
    auto server = serve(opening());
    QString url = server->url();
    url.replace("127.0.0.1", "localhost");
    Rfc2217Port port(m_timing);
    QVERIFY2(port.open(url, LineSettings{4800}), qPrintable(port.errorString()));
    QVERIFY(port.isOpen());
}

// No byte written after a speed change may reach the server before its
// answer: the server answers 57600 late, and not 9600 at all.
void TestRfc2217Port::speed_change_waits_for_the_answer()
{
    auto server = serve(opening() + QList<Step>{{kAsk57600, kSet57600, 150}});
    Rfc2217Port port(m_timing);
    QVERIFY(port.open(server->url(), LineSettings{4800}));
    QCOMPARE(port.baudRate(), 4800);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(port.setBaudRate(57600));
    QVERIFY2(clock.elapsed() >= 140, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(port.baudRate(), 57600);
    QVERIFY(port.setBaudRate(57600));  // unchanged: nothing asked

    clock.restart();
    QVERIFY(!port.setBaudRate(9600));
    QVERIFY(clock.elapsed() >= m_timing.speed_answer_ms - 10);
    QVERIFY(port.isOpen());
    QCOMPARE(int(port.failure()), int(PortFailure::TimedOut));
    QVERIFY2(port.errorString().contains("9600 бод"), qPrintable(port.errorString()));
    QCOMPARE(port.baudRate(), 57600);
    const QByteArray asked = server->received();
    QCOMPARE(asked.count(kAsk57600), 1);
    QVERIFY(asked.endsWith(h("fffa2c0100002580fff0")));
}

// A server that sets 4800 when asked for 57600: the speed kept is the one
// set, the failure says so, and the next change asks again.
void TestRfc2217Port::speed_set_otherwise_is_a_failure()
{
    auto server = serve(opening() + QList<Step>{{kAsk57600, kSet4800}, {kAsk57600, kSet57600}});
    Rfc2217Port port(m_timing);
    QVERIFY(port.open(server->url(), LineSettings{4800}));
    QVERIFY(!port.setBaudRate(57600));
    QCOMPARE(port.baudRate(), 4800);
    QCOMPARE(int(port.failure()), int(PortFailure::Other));
    QVERIFY2(port.errorString().contains("4800 бод вместо 57600 бод"), qPrintable(port.errorString()));
    QVERIFY(port.isOpen());
    QVERIFY(port.setBaudRate(57600));
    QCOMPARE(port.baudRate(), 57600);
    QCOMPARE(int(port.failure()), int(PortFailure::None));
    QCOMPARE(server->received().count(kAsk57600), 2);
}

// CR goes as CR NUL while the server has not agreed to binary, or withdrew it.
void TestRfc2217Port::carriage_return_without_binary_data()
{
    QTest::addColumn<QByteArray>("agreement");
    QTest::addColumn<QByteArray>("wire");  // what "$" CR 255 CR becomes

    QTest::newRow("binary agreed") << kAgree << h("240dffff0d");
    QTest::newRow("binary refused") << h("fffd2cfffe00") << h("240d00ffff0d00");
    QTest::newRow("binary withdrawn") << kAgree + h("fffe00") << h("240d00ffff0d00");
}

void TestRfc2217Port::carriage_return_without_binary()
{
    QFETCH(QByteArray, agreement);
    QFETCH(QByteArray, wire);
    auto server = serve({{kOffer, agreement}, {kAsk4800, kFraming + kSet4800}});
    Rfc2217Port port(m_timing);
    QVERIFY2(port.open(server->url(), LineSettings{4800}), qPrintable(port.errorString()));
    QCOMPARE(port.write(h("240dff0d")), qint64(4));
    QVERIFY(port.flush());
    QTRY_VERIFY_WITH_TIMEOUT(server->received().endsWith(wire), 1000);
}

void TestRfc2217Port::data_with_iac_both_ways()
{
    // The answer comes with a doubled 255, a negotiation and a notification
    // inside it; a lone notification is no data for waitForReadyRead.
    auto server = serve(opening() + QList<Step>{
                                        {h("24ffff0d"), h("fffa2c6a60fff0")},
                                        {QByteArray(),
                                         QByteArray("!0") + h("fffb03") + QByteArray("7") + h("ffff") +
                                             h("fffa2c6b30fff0") + QByteArray("\r"),
                                         100},
                                    });
    Rfc2217Port port(m_timing);
    QVERIFY(port.open(server->url(), LineSettings{4800}));
    QCOMPARE(port.write(h("24ff0d")), qint64(3));
    QVERIFY(port.flush());
    QElapsedTimer clock;
    clock.start();
    QByteArray got;
    while (clock.elapsed() < 2000 && !got.endsWith('\r')) {
        if (port.waitForReadyRead(50))
            got += port.readAll();
    }
    QCOMPARE(got, QByteArray("!07") + h("ff") + QByteArray("\r"));
    QVERIFY(server->received().contains(h("24ffff0d")));
    QCOMPARE(port.bytesAvailable(), qint64(0));
}

void TestRfc2217Port::lost_connection_is_reported_once_from_the_event_loop()
{
    auto server = serve(opening() + QList<Step>{{h("2430370d"), QByteArray("!0705"), 0, true}});
    Rfc2217Port port(m_timing);
    int reports = 0;
    bool open_when_reported = true;
    port.set_lost_handler([&] {
        ++reports;
        open_when_reported = port.isOpen();
    });
    QVERIFY(port.open(server->url(), LineSettings{4800}));
    port.write("$07\r");
    port.flush();
    // A blocking wait sees the connection end, but reports nothing itself.
    QElapsedTimer clock;
    clock.start();
    while (port.isOpen() && clock.elapsed() < 2000)
        port.waitForReadyRead(20);
    QVERIFY(!port.isOpen());
    QCOMPARE(reports, 0);
    QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 1000);
    QVERIFY(!open_when_reported);
    QCOMPARE(int(port.failure()), int(PortFailure::Vanished));
    // What came before the loss can still be read; nothing works afterwards.
    QCOMPARE(port.readAll(), QByteArray("!0705"));
    QCOMPARE(port.write("$07\r"), qint64(-1));
    QVERIFY(!port.waitForReadyRead(100));
    QVERIFY(!port.setBaudRate(57600));
    QTest::qWait(50);
    QCOMPARE(reports, 1);
    // Closed and opened again, the port works as new.
    port.close();
    QCOMPARE(int(port.failure()), int(PortFailure::None));
}

QTEST_GUILESS_MAIN(TestRfc2217Port)
#include "tst_rfc2217_port.moc"
