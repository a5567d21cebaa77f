// mirval-cli doctor as a user without privileges, on real pseudo-terminals:
// a device of root's own, a port the user's other program holds, a healthy
// port of mirval-sim. As root the tool runs as a system user made for the
// test; as another user it runs as that user, and the device of root's own
// cannot be made.
#include "cli_process.h"
#include "sim_process.h"

#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Pty {
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    // Waits until something was written to the slave: whoever did has it open.
    bool heard(int ms) const
    {
        pollfd p{master, POLLIN, 0};
        char buffer[256];
        return ::poll(&p, 1, ms) == 1 && ::read(master, buffer, sizeof buffer) > 0;
    }
    int master = -1;
    QString slave;
};

enum Case { RootsOwn, HeldByTheUser, Healthy };

}  // namespace

class TestDoctor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void doctor_data();
    void doctor();

private:
    // mirval-cli as the test's user (this process's user when not root).
    void as_user(QProcess &p);
    bool give_to_user(const QString &path, mode_t mode);

    QTemporaryDir m_dir;  // the tool's copy and the user's runtime directory
    QString m_user;
    bool m_made = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};

void TestDoctor::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QVERIFY(m_dir.isValid());
    QVERIFY(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    QVERIFY(QFile::copy(QStringLiteral(MIRVAL_CLI_PATH), m_dir.path() + "/mirval-cli"));
    if (::geteuid() == 0) {
        m_user = QStringLiteral("mvdoc%1").arg(::getpid() % 100000);
        const int made = QProcess::execute(
            "useradd", {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", m_user});
        if (made != 0)
            QSKIP("useradd could not make a user without privileges");
        m_made = true;
    } else {
        m_user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    }
    const passwd *pw = ::getpwnam(QFile::encodeName(m_user).constData());
    QVERIFY(pw);
    m_uid = pw->pw_uid;
    m_gid = pw->pw_gid;
    QVERIFY(QDir(m_dir.path()).mkdir("runtime"));
    QVERIFY(give_to_user(m_dir.path() + "/runtime", 0700));
}

void TestDoctor::cleanupTestCase()
{
    if (m_made)
        QProcess::execute("userdel", {m_user});
}

bool TestDoctor::give_to_user(const QString &path, mode_t mode)
{
    const QByteArray p = QFile::encodeName(path);
    return (::geteuid() != 0 || ::chown(p.constData(), m_uid, m_gid) == 0) &&
           ::chmod(p.constData(), mode) == 0;
}

void TestDoctor::as_user(QProcess &p)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", m_dir.path() + "/runtime");
    p.setProcessEnvironment(env);
    if (::geteuid() != 0)
        return;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    p.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(120);
    });
}

void TestDoctor::doctor_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("check");  // the finding that decides
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("told");  // %1: the device, %2: the holder's pid
    QTest::newRow("root's own device, 0600")
        << int(RootsOwn) << "access" << 1
        << QStringList{"ПРОБЛЕМА: Нет доступа к устройству %1 (владелец «root»",
                       "SUBSYSTEM==\"tty\", KERNEL==", "GROUP=\"dialout\", MODE=\"0660\"",
                       "/etc/udev/rules.d/50-mirval.rules"};
    QTest::newRow("held by the user's other program")
        << int(HeldByTheUser) << "holders" << 1
        << QStringList{"ПРОБЛЕМА: Порт %1 открыт программой: mirval-cli (pid %2)", "kill %2"};
    QTest::newRow("a port of mirval-sim")
        << int(Healthy) << "access" << 0 << QStringList{"ok: Доступ к устройству %1", "ok: ModemManager"};
}

void TestDoctor::doctor()
{
    QFETCH(int, which);
    QFETCH(QString, check);
    QFETCH(int, exit);
    QFETCH(QStringList, told);
    Pty pty;
    SimProcess sim;
    QProcess holder;
    QString device = pty.slave;
    QVERIFY(!device.isEmpty());
    switch (Case(which)) {
    case RootsOwn:
        if (::geteuid() != 0)
            QSKIP("only root can give a device to root");
        QVERIFY(::chown(QFile::encodeName(device).constData(), 0, 0) == 0);
        QVERIFY(::chmod(QFile::encodeName(device).constData(), 0600) == 0);
        break;
    case HeldByTheUser:
        QVERIFY(give_to_user(device, 0600));
        // The user's mirval-cli scanning a silent line holds it.
        as_user(holder);
        holder.start(m_dir.path() + "/mirval-cli", {"--port", device, "scan", "--from", "1", "--to", "255"});
        QVERIFY(holder.waitForStarted(5000) && pty.heard(10000));
        break;
    case Healthy:
        QVERIFY(sim.start({"--address", "1"}));
        device =
            QFileInfo(QDir(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/mirval/ports").filePath(sim.port()))
                .canonicalFilePath();
        QVERIFY(give_to_user(device, 0600));
        break;
    }

    QProcess text, json;
    as_user(text);
    as_user(json);
    const CliRun run = run_cli_in(text, m_dir.path() + "/mirval-cli", {"doctor", "--port", device});
    const QJsonObject doc =
        run_cli_in(json, m_dir.path() + "/mirval-cli", {"--json", "doctor", "--port", device}).json();
    const qint64 holder_pid = holder.processId();
    holder.kill();
    holder.waitForFinished(3000);

    QCOMPARE(run.exit, exit);
    for (QString t : told)
        QVERIFY2(run.out.contains(t.replace("%1", device).replace("%2", QString::number(holder_pid))),
                 qPrintable(run.out));
    QVERIFY2(!run.out.contains(QRegularExpression("adduser \\S+ root")), qPrintable(run.out));
    QCOMPARE(doc.value("exit").toInt(), exit);
    const QJsonObject port = doc.value("ports").toArray().first().toObject();
    QCOMPARE(port.value("path").toString(), device);
    QCOMPARE(port.value("ok").toBool(), exit == 0);
    const QJsonArray findings = port.value("findings").toArray();
    const auto decisive = std::find_if(findings.begin(), findings.end(), [&check](const QJsonValue &f) {
        return f.toObject().value("check").toString() == check;
    });
    QVERIFY(decisive != findings.end());
    QCOMPARE(decisive->toObject().value("severity").toString(), exit == 0 ? "ok" : "problem");
}

QTEST_MAIN(TestDoctor)
#include "tst_doctor.moc"
