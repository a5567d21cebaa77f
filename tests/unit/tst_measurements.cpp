#include "channels/measurements.h"

#include <QtTest>

using namespace measurements;

class TestMeasurements : public QObject {
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void answer_counts();
    void payloads();
};

void TestMeasurements::values_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("mv");
    QTest::addColumn<QString>("hz");
    QTest::newRow("1000") << 1000 << "610.5"
                          << "10";
    QTest::newRow("1") << 1 << "0.61"
                       << "0.01";
    QTest::newRow("0") << 0 << "0"
                       << "0";
    QTest::newRow("1234") << 1234 << "753.35"
                          << "12.34";
    QTest::newRow("5000") << 5000 << "3052.5"
                          << "50";
    QTest::newRow("65535") << 65535 << "40009.1"
                           << "655.35";
}

void TestMeasurements::values()
{
    QFETCH(int, count);
    QFETCH(QString, mv);
    QFETCH(QString, hz);
    QCOMPARE(value_text(millivolts(count)), mv);
    QCOMPARE(value_text(hertz(count)), hz);
}

void TestMeasurements::answer_counts()
{
    QCOMPARE(answer_count(QByteArray::fromHex("1fe80377")), 1000);
    QCOMPARE(answer_count(QByteArray::fromHex("1effff")), 65535);
    QCOMPARE(answer_count(QByteArray::fromHex("0d05")), 5);
    QCOMPARE(answer_count(QByteArray()), 0);
}

void TestMeasurements::payloads()
{
    QCOMPARE(self_test_payload(0x102), QByteArray::fromHex("0203"));
    QCOMPARE(channel_payload(1, kAmplitudeStart, 3), QByteArray::fromHex("011d03"));
}

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
