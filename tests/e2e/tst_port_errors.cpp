// Why a port did not open, told by the window (the message box's informative
// text) and by mirval-cli (its second line and exit status 4), on real
// pseudo-terminals: a device the user may not open, a port another program
// holds, an adapter that is gone. Root ignores file modes and exclusive
// mode, so as root the user who may not open the device is nobody, and the
// port is held through Qt's lock file, which stops root too.
#include "cli_process.h"
#include "link/port_names.h"
#include "link/qt_serial_port.h"
#include "link/virtual_ports.h"
#include "sim_process.h"
#include "window_rig.h"

#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCannotOpen = QStringLiteral("Не возможно открыть выбранный порт!");

// A pseudo-terminal of the test's own: the slave is the "adapter".
struct Pty {
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() { close(); }
    void close()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // Waits until something was written to the slave: whoever did has it open.
    bool heard(int ms)
    {
        pollfd p{master, POLLIN, 0};
        char buffer[256];
        return ::poll(&p, 1, ms) == 1 && ::read(master, buffer, sizeof buffer) > 0;
    }
    int master = -1;
    QString slave;
};

QString group_of(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    const group *g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}

// The advice for a device the user may not open: joining its group, unless
// that is root's group, where only a udev rule helps.
bool advice_fits(const QString &text, const QString &user, const QString &group)
{
    if (group != QStringLiteral("root"))
        return text.contains(QStringLiteral("sudo adduser %1 %2").arg(user, group));
    return text.contains(QStringLiteral("GROUP=\"dialout\", MODE=\"0660\"")) &&
           !text.contains(QStringLiteral("adduser %1 root").arg(user));
}

const passwd *nobody()
{
    return ::getpwnam("nobody");
}

// As root, the window's open runs with the effective ids of nobody.
class AsNobody {
public:
    AsNobody()
    {
        if (::geteuid() != 0)
            return;
        m_active = ::setegid(nobody()->pw_gid) == 0 && ::seteuid(nobody()->pw_uid) == 0;
    }
    ~AsNobody()
    {
        if (m_active) {
            [[maybe_unused]] const int a = ::seteuid(0);
            [[maybe_unused]] const int b = ::setegid(0);
        }
    }

private:
    bool m_active = false;
};

// The window's port; as root, for a device root could open anyway, it opens
// with the effective ids of nobody (the name is resolved first: nobody cannot
// look into root's runtime directory).
class ProbePort : public QtSerialPort {
public:
    explicit ProbePort(bool as_nobody) : m_as_nobody(as_nobody) {}
    bool open(const QString &name, const LineSettings &settings) override
    {
        if (!m_as_nobody)
            return QtSerialPort::open(name, settings);
        const QString path = port_system_path(name);
        const AsNobody probe;
        return QtSerialPort::open(path, settings);
    }

private:
    bool m_as_nobody;
};

}  // namespace

class TestPortErrors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void window_tells_why_data();
    void window_tells_why();
    void cli_tells_why_data();
    void cli_tells_why();
    void cli_port_vanishes_during_the_command();

private:
    enum Case { Denied, Busy, Gone };
    // Sets the case up on pty; false (with a failed check) when it could not.
    bool set_up(Case c, Pty &pty, QProcess &holder, QtSerialPort &own_holder);
    // mirval-cli as the probing user: as root a copy that nobody may run,
    // run as nobody.
    CliRun run_cli_as_probe(const QStringList &arguments);

    QTemporaryDir m_nobody_dir;
};

