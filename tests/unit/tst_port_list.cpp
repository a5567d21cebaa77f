#include "common/message_filter.h"
#include "link/link_settings.h"
#include "link/port_names.h"
#include "link/port_watcher.h"
#include "link/system_ports.h"
#include "link/virtual_ports.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(PortDetails)

class TestPortList : public QObject {
    Q_OBJECT
private slots:
    void admits_names_data();
    void admits_names();
    void speed_tables();
    void watcher_reports_arrivals_and_removals();
    void system_ports_enumerated_after_a_change_data();
    void system_ports_enumerated_after_a_change();
    void device_fingerprint_is_stable();
    void virtual_port_appears_and_vanishes();
    void device_paths_data();
    void device_paths();
    void port_description_data();
    void port_description();
    void toolkit_messages_kept_from_the_user_data();
    void toolkit_messages_kept_from_the_user();
};

void TestPortList::admits_names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<bool>("unix_");
    QTest::newRow("COM1") << "COM1" << true << false;
    QTest::newRow("COM12") << "COM12" << true << false;
    QTest::newRow("lower-case com3") << "com3" << false << false;
    QTest::newRow("XCOM1") << "XCOM1" << false << false;
    QTest::newRow("ttyS0") << "ttyS0" << false << true;
    QTest::newRow("ttyUSB0") << "ttyUSB0" << false << true;
    QTest::newRow("virtual ttySIM0") << "ttySIM0" << false << true;
    QTest::newRow("TTYS0") << "TTYS0" << false << false;
    QTest::newRow("cu.usbserial") << "cu.usbserial" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void TestPortList::admits_names()
{
    QFETCH(QString, name);
    QFETCH(bool, windows);
    QFETCH(bool, unix_);
    QCOMPARE(admits_port_name(name, PortNaming::Windows), windows);
    QCOMPARE(admits_port_name(name, PortNaming::Unix), unix_);
}

void TestPortList::speed_tables()
{
    LinkSettings fresh;
    QCOMPARE(fresh.speed_index, 4);
    QCOMPARE(speed_of_index(fresh.speed_index), 57600);
    QCOMPARE(speed_of_index(2), 19200);
    QCOMPARE(speed_of_index(3), 38400);
    QCOMPARE(speed_of_index(5), 115200);
    QCOMPARE(speed_of_index(6), 0);
    QCOMPARE(LinkSettings::waits[9], 75);  // there is no 70
    QCOMPARE(fresh.MREP(), 3);
    QCOMPARE(fresh.MWAIT(), 80);
    fresh.repeat_index = 4;
    fresh.wait_index = 0;
    QCOMPARE(fresh.MREP(), 10);  // looked up afresh, not cached
    QCOMPARE(fresh.MWAIT(), 25);
}

void TestPortList::watcher_reports_arrivals_and_removals()
{
    QStringList present{"ttyS0", "COM7", "COM1"};
    PortWatcher watcher([&] { return present; });
    QSignalSpy found(&watcher, &PortWatcher::deviceDiscovered);
    QSignalSpy gone(&watcher, &PortWatcher::deviceRemoved);
    QStringList order;
    connect(&watcher, &PortWatcher::deviceDiscovered, this, [&](const PortInfo &p) { order << p.portName; });

    watcher.setUpNotifications(60000);
    QCOMPARE(order, (QStringList{"ttyS0", "COM7", "COM1"}));  // enumeration order
    QCOMPARE(gone.count(), 0);

    watcher.rescan();  // nothing changed: nothing reported
    QCOMPARE(found.count(), 3);

    present = {"COM1", "ttyUSB0"};
    watcher.rescan();
    QCOMPARE(gone.count(), 2);
    QCOMPARE(gone.at(0).at(0).value<PortInfo>().portName, QString("ttyS0"));
    QCOMPARE(gone.at(1).at(0).value<PortInfo>().portName, QString("COM7"));
    QCOMPARE(found.count(), 4);
    QCOMPARE(order.last(), QString("ttyUSB0"));
}

