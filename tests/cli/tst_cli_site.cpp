// backup and restore of a whole site: two lines of mirval-sim, one of them
// through ser2net, and one line that does not open; the lines' threads run
// in this process, with short waits.
#include "cli.h"
#include "commands.h"
#include "common/timing.h"
#include "config/config_file.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "site_files.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

class TestCliSite : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void file_names_data();
    void file_names();
    void backup_saves_every_unit_it_can();
    void restore_writes_the_files_back_and_checks_them();

private:
    cli::Context context(const QStringList &ports, const QString &dir) const;
    static QJsonObject row(const cli::Context &c, int i) { return c.result["units"].toArray()[i].toObject(); }

    SimProcess m_near;  // units 3 and 7 on a pseudo-terminal
    SimProcess m_far;   // unit 12 behind ser2net
    Ser2netProcess m_server;
    QString m_dead;  // a network line nothing listens at
    QTemporaryDir m_dir;
    Timing m_timing;
};

void TestCliSite::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false\nmirval.*.warning=false"));
    QVERIFY(m_dir.isValid());
    // Unit 7 falls silent in the middle of its read: 2 scan requests, then
    // 6 of the read.
    QVERIFY(m_near.start(
        {"--address", "3,7", "--modes", "1,1,0,0", "--modes", "2,0,0,1", "--fault", "7/silent-after=8"}));
    QVERIFY(m_far.start({"--address", "12", "--modes", "0,2,2,0", "--version", "2.5"}));
    QVERIFY(m_server.start({Ser2netProcess::device_of(m_far.port())}));
    m_dead = QStringLiteral("rfc2217://127.0.0.1:%1").arg(Ser2netProcess::free_port());
    m_timing.tick_ms = 3;
    m_timing.pre_wait_ms = 30;
    m_timing.settle_ms = 5;
}

cli::Context TestCliSite::context(const QStringList &ports, const QString &dir) const
{
    cli::Context c;
    c.json = true;
    c.ports = ports;
    c.port = ports.first();
    c.timing = m_timing;
    c.args.values["dir"] = dir;
    c.args.values["from"] = "1";
    c.args.values["to"] = "13";
    return c;
}

void TestCliSite::file_names_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("name");
    QTest::newRow("serial port") << "ttyUSB0"
                                 << "ttyUSB0";
    QTest::newRow("Windows port") << "COM3"
                                  << "COM3";
    QTest::newRow("device path") << "/dev/ttyS0"
                                 << "dev_ttyS0";
    QTest::newRow("network port") << "rfc2217://10.0.0.5:4001"
                                  << "rfc2217_10.0.0.5_4001";
    QTest::newRow("IPv6") << "rfc2217://[fe80::1]:4001"
                          << "rfc2217_fe80_1_4001";
    QTest::newRow("host name with a dash") << "rfc2217://east-fence:23"
                                           << "rfc2217_east-fence_23";
    QTest::newRow("no hidden file") << "../.x"
                                    << "x";
    QTest::newRow("nothing left") << "://"
                                  << "port";
}

void TestCliSite::file_names()
{
    QFETCH(QString, port);
    QFETCH(QString, name);
    QCOMPARE(site_files::safe_name(port), name);
    QCOMPARE(site_files::file_path("/site", port, 7), "/site/" + name + "-7.cfg");
}

