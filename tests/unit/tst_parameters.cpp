#include "channels/parameters.h"

#include <QtTest>

using namespace parameters;

class TestParameters : public QObject {
    Q_OBJECT
private slots:
    void set_payloads_data();
    void set_payloads();
    void list_texts();
};

void TestParameters::set_payloads_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("payload");  // address 1
    QTest::newRow("threshold 140 on channel 2")
        << int(Porog) << 2 << 9 << 2 << QByteArray::fromHex("012f0209");
    QTest::newRow("gain 3") << int(Usilenie) << 1 << 2 << 2 << QByteArray::fromHex("012d0103");
    QTest::newRow("arp off") << int(Arp) << 4 << 0 << 2 << QByteArray::fromHex("01300400");
    QTest::newRow("impulse 80 is code 2") << int(Impuls) << 3 << 0 << 2 << QByteArray::fromHex("01310302");
    QTest::newRow("pause 400") << int(Pauza) << 1 << 8 << 2 << QByteArray::fromHex("01320109");
    QTest::newRow("window 60") << int(Okno) << 1 << 11 << 2 << QByteArray::fromHex("0133010b");
    QTest::newRow("count 10") << int(Schet) << 2 << 9 << 2 << QByteArray::fromHex("0134020a");
    QTest::newRow("alarm time 2, version 1")
        << int(Trevoga) << 3 << 1 << 1 << QByteArray::fromHex("013f0302");
    QTest::newRow("alarm time 2, version 0 is unit-wide")
        << int(Trevoga) << 3 << 1 << 0 << QByteArray::fromHex("013502");
    QTest::newRow("delay 520 has no channel byte")
        << int(Zaderzhka) << 2 << 11 << 2 << QByteArray::fromHex("01370d");
    QTest::newRow("blocking 1") << int(Blokirovka) << 2 << 0 << 2 << QByteArray::fromHex("013a01");
    QTest::newRow("rejection 4.5") << int(Rezhektsiya) << 1 << 16 << 2 << QByteArray::fromHex("012e0110");
    QTest::newRow("cut threshold") << int(PerepilPorog) << 4 << 13 << 2 << QByteArray::fromHex("013c040d");
    QTest::newRow("cut time") << int(PerepilVremj) << 2 << 7 << 2 << QByteArray::fromHex("013d0207");
}

void TestParameters::set_payloads()
{
    QFETCH(int, id);
    QFETCH(int, channel);
    QFETCH(int, index);
    QFETCH(int, version);
    QFETCH(QByteArray, payload);
    QCOMPARE(set_payload(ParameterId(id), 1, channel, index, version), payload);
    // The address is the low byte of the unit address.
    QCOMPARE(set_payload(ParameterId(id), 0x1FF, channel, index, version).at(0), char(0xFF));
}

void TestParameters::list_texts()
{
    QCOMPARE(rejection_texts().at(10), QString("2.7"));
    QCOMPARE(rejection_texts().at(2), QString("1"));
    QCOMPARE(threshold_texts().size(), 14);
    QCOMPARE(cut_time_texts().at(3), QString("5"));
    QCOMPARE(QString::fromUtf8(parameter(Schet).message), QString("Параметр 'Счет' не становлен!"));
}

QTEST_GUILESS_MAIN(TestParameters)
#include "tst_parameters.moc"
