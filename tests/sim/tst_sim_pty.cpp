// The pseudo-terminal host, driven through a plain POSIX fd as any serial
// program would: raw mode and baud rate with tcsetattr, write, poll, read.

#include "link/virtual_ports.h"
#include "pty_host.h"
#include "wire.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "raw_line.h"

using namespace raw_line;

namespace {

const QByteArray kPoll = wire::request(wire::bytes("010b01"));
const QByteArray kPollAnswer = "!0101010000000000000003\r";

}  // namespace

class TestSimPty : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void answers_over_a_plain_fd();
    void mismatched_speed_gets_no_answer_until_it_matches();
    void port_can_be_closed_and_opened_again();
    void answer_is_paced_at_the_line_speed_data();
    void answer_is_paced_at_the_line_speed();
    void stop_removes_the_link();

private:
    sim::Bus *m_bus = nullptr;
    sim::PtyHost *m_host = nullptr;
    QThread *m_thread = nullptr;
    QString m_link;
    int m_fd = -1;
};

void TestSimPty::initTestCase()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(runtime));
        QFile::setPermissions(QString::fromLocal8Bit(runtime),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QVERIFY2(!virtual_ports::directory().isEmpty(), "no runtime directory");
}

void TestSimPty::init()
{
    // The host runs its own event loop on a thread, so that this thread can
    // block in poll() the way a serial program does.
    m_bus = new sim::Bus;
    m_bus->add_unit(1).faults().add("speed-check");
    m_thread = new QThread;
    m_host = new sim::PtyHost(m_bus);
    m_host->moveToThread(m_thread);
    m_thread->start();
    QString error;
    bool started = false;
    QMetaObject::invokeMethod(
        m_host, [&] { started = m_host->start(&error); }, Qt::BlockingQueuedConnection);
    QVERIFY2(started, qPrintable(error));
    m_link = virtual_ports::path_of(m_host->port_name());
    QVERIFY(!m_link.isEmpty());
}

void TestSimPty::cleanup()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_host)
        QMetaObject::invokeMethod(
            m_host, [this] { delete m_host; }, Qt::BlockingQueuedConnection);
    m_host = nullptr;
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    delete m_bus;
}

void TestSimPty::answers_over_a_plain_fd()
{
    QVERIFY(m_host->port_name().startsWith("ttySIM"));
    QCOMPARE(QFileInfo(m_link).symLinkTarget(), m_host->slave_path());
    m_fd = open_line(m_link, B57600);
    QVERIFY(m_fd >= 0);
    QCOMPARE(exchange(m_fd, kPoll), kPollAnswer);
    QCOMPARE(exchange(m_fd, wire::request(wire::bytes("0120"))), QByteArray("!010102\r"));
}

void TestSimPty::mismatched_speed_gets_no_answer_until_it_matches()
{
    m_fd = open_line(m_link, B9600);
    QVERIFY(m_fd >= 0);
    QCOMPARE(exchange(m_fd, kPoll, 300), QByteArray());
    set_speed(m_fd, B115200);
    QCOMPARE(exchange(m_fd, kPoll, 300), QByteArray());
    set_speed(m_fd, B57600);
    QCOMPARE(exchange(m_fd, kPoll), kPollAnswer);
}

void TestSimPty::port_can_be_closed_and_opened_again()
{
    for (int round = 0; round < 3; ++round) {
        m_fd = open_line(m_link, B57600);
        QVERIFY(m_fd >= 0);
        QCOMPARE(exchange(m_fd, kPoll), kPollAnswer);
        ::close(m_fd);
        m_fd = -1;
    }
}

void TestSimPty::answer_is_paced_at_the_line_speed_data()
{
    QTest::addColumn<bool>("pace_input");
    QTest::addColumn<double>("earliest_ms");
    // A unit at 4800 baud: its 24-byte answer takes 50 ms on the line, the
    // 10-byte request another 20.8 ms when the unit hears it at line speed.
    QTest::newRow("request heard at once") << false << 50.0;
    QTest::newRow("request paced too") << true << 70.8;
}

void TestSimPty::answer_is_paced_at_the_line_speed()
{
    QFETCH(bool, pace_input);
    QFETCH(double, earliest_ms);
    QCOMPARE(kPoll.size(), 10);
    QMetaObject::invokeMethod(
        m_host,
        [this, pace_input] {
            m_bus->unit_at(0).state().speed_index = 0;
            m_host->set_pace_input(pace_input);
        },
        Qt::BlockingQueuedConnection);
    m_fd = open_line(m_link, B4800);
    QVERIFY(m_fd >= 0);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::write(m_fd, kPoll.constData(), size_t(kPoll.size())), ssize_t(kPoll.size()));
    double last = 0;
    QCOMPARE(read_until_cr(m_fd, 1000, clock, &last), kPollAnswer);
    QVERIFY2(last >= earliest_ms && last < earliest_ms + 100, qPrintable(QString::number(last)));
}

void TestSimPty::stop_removes_the_link()
{
    const QString name = m_host->port_name();
    QMetaObject::invokeMethod(
        m_host, [this] { m_host->stop(); }, Qt::BlockingQueuedConnection);
    QVERIFY(virtual_ports::path_of(name).isEmpty());
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_sim_pty.moc"
