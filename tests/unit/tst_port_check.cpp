// The port checks on recorded systems: a USB adapter (CH340, 1a86:7523) as
// ttyUSB0, its device's owner and mode, the processes in /proc, ModemManager,
// brltty's rules and the by-id links changed case by case.
#include "link/port_check.h"

#include <QtTest>
#include <functional>

namespace {

const QString kDevice = QStringLiteral("/dev/ttyUSB0");
const QString kUsbDevice = QStringLiteral("/sys/devices/pci0000:00/usb1/1-2");
const QString kById = QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0");
constexpr uint kMe = 1000, kOther = 1001, kDialout = 20;

class RecordedSystem : public SystemView {
public:
    QHash<QString, Node> nodes;
    QHash<QString, QStringList> dirs;
    QHash<QString, QString> links;
    QHash<QString, QByteArray> files;
    Account me{kMe, QStringLiteral("ivan"), {kMe, kDialout}, {kMe, kDialout}};

    RecordedSystem()
    {
        nodes[kDevice] = Node{0, kDialout, 0660, 188, 0};
        const QString tty = kUsbDevice + QStringLiteral("/1-2:1.0/ttyUSB0");
        dirs[tty] = QStringList();
        links[QStringLiteral("/sys/class/tty/ttyUSB0/device")] = tty;
        files[kUsbDevice + QStringLiteral("/idVendor")] = "1a86\n";
        files[kUsbDevice + QStringLiteral("/idProduct")] = "7523\n";
        dirs[QStringLiteral("/dev/serial/by-id")] = QStringList{QFileInfo(kById).fileName()};
        links[kById] = kDevice;
        process(1, 0, "systemd", {});
        process(77, kMe, "bash", {"/dev/pts/1"});
    }
    void process(int pid, uint uid, const QByteArray &command, const QStringList &open)
    {
        const QString proc = QStringLiteral("/proc/%1").arg(pid);
        dirs[QStringLiteral("/proc")] << QString::number(pid);
        nodes[proc] = Node{uid, uid, 0555, 0, 0};
        files[proc + QStringLiteral("/comm")] = command + '\n';
        if (uid != me.uid && me.uid != 0)
            return;  // another user's open files are hidden
        QStringList fds;
        for (const QString &target : open) {
            fds << QString::number(fds.size() + 3);
            links[proc + QStringLiteral("/fd/") + fds.last()] = target;
            nodes.insert(target, nodes.value(target));
        }
        dirs[proc + QStringLiteral("/fd")] = fds;
    }
    void rules(const QString &dir, const QString &name, const QByteArray &text)
    {
        dirs[dir] << name;
        files[dir + QLatin1Char('/') + name] = text;
    }

    std::optional<Node> node(const QString &path) const override
    {
        return nodes.contains(path) ? std::optional<Node>(nodes[path]) : std::nullopt;
    }
    std::optional<QStringList> entries(const QString &dir) const override
    {
        return dirs.contains(dir) ? std::optional<QStringList>(dirs[dir]) : std::nullopt;
    }
    QString resolve(const QString &path) const override
    {
        QString p = path;
        for (int hops = 0; hops < 8 && links.contains(p); ++hops)
            p = links[p];
        const bool there = nodes.contains(p) || dirs.contains(p) || files.contains(p) || p == "/dev/null";
        return there ? p : QString();
    }
    QString link(const QString &path) const override { return links.value(path); }
    std::optional<QByteArray> read(const QString &path) const override
    {
        return files.contains(path) ? std::optional<QByteArray>(files[path]) : std::nullopt;
    }
    Account account() const override { return me; }
    QString user_name(uint uid) const override
    {
        return uid == 0 ? "root" : uid == kMe ? "ivan" : uid == kOther ? "petr" : QString::number(uid);
    }
    QString group_name(uint gid) const override
    {
        return gid == 0 ? "root" : gid == kDialout ? "dialout" : gid == kMe ? "ivan" : QString::number(gid);
    }
    int own_pid() const override { return 99; }
};

using Setup = std::function<void(RecordedSystem &)>;

const QByteArray kBrlttyRules = "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", "
                                "GOTO=\"brltty_usb_run\"\n";

}  // namespace

Q_DECLARE_METATYPE(Setup)

