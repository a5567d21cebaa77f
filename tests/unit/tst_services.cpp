// Time texts, unit time on the wire, event-log records and the log file.
#include "common/user_files.h"
#include "services/event_log.h"
#include "services/unit_time.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

namespace {

void set_zone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

}  // namespace

class TestServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void date_texts_data();
    void date_texts();
    void date_of_zero_is_now();
    void unit_time_on_the_wire();
    void flag_texts_data();
    void flag_texts();
    void record_lines();
    void short_record_reads_zero();
    void file_bytes();
    void save_replaces_or_reports();

private:
    QByteArray m_zone;
    bool m_had_zone = false;
};

void TestServices::initTestCase()
{
    m_had_zone = qEnvironmentVariableIsSet("TZ");
    m_zone = qgetenv("TZ");
}

void TestServices::cleanupTestCase()
{
    if (m_had_zone)
        qputenv("TZ", m_zone);
    else
        qunsetenv("TZ");
    tzset();
}

void TestServices::date_texts_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<qint64>("t");
    QTest::addColumn<QString>("date");
    QTest::newRow("UTC+3") << QByteArray("MSK-3") << qint64(1767316028) << "26-01-02 04:07:08";
    QTest::newRow("2005 in UTC") << QByteArray("UTC0") << qint64(1104537600) << "05-01-01 00:00:00";
    QTest::newRow("2005 in UTC-5 is still 2004")
        << QByteArray("EST5") << qint64(1104537600) << "04-12-31 19:00:00";
    QTest::newRow("2000") << QByteArray("UTC0") << qint64(946684800) << "00-01-01 00:00:00";
    QTest::newRow("summer time") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << qint64(1719792000)
                                 << "24-07-01 02:00:00";
    QTest::newRow("2^31") << QByteArray("UTC0") << qint64(2147483648LL) << "38-01-19 03:14:08";
    QTest::newRow("2^32-1") << QByteArray("UTC0") << qint64(4294967295LL) << "06-02-07 06:28:15";
}

void TestServices::date_texts()
{
    QFETCH(QByteArray, zone);
    QFETCH(qint64, t);
    QFETCH(QString, date);
    set_zone(zone);
    QCOMPARE(DATE(t), date);
    QCOMPARE(FDATE(t), QString(date).replace(QLatin1Char(':'), QLatin1Char('-')));
}

void TestServices::date_of_zero_is_now()
{
    set_zone("MSK-3");
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QString now = DATE();
    const QString fnow = FDATE(0);
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    QVERIFY2(now == DATE(before) || now == DATE(after), qPrintable(now));
    QVERIFY2(fnow == FDATE(before) || fnow == FDATE(after), qPrintable(fnow));
}

void TestServices::unit_time_on_the_wire()
{
    QCOMPARE(unit_time_bytes(0xF2345678u), QByteArray::fromHex("785634f2"));
    const QByteArray answer = QByteArray::fromHex("25") + unit_time_bytes(0xF2345678u) + "\x11";
    QCOMPARE(unit_time_from(answer, 1), 0xF2345678u);
    QCOMPARE(unit_time_from(QByteArray::fromHex("257856"), 1), 0x5678u);
    QCOMPARE(set_time_payload(0x101, 0x100000005LL), QByteArray::fromHex("013e05000000"));
}

void TestServices::flag_texts_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x00") << 0x00 << "Норма.";
    QTest::newRow("bit 6 adds nothing") << 0x40 << "Норма.";
    QTest::newRow("0x0F") << 0x0F << "Тревога. Неисправность. Обрыв КЧЭ. Канал ВЫКЛ. ";
    QTest::newRow("0x11") << 0x11 << "Корпус вскрыт. Тревога. ";
    QTest::newRow("0x90") << 0x90 << "ДК. Корпус вскрыт. Норма.";
    QTest::newRow("0xF2") << 0xF2 << "ДК. Корпус вскрыт. Замыкание КЧЭ. Неисправность. ";
    QTest::newRow("0x24") << 0x24 << "Замыкание КЧЭ. Обрыв КЧЭ. ";
}

void TestServices::flag_texts()
{
    QFETCH(int, flags);
    QFETCH(QString, text);
    QCOMPARE(log_flag_text(quint8(flags)), text);
}

void TestServices::record_lines()
{
    set_zone("MSK-3");
    const QByteArray answer = QByteArray::fromHex("23") + unit_time_bytes(1767316028u) +
                              QByteArray::fromHex("00119008") + QByteArray::fromHex("5a");
    const LogRecord record = log_record_from(answer);
    QCOMPARE(record.time, 1767316028u);
    QCOMPARE(log_lines(record), QStringList({"26-01-02 04:07:08  [1]: Норма.",
                                             "26-01-02 04:07:08  [2]: Корпус вскрыт. Тревога. ",
                                             "26-01-02 04:07:08  [3]: ДК. Корпус вскрыт. Норма.",
                                             "26-01-02 04:07:08  [4]: Канал ВЫКЛ. "}));
}

void TestServices::short_record_reads_zero()
{
    const LogRecord record = log_record_from(QByteArray::fromHex("230100000088"));
    QCOMPARE(record.time, 1u);
    QCOMPARE(int(record.flags[0]), 0x88);
    QCOMPARE(int(record.flags[1]), 0);
    QCOMPARE(int(record.flags[3]), 0);
    QCOMPARE(log_record_from(QByteArray::fromHex("23")).time, 0u);
}

void TestServices::file_bytes()
{
    QCOMPARE(log_file_bytes({}), QByteArray());
    QCOMPARE(log_file_bytes({"a", "", "Норма."}), QByteArray("a\n\n") + QStringLiteral("Норма.\n").toUtf8());
}

void TestServices::save_replaces_or_reports()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("log.txt");
    QString error;
    QCOMPARE(save_user_file(path, "old content that is longer\n", &error), 0);
    QCOMPARE(save_user_file(path, "new\n", &error), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new\n"));

    QVERIFY(save_user_file(dir.filePath("missing/log.txt"), "x", &error) != 0);
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestServices)
#include "tst_services.moc"