void TestPortList::virtual_port_appears_and_vanishes()
{
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTemporaryFile target;
    QVERIFY(target.open());

    QString error;
    const QString name = virtual_ports::publish(target.fileName(), &error);
    QCOMPARE(name, QString("ttySIM0"));
    QCOMPARE(QFileInfo(virtual_ports::directory()).permissions() & 0x0077, QFile::Permissions());
    const QString second = virtual_ports::publish(target.fileName(), &error);
    QCOMPARE(second, QString("ttySIM1"));
    QVERIFY(present_port_names().contains("ttySIM0"));
    QCOMPARE(port_system_path("ttySIM0"), QFileInfo(target.fileName()).canonicalFilePath());

    PortWatcher watcher(present_port_names);
    QSignalSpy gone(&watcher, &PortWatcher::deviceRemoved);
    watcher.setUpNotifications(20);

    virtual_ports::unpublish(second);
    target.remove();  // the target of ttySIM0 goes: a dead link is no port
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 2, 2000);
    QVERIFY(!present_port_names().contains("ttySIM0"));
    QCOMPARE(virtual_ports::path_of("ttySIM0"), QString());
    QCOMPARE(virtual_ports::path_of("../ttySIM0"), QString());

    // A stale link's name is free again.
    QTemporaryFile again;
    QVERIFY(again.open());
    QCOMPARE(virtual_ports::publish(again.fileName(), &error), QString("ttySIM0"));

    // A publisher killed before it could remove its link: the target lives on
    // (the terminal's number given to another program), the port does not.
    QProcess dead;
    dead.start("sleep", {"30"});
    QVERIFY(dead.waitForStarted());
    const qint64 pid = dead.processId();
    dead.kill();
    QVERIFY(dead.waitForFinished());
    QFile owner(virtual_ports::directory() + "/.ttySIM0.owner");
    QVERIFY(owner.open(QIODevice::WriteOnly | QIODevice::Truncate));
    owner.write(QByteArray::number(pid) + "\n");
    owner.close();
    QVERIFY(QFileInfo::exists(again.fileName()));
    QVERIFY(!present_port_names().contains("ttySIM0"));
    QCOMPARE(virtual_ports::path_of("ttySIM0"), QString());
    QCOMPARE(virtual_ports::publish(again.fileName(), &error), QString("ttySIM0"));
    QVERIFY(present_port_names().contains("ttySIM0"));
}

void TestPortList::system_ports_enumerated_after_a_change_data()
{
    // Fingerprint seen at each look; which enumeration each look returns.
    QTest::addColumn<QStringList>("fingerprints");
    QTest::addColumn<QList<int>>("enumeration");
    QTest::newRow("unchanged") << QStringList{"a", "a", "a", "a"} << QList<int>{1, 1, 1, 1};
    QTest::newRow("one change, then a settling look")
        << QStringList{"a", "a", "b", "b", "b"} << QList<int>{1, 1, 2, 3, 3};
    QTest::newRow("changes in a row") << QStringList{"a", "b", "c", "c", "c"} << QList<int>{1, 2, 3, 4, 4};
    QTest::newRow("back to the first") << QStringList{"a", "b", "a", "a"} << QList<int>{1, 2, 3, 4};
    QTest::newRow("no fingerprint: every look") << QStringList{"", "", ""} << QList<int>{1, 2, 3};
}

void TestPortList::system_ports_enumerated_after_a_change()
{
    QFETCH(QStringList, fingerprints);
    QFETCH(QList<int>, enumeration);
    int calls = 0;
    int look = 0;
    SystemPorts ports([&] { return QStringList{QStringLiteral("ttyS%1").arg(++calls)}; },
                      [&] { return fingerprints[look].toLatin1(); });
    for (look = 0; look < fingerprints.size(); ++look)
        QCOMPARE(ports.names(), QStringList{QStringLiteral("ttyS%1").arg(enumeration[look])});
    QCOMPARE(calls, enumeration.last());
}

void TestPortList::device_fingerprint_is_stable()
{
#ifdef Q_OS_LINUX
    const QByteArray first = device_fingerprint();
    QVERIFY(first.startsWith("/dev"));
    QVERIFY(first.contains("/sys/class/tty"));
    QCOMPARE(device_fingerprint(), first);
#else
    QVERIFY(device_fingerprint().isEmpty());
#endif
}