class TestPortCheck : public QObject {
    Q_OBJECT
private slots:
    void finding_data();
    void finding();
    void adapter_found_again_by_id();
};

void TestPortCheck::finding_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("check");
    QTest::addColumn<bool>("problem");
    QTest::addColumn<QStringList>("told");      // in the text or the advice
    QTest::addColumn<QStringList>("not_told");  // in neither

    const QString rule_file = "/etc/udev/rules.d/50-mirval.rules";
    const QString ids = R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="1a86", ATTRS{idProduct}=="7523")";
    const QStringList no_root{"adduser ivan root", "группу «root»"};
    QTest::newRow("in the device's group") << Setup([](RecordedSystem &) {}) << "access" << false
                                           << QStringList{"группа «dialout», права 0660"} << QStringList();
    QTest::newRow("a group the user lacks")
        << Setup([](RecordedSystem &s) { s.me.session_groups = s.me.member_groups = {kMe}; }) << "access"
        << true << QStringList{"не входит в группу «dialout»", "sudo adduser ivan dialout, затем выйти"}
        << no_root;
    QTest::newRow("joined but not logged in again")
        << Setup([](RecordedSystem &s) { s.me.session_groups = {kMe}; }) << "access" << true
        << QStringList{"уже входит в группу «dialout»", "войдите снова"} << QStringList{"adduser"};
    QTest::newRow("root's own device, 0600")
        << Setup([](RecordedSystem &s) {
               s.nodes[kDevice] = SystemView::Node{0, 0, 0600, 188, 0};
               s.me.session_groups = s.me.member_groups = {kMe};
           })
        << "access" << true
        << QStringList{rule_file, ids + R"(, GROUP="dialout", MODE="0660")", "sudo adduser ivan dialout"}
        << no_root;
    QTest::newRow("root's group, ids unknown") << Setup([](RecordedSystem &s) {
        s.nodes[kDevice] = SystemView::Node{0, 0, 0660, 188, 0};
        s.files.remove(kUsbDevice + "/idVendor");
    }) << "access" << true << QStringList{R"(SUBSYSTEM=="tty", KERNEL=="ttyUSB0", GROUP="dialout")"}
                                               << no_root + QStringList{"sudo adduser"};
    QTest::newRow("no device") << Setup([](RecordedSystem &s) { s.nodes.remove(kDevice); }) << "access"
                               << true << QStringList{"Устройство /dev/ttyUSB0 не найдено."} << QStringList();
    QTest::newRow("root may open anything") << Setup([](RecordedSystem &s) {
        s.nodes[kDevice] = SystemView::Node{5, 5, 0600, 188, 0};
        s.me = SystemView::Account{0, "root", {0}, {0}};
    }) << "access" << false << QStringList() << QStringList();

    QTest::newRow("held by this user's program") << Setup([](RecordedSystem &s) {
        s.process(4242, kMe, "minicom", {"/dev/pts/1", kDevice});
    }) << "holders" << true << QStringList{"minicom (pid 4242)", "kill 4242"}
                                                 << QStringList();
    QTest::newRow("held by another user's program, through its lock") << Setup([](RecordedSystem &s) {
        s.process(4343, kOther, "mirval-pult", {kDevice});
        s.files["/var/lock/LCK..ttyUSB0"] = "4343\nmirval-pult\nhost\n";
    }) << "holders" << true << QStringList{"пользователя petr", "mirval-pult (pid 4343)", "sudo kill 4343"}
                                                                      << QStringList();
    QTest::newRow("another user's programs unseen")
        << Setup([](RecordedSystem &s) { s.process(4343, kOther, "bash", {}); }) << "holders" << false
        << QStringList{"видны только root"} << QStringList();
    QTest::newRow("a stale lock") << Setup([](RecordedSystem &s) {
        s.files["/var/lock/LCK..ttyUSB0"] = "5555\n";
    }) << "holders" << false << QStringList{"не открыт"}
                                  << QStringList();

    QTest::newRow("ModemManager probes the adapter")
        << Setup([](RecordedSystem &s) { s.process(600, 0, "ModemManager", {}); }) << "modemmanager" << true
        << QStringList{ids + R"(, ENV{ID_MM_DEVICE_IGNORE}="1")", rule_file} << QStringList();
    QTest::newRow("ModemManager told to leave it") << Setup([](RecordedSystem &s) {
        s.process(600, 0, "ModemManager", {});
        s.files["/run/udev/data/c188:0"] = "E:ID_VENDOR_ID=1a86\nE:ID_MM_DEVICE_IGNORE=1\n";
    }) << "modemmanager" << false << QStringList{"ID_MM_DEVICE_IGNORE"}
                                                   << QStringList();
    QTest::newRow("ModemManager and a port of the board") << Setup([](RecordedSystem &s) {
        s.process(600, 0, "ModemManager", {});
        s.links.remove("/sys/class/tty/ttyUSB0/device");
    }) << "modemmanager" << false << QStringList{"не USB-адаптер"}
                                                          << QStringList();

    QTest::newRow("brltty takes the adapter")
        << Setup([](RecordedSystem &s) { s.rules("/usr/lib/udev/rules.d", "85-brltty.rules", kBrlttyRules); })
        << "brltty" << true
        << QStringList{"/usr/lib/udev/rules.d/85-brltty.rules", "1a86:7523", "sudo apt remove brltty",
                       "sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules"}
        << QStringList();
    QTest::newRow("brltty's rule masked") << Setup([](RecordedSystem &s) {
        s.rules("/lib/udev/rules.d", "85-brltty.rules", kBrlttyRules);
        s.dirs["/etc/udev/rules.d"] << "85-brltty.rules";
        s.links["/etc/udev/rules.d/85-brltty.rules"] = "/dev/null";
    }) << "brltty" << false << QStringList()
                                          << QStringList();
    QTest::newRow("brltty with other adapters' rules") << Setup([](RecordedSystem &s) {
        s.rules("/usr/lib/udev/rules.d", "85-brltty.rules",
                "ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\", GOTO=\"brltty\"\n");
    }) << "brltty" << false << QStringList{"не берут адаптер 1a86:7523"}
                                                       << QStringList();
    QTest::newRow("brltty and an adapter already gone") << Setup([](RecordedSystem &s) {
        s.nodes.remove(kDevice);
        s.links.remove("/sys/class/tty/ttyUSB0/device");
        s.rules("/usr/lib/udev/rules.d", "85-brltty.rules",
                "ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\", GOTO=\"brltty\"\n");
    }) << "brltty" << true << QStringList{"CP210x 10c4:ea60"}
                                                        << QStringList();
}