void TestPortErrors::initTestCase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QVERIFY(!runtime.isEmpty());
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (::geteuid() == 0) {
        QVERIFY2(nobody(), "the user nobody is needed to test a device root may open");
        // A copy of the tool and a runtime directory that nobody may use.
        QVERIFY(m_nobody_dir.isValid());
        const QString dir = m_nobody_dir.path();
        QVERIFY(::chmod(QFile::encodeName(dir).constData(), 0755) == 0);
        QVERIFY(QFile::copy(QStringLiteral(MIRVAL_CLI_PATH), dir + "/mirval-cli"));
        QVERIFY(QDir(dir).mkdir("runtime"));
        QVERIFY(::chown(QFile::encodeName(dir + "/runtime").constData(), nobody()->pw_uid,
                        nobody()->pw_gid) == 0);
        QVERIFY(::chmod(QFile::encodeName(dir + "/runtime").constData(), 0700) == 0);
    }
}

bool TestPortErrors::set_up(Case c, Pty &pty, QProcess &holder, QtSerialPort &own_holder)
{
    if (pty.slave.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(pty.slave);
    switch (c) {
    case Denied:
        // As root the device is root's and its group's; a user clears the
        // owner's bits of their own device.
        return ::chmod(path.constData(), ::geteuid() == 0 ? 0660 : 0060) == 0;
    case Busy:
        if (holder.program().isEmpty())
            return own_holder.open(pty.slave, LineSettings{4800});
        // Another program holds it: mirval-cli scanning a silent line.
        holder.setProgram(QStringLiteral(MIRVAL_CLI_PATH));
        holder.setArguments({"--port", pty.slave, "scan", "--from", "1", "--to", "255"});
        holder.start();
        return holder.waitForStarted(5000) && pty.heard(10000);
    case Gone:
        pty.close();  // the slave's node goes with the master
        return !QFileInfo::exists(pty.slave);
    }
    return false;
}

CliRun TestPortErrors::run_cli_as_probe(const QStringList &arguments)
{
    if (::geteuid() != 0)
        return run_cli(arguments);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", m_nobody_dir.path() + "/runtime");
    p.setProcessEnvironment(env);
    const uid_t uid = nobody()->pw_uid;
    const gid_t gid = nobody()->pw_gid;
    p.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(120);
    });
    return run_cli_in(p, m_nobody_dir.path() + "/mirval-cli", arguments);
}

void TestPortErrors::window_tells_why_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("permission denied") << int(Denied);
    QTest::newRow("held by another program") << int(Busy);
    QTest::newRow("adapter removed") << int(Gone);
}

void TestPortErrors::window_tells_why()
{
    QFETCH(int, which);
    Pty pty;
    QProcess holder;
    holder.setProgram(QStringLiteral(MIRVAL_CLI_PATH));
    QtSerialPort unused;
    // The window lists the pseudo-terminal as a virtual port.
    QString error;
    const QString name = virtual_ports::publish(pty.slave, &error, QStringLiteral("ttyERR"));
    QVERIFY2(!name.isEmpty(), qPrintable(error));
    const QString group = group_of(pty.slave);
    QVERIFY(set_up(Case(which), pty, holder, unused));

    RealWindow window(3600 * 1000, [name, denied = which == Denied](MainWindowServices &services) {
        services.enumerate = [name] { return QStringList{name}; };
        services.make_port = [denied](const QString &) { return std::make_unique<ProbePort>(denied); };
    });
    window.ui().addres->setValue(1);
    window.press_start();
    const qint64 holder_pid = holder.processId();
    holder.kill();
    holder.waitForFinished(3000);
    virtual_ports::unpublish(name);

    QCOMPARE(window.ui().searchButton->text(), QStringLiteral("Старт"));
    QCOMPARE(window.dialogs->messages.size(), 1);
    const ScriptedDialogs::Message &m = window.dialogs->messages.first();
    QCOMPARE(m.kind, MessageKind::Critical);
    QCOMPARE(m.text, kCannotOpen);
    // The port check's findings under "Подробнее": of the port's device, and
    // the program that holds it named.
    if (which != Gone)
        QVERIFY2(m.details.startsWith(QStringLiteral("%1 (%2)\n").arg(name, pty.slave)),
                 qPrintable(m.details));
    if (which == Busy)
        QVERIFY2(m.details.contains(QStringLiteral("ПРОБЛЕМА: Порт %1 открыт программой: mirval-cli (pid %2)")
                                        .arg(pty.slave)
                                        .arg(holder_pid)),
                 qPrintable(m.details));
    switch (Case(which)) {
    case Denied:
        QVERIFY2(m.informative.contains(
                     QStringLiteral("Нет доступа к устройству %1 (группа «%2»)").arg(pty.slave, group)),
                 qPrintable(m.informative));
        // Told as this process's user: the window builds the text after the
        // open, as root again.
        QVERIFY2(advice_fits(m.informative, QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name), group),
                 qPrintable(m.informative));
        QVERIFY(m.informative.contains(QStringLiteral("войти снова")));
        break;
    case Busy:
        QCOMPARE(
            m.informative,
            QStringLiteral("Порт %1 занят другой программой. Закройте ее и повторите попытку.").arg(name));
        break;
    case Gone:
        QVERIFY2(m.informative.startsWith(
                     QStringLiteral("Порт %1 не найден: адаптер не подключен или отключен").arg(name)),
                 qPrintable(m.informative));
        break;
    }
}