void TestPortList::device_paths_data()
{
    // A name of the list or a device path, and what opening it opens: the
    // string "<node>" stands for a device node made by the test, "<link>"
    // for a link to it, as /dev/serial/by-id/ holds them.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<bool>("path");
    QTest::newRow("list name") << "ttyS0"
                               << "/dev/ttyS0" << false;
    QTest::newRow("USB adapter") << "ttyUSB0"
                                 << "/dev/ttyUSB0" << false;
    QTest::newRow("device path that is not there") << "/dev/ttyNONE9"
                                                   << "/dev/ttyNONE9" << true;
    QTest::newRow("device node") << "<node>"
                                 << "<node>" << true;
    QTest::newRow("link to the node") << "<link>"
                                      << "<node>" << true;
}

void TestPortList::device_paths()
{
    QFETCH(QString, name);
    QFETCH(QString, opened);
    QFETCH(bool, path);
    QTemporaryDir dir;
    const QString node = QFileInfo(dir.path()).canonicalFilePath() + "/ttyUSB7";
    QFile file(node);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(node, dir.filePath("usb-FTDI_FT232R_A1B2-if00-port0")));
    const auto expand = [&](QString s) {
        return s.replace("<node>", node).replace("<link>", dir.filePath("usb-FTDI_FT232R_A1B2-if00-port0"));
    };
    QCOMPARE(is_device_path(expand(name)), path);
    QCOMPARE(port_system_path(expand(name)), expand(opened));
}

void TestPortList::port_description_data()
{
    QTest::addColumn<PortDetails>("details");
    QTest::addColumn<QString>("text");
    QTest::newRow("USB adapter")
        << PortDetails{"ttyUSB0", "/dev/ttyUSB0", "FTDI", "FT232R USB UART", "A1B2", false}
        << "Производитель: FTDI\nУстройство: FT232R USB UART\nСерийный номер: A1B2\n/dev/ttyUSB0";
    QTest::newRow("nothing known") << PortDetails{"ttyS0", "/dev/ttyS0", "", "", "", false}
                                   << "Система не сообщает, какой это адаптер\n/dev/ttyS0";
    QTest::newRow("simulated") << PortDetails{"ttySIM0", "/dev/pts/3",
                                              "",        "имитатор блока (виртуальный порт)",
                                              "",        true}
                               << "Имитатор блока (виртуальный порт)\n/dev/pts/3";
}

void TestPortList::port_description()
{
    QFETCH(PortDetails, details);
    QFETCH(QString, text);
    QCOMPARE(::port_description(details), text);
}

void TestPortList::toolkit_messages_kept_from_the_user_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("program_output");
    QTest::addColumn<bool>("rules_set");
    QTest::addColumn<bool>("shown");
    const QString runtime = "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'";
    QTest::newRow("runtime directory") << int(QtWarningMsg) << "default" << runtime << true << false << false;
    QTest::newRow("runtime directory, rules set")
        << int(QtWarningMsg) << "default" << runtime << true << true << true;
    QTest::newRow("Qt category") << int(QtWarningMsg) << "qt.qpa.xcb"
                                 << "could not connect to display" << true << false << false;
    QTest::newRow("Qt method") << int(QtWarningMsg) << "default"
                               << "QObject::connect: No such signal" << true << false << false;
    QTest::newRow("trace") << int(QtDebugMsg) << "default"
                           << "SendCommand  \"$0105..\"" << true << false << true;
    QTest::newRow("trace off") << int(QtDebugMsg) << "default"
                               << "SendCommand  \"$0105..\"" << false << false << false;
    QTest::newRow("own warning") << int(QtWarningMsg) << "mirval.link"
                                 << "serial line lost:" << true << false << true;
    QTest::newRow("fatal") << int(QtFatalMsg) << "qt.qpa.plugin"
                           << "no platform plugin" << false << false << true;
}

void TestPortList::toolkit_messages_kept_from_the_user()
{
    QFETCH(int, type);
    QFETCH(QString, category);
    QFETCH(QString, text);
    QFETCH(bool, program_output);
    QFETCH(bool, rules_set);
    QFETCH(bool, shown);
    const QByteArray name = category.toLatin1();
    QCOMPARE(message_shown(QtMsgType(type), name.constData(), text, program_output, rules_set), shown);
}

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_port_list.moc"