void TestPortCheck::finding()
{
    QFETCH(Setup, setup);
    QFETCH(QString, check);
    QFETCH(bool, problem);
    QFETCH(QStringList, told);
    QFETCH(QStringList, not_told);
    RecordedSystem system;
    setup(system);
    const PortCheck result = check_port(system, QStringLiteral("ttyUSB0"), kDevice);
    const auto found = std::find_if(result.findings.begin(), result.findings.end(),
                                    [&check](const PortFinding &f) { return f.check == check; });
    QVERIFY(found != result.findings.end());
    const QString said = found->text + QLatin1Char('\n') + found->advice;
    QCOMPARE(found->problem, problem);
    QCOMPARE(found->advice.isEmpty(), !problem);
    QCOMPARE(result.ok(), std::none_of(result.findings.begin(), result.findings.end(),
                                       [](const PortFinding &f) { return f.problem; }));
    for (const QString &t : told)
        QVERIFY2(said.contains(t), qPrintable(said));
    for (const QString &t : not_told)
        QVERIFY2(!said.contains(t), qPrintable(said));
}

void TestPortCheck::adapter_found_again_by_id()
{
    RecordedSystem system;
    QCOMPARE(check_port(system, QStringLiteral("ttyUSB0"), kDevice).by_id, kById);
    // Plugged in again, the adapter is ttyUSB1; the by-id link follows it.
    system.nodes[QStringLiteral("/dev/ttyUSB1")] = system.nodes.take(kDevice);
    system.links[kById] = QStringLiteral("/dev/ttyUSB1");
    QCOMPARE(port_named_by_id(system, kById, {"ttyS0", "ttyUSB1"}), QStringLiteral("ttyUSB1"));
    QCOMPARE(port_named_by_id(system, kById, {"ttyS0"}), QString());
    system.links.remove(kById);
    QCOMPARE(port_named_by_id(system, kById, {"ttyS0", "ttyUSB1"}), QString());
}

QTEST_MAIN(TestPortCheck)
#include "tst_port_check.moc"
