// mirval-sim as a program: port name first, a working virtual port, the
// traffic printed, the link removed on SIGTERM, and clear refusals.

#include "link/virtual_ports.h"
#include "wire.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "raw_line.h"

using namespace raw_line;

namespace {

// Reads stdout lines until one contains text or ms pass.
bool wait_for_line(QProcess &p, const QByteArray &text, QByteArray *seen, int ms = 2000)
{
    QElapsedTimer clock;
    clock.start();
    while (!seen->contains(text) && clock.elapsed() < ms) {
        p.waitForReadyRead(50);
        *seen += p.readAllStandardOutput();
    }
    return seen->contains(text);
}

}  // namespace

class TestMirvalSim : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void serves_a_virtual_port_and_cleans_up_on_sigterm();
    void several_units_and_options_reach_the_line();
    void refuses_bad_options();
    void says_why_without_a_runtime_directory();

private:
    QString m_runtime;
};

void TestMirvalSim::initTestCase()
{
    m_runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QVERIFY(!m_runtime.isEmpty());
    QDir().mkpath(m_runtime);
    QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestMirvalSim::serves_a_virtual_port_and_cleans_up_on_sigterm()
{
    QProcess p;
    p.start(MIRVAL_SIM_PATH, {"--address", "4"});
    QVERIFY(p.waitForStarted());
    QVERIFY(p.waitForReadyRead(3000));
    QByteArray out;
    QVERIFY(wait_for_line(p, "\n", &out));
    const QString name = QString::fromLatin1(out.left(out.indexOf('\n')));
    QVERIFY2(name.startsWith("ttySIM"), out.constData());
    const QString link = virtual_ports::path_of(name);
    QVERIFY(!link.isEmpty());

    const int fd = open_line(link, B57600);
    QVERIFY(fd >= 0);
    QCOMPARE(exchange(fd, wire::request(wire::bytes("0420"))), QByteArray("!040408\r"));
    ::close(fd);
    // Every request and answer is printed, in hex and as text.
    QVERIFY(wait_for_line(p, "\"!040408\\r\"", &out));
    QVERIFY(out.contains("> 24 30 34 32 30 32 34 0d  \"$042024\\r\""));

    ::kill(pid_t(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(3000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo(m_runtime + "/mirval/ports/" + name).isSymLink());
}

void TestMirvalSim::several_units_and_options_reach_the_line()
{
    QProcess p;
    p.start(MIRVAL_SIM_PATH, {"--address", "2,3", "--modes", "2,1,0,1", "--no-version", "--speed-index", "2",
                              "--fault", "3/refuse=0x05", "--quit-after-ms", "5000"});
    QByteArray out;
    QVERIFY(wait_for_line(p, "\n", &out, 3000));
    const QString link = virtual_ports::path_of(QString::fromLatin1(out.left(out.indexOf('\n'))));
    const int fd = open_line(link, B19200);
    QVERIFY(fd >= 0);
    QCOMPARE(exchange(fd, wire::request(wire::bytes("0205"))), QByteArray("!024648\r"));  // modes 0x46
    QCOMPARE(exchange(fd, wire::request(wire::bytes("0305")), 300), QByteArray());        // refused
    QCOMPARE(exchange(fd, wire::request(wire::bytes("0226")), 300), QByteArray());        // no version
    ::close(fd);
    const int slow = open_line(link, B57600);  // unit at 19200: no answer at 57600
    QCOMPARE(exchange(slow, wire::request(wire::bytes("0205")), 300), QByteArray());
    ::close(slow);
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(3000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(virtual_ports::live_ports().isEmpty());
}

void TestMirvalSim::refuses_bad_options()
{
    QProcess p;
    p.start(MIRVAL_SIM_PATH, {"--fault", "silense"});
    QVERIFY(p.waitForFinished(3000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(p.readAllStandardError().contains("silense"));
    QVERIFY(p.readAllStandardOutput().isEmpty());
}

void TestMirvalSim::says_why_without_a_runtime_directory()
{
    // Qt gives no runtime location when XDG_RUNTIME_DIR and its own fallback
    // (<temp>/runtime-<user>) both have permissions other than 0700.
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString bad = tmp.path() + "/xdg";
    QDir().mkpath(bad);
    QFile::setPermissions(bad, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                   QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    const QString user = qEnvironmentVariable("USER", QStringLiteral("root"));
    for (const QString &name : {QStringLiteral("runtime-") + user, QStringLiteral("runtime-root")}) {
        QDir().mkpath(tmp.path() + "/" + name);
        QFile::setPermissions(tmp.path() + "/" + name, QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ReadGroup |
                                                           QFile::ExeGroup);
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", bad);
    env.insert("TMPDIR", tmp.path());
    p.setProcessEnvironment(env);
    p.start(MIRVAL_SIM_PATH, {"--quit-after-ms", "2000"});
    QVERIFY(p.waitForFinished(3000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    QVERIFY(p.readAllStandardError().contains("0700"));
}

QTEST_GUILESS_MAIN(TestMirvalSim)
#include "tst_mirval_sim.moc"