void TestPortErrors::cli_tells_why_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("text");  // how the second line starts
    QTest::newRow("permission denied") << int(Denied) << "access-denied"
                                       << "Нет доступа к устройству";
    QTest::newRow("held by another program") << int(Busy) << "busy"
                                             << "Порт %1 занят другой программой.";
    QTest::newRow("no such device") << int(Gone) << "not-found"
                                    << "Порт %1 не найден";
}

void TestPortErrors::cli_tells_why()
{
    QFETCH(int, which);
    QFETCH(QString, reason);
    QFETCH(QString, text);
    Pty pty;
    QProcess unused;
    QtSerialPort holder;  // this test holds the port: another program to the tool
    const QString path = pty.slave;
    QVERIFY(set_up(Case(which), pty, unused, holder));

    const QStringList arguments{"--port", path, "--address", "1", "time"};
    const CliRun run = which == Denied ? run_cli_as_probe(arguments) : run_cli(arguments);
    QCOMPARE(run.exit, 4);
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);  // nothing of the toolkit's in between
    QCOMPARE(lines[0], kCannotOpen);
    QVERIFY2(lines[1].startsWith(text.contains("%1") ? text.arg(path) : text), qPrintable(lines[1]));
    if (which == Denied) {
        const passwd *probe = ::geteuid() == 0 ? nobody() : ::getpwuid(::geteuid());
        QVERIFY2(advice_fits(lines[1], QString::fromLocal8Bit(probe->pw_name), group_of(path)),
                 qPrintable(lines[1]));
    }

    const QStringList json{"--json", "--port", path, "--address", "1", "time"};
    const QJsonObject doc = (which == Denied ? run_cli_as_probe(json) : run_cli(json)).json();
    QCOMPARE(doc.value("exit").toInt(), 4);
    QCOMPARE(doc.value("reason").toString(), reason);
    QCOMPARE(doc.value("reason_text").toString(), lines[1]);
}

void TestPortErrors::cli_port_vanishes_during_the_command()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "1", "--modes", "1,1,1,1"}));
    QProcess cli;
    cli.start(QStringLiteral(MIRVAL_CLI_PATH),
              {"--port", sim.port(), "--address", "1", "monitor", "--channel", "1"});
    QVERIFY(cli.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(cli.canReadLine(), 10000);  // the first poll was answered
    sim.kill();
    QVERIFY(cli.waitForFinished(5000));  // at once, not after 20 unanswered polls
    QCOMPARE(cli.exitCode(), 4);
    const QStringList lines = QString::fromUtf8(cli.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("Нет ответа от блока!"));
    QVERIFY2(lines[1].startsWith(
                 QStringLiteral("Адаптер отключен от компьютера: порт %1 пропал.").arg(sim.port())),
             qPrintable(lines[1]));
}

QTEST_MAIN(TestPortErrors)
#include "tst_port_errors.moc"