void TestCliSite::backup_saves_every_unit_it_can()
{
    const QString dir = m_dir.filePath("site");
    cli::Context c = context({m_near.port(), m_server.url(), m_dead}, dir);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(cli::run_backup(c), int(cli::UnitFailed));

    const QJsonArray units = c.result["units"].toArray();
    QCOMPARE(units.size(), 4);
    QCOMPARE(c.result["failed"].toInt(), 2);
    // The lines in the order given, the units of a line in address order.
    QCOMPARE(row(c, 0)["line"].toString(), m_near.port());
    QCOMPARE(row(c, 0)["address"].toInt(), 3);
    QCOMPARE(row(c, 0)["file"].toString(), dir + "/" + m_near.port() + "-3.cfg");
    QVERIFY(!row(c, 0).contains("error"));
    QCOMPARE(row(c, 1)["address"].toInt(), 7);
    QCOMPARE(row(c, 1)["error"].toString(), QString("Нет ответа от блока!"));
    QVERIFY(!QFile::exists(row(c, 1)["file"].toString()));
    QCOMPARE(row(c, 2)["line"].toString(), m_server.url());
    QCOMPARE(row(c, 2)["address"].toInt(), 12);
    QCOMPARE(row(c, 2)["version"].toString(), QString("2.5"));
    QCOMPARE(row(c, 2)["file"].toString(),
             QStringLiteral("%1/rfc2217_127.0.0.1_%2-12.cfg").arg(dir).arg(m_server.port()));
    QCOMPARE(row(c, 3)["line"].toString(), m_dead);
    QVERIFY(!row(c, 3).contains("address"));
    QVERIFY2(row(c, 3)["error"].toString().contains("Не возможно открыть выбранный порт!"),
             qPrintable(row(c, 3)["error"].toString()));

    // Each file holds its own unit.
    UnitConfig config;
    QVERIFY(load_config_file(row(c, 0)["file"].toString(), config).ok);
    QCOMPARE(config.channels[0].regim, 1);
    QCOMPARE(config.channels[2].regim, 0);
    QVERIFY(load_config_file(row(c, 2)["file"].toString(), config).ok);
    QCOMPARE(config.channels[1].regim, 2);
    QCOMPARE(config.channels[3].regim, 0);
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2);
    qInfo("backup of 3 lines, 13 addresses each: %lld ms", clock.elapsed());
}

void TestCliSite::restore_writes_the_files_back_and_checks_them()
{
    const QString dir = m_dir.filePath("site");
    const QString near_file = site_files::file_path(dir, m_near.port(), 3);
    const QString far_file = site_files::file_path(dir, m_server.url(), 12);
    UnitConfig near, far;
    QVERIFY(load_config_file(near_file, near).ok);
    QVERIFY(load_config_file(far_file, far).ok);
    near.channels[0].porog = 11;
    far.zaderzhka = 10;
    QString error;
    QCOMPARE(save_config_file(near_file, near, &error), 0);
    QCOMPARE(save_config_file(far_file, far, &error), 0);
    // A file for a unit that is not there.
    QVERIFY(QFile::copy(near_file, site_files::file_path(dir, m_near.port(), 9)));

    cli::Context c = context({m_near.port(), m_server.url()}, dir);
    c.args.flags.insert("verify");
    QCOMPARE(cli::run_restore(c), int(cli::UnitFailed));
    QCOMPARE(c.result["units"].toArray().size(), 3);
    QCOMPARE(row(c, 0)["address"].toInt(), 3);
    QVERIFY2(!row(c, 0).contains("error"), qPrintable(row(c, 0)["error"].toString()));
    QCOMPARE(row(c, 1)["address"].toInt(), 9);
    QCOMPARE(row(c, 1)["error"].toString(), QString("Нет ответа от блока!"));
    QCOMPARE(row(c, 2)["address"].toInt(), 12);
    QVERIFY2(!row(c, 2).contains("error"), qPrintable(row(c, 2)["error"].toString()));

    // The units hold what the files say: a new backup reads them back.
    QVERIFY(QFile::remove(site_files::file_path(dir, m_near.port(), 9)));
    const QString again = m_dir.filePath("again");
    cli::Context b = context({m_near.port(), m_server.url()}, again);
    cli::run_backup(b);
    UnitConfig back;
    QVERIFY(load_config_file(site_files::file_path(again, m_near.port(), 3), back).ok);
    QVERIFY(back == near);
    QVERIFY(load_config_file(site_files::file_path(again, m_server.url(), 12), back).ok);
    QVERIFY(back == far);

    // A line without files of its own.
    cli::Context none = context({m_near.port()}, m_dir.filePath("empty"));
    QDir().mkpath(m_dir.filePath("empty"));
    QCOMPARE(cli::run_restore(none), int(cli::UnitFailed));
    QVERIFY(row(none, 0)["error"].toString().startsWith("Нет файлов"));
}

QTEST_GUILESS_MAIN(TestCliSite)
#include "tst_cli_site.moc"
