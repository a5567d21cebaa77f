// Decoding the unit's answers, the pairing mask and the read-back plan.
#include "channels/cross_mask.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"

#include <QtTest>

class TestUnitAnswers : public QObject {
    Q_OBJECT
private slots:
    void mode_map();
    void version_text_data();
    void version_text();
    void poll_answer_data();
    void poll_answer();
    void cross_mask_data();
    void cross_mask();
    void parameter_reads_data();
    void parameter_reads();
    void list_index();
};

void TestUnitAnswers::mode_map()
{
    const auto modes = answers::split_mode_map(0x19);
    QCOMPARE(QList<int>(modes.begin() + 1, modes.end()), QList<int>({1, 2, 1, 0}));
    const auto all_hf = answers::split_mode_map(0xAA);
    QCOMPARE(QList<int>(all_hf.begin() + 1, all_hf.end()), QList<int>({2, 2, 2, 2}));
}

void TestUnitAnswers::version_text_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("text");
    QTest::newRow("2.5") << QByteArray::fromHex("0102056a") << "2.5";
    QTest::newRow("signed bytes") << QByteArray::fromHex("01ff80") << "-1.-128";
    QTest::newRow("short answer reads 0") << QByteArray::fromHex("0103") << "3.0";
}

void TestUnitAnswers::version_text()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, text);
    QCOMPARE(answers::version_text(answer), text);
}

void TestUnitAnswers::poll_answer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("has_level");
    QTest::addColumn<QString>("level");
    // [address, channel, mode, 0, 0, b5, b6, 0, 0, state]
    QTest::newRow("LF state is byte 5")
        << QByteArray::fromHex("0101010000810000000c") << 1 << 0x81 << false << "";
    QTest::newRow("HF level 100") << QByteArray::fromHex("01020200006400000090") << 2 << 0x90 << true
                                  << "61.049999";
    QTest::newRow("HF level little-endian")
        << QByteArray::fromHex("01020200000001000001") << 2 << 1 << true << "156.287994";
    QTest::newRow("HF level -1") << QByteArray::fromHex("0102020000ffff000000") << 2 << 0 << true
                                 << "-0.610500";
    QTest::newRow("HF short answer") << QByteArray::fromHex("010202000064") << 2 << 0 << true << "61.049999";
    QTest::newRow("LF short answer") << QByteArray::fromHex("0101") << 1 << 0 << false << "";
}

void TestUnitAnswers::poll_answer()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, mode);
    QFETCH(int, state);
    QFETCH(bool, has_level);
    QFETCH(QString, level);
    const answers::PollReading r = answers::read_poll_answer(answer, mode);
    QCOMPARE(r.state, state);
    QCOMPARE(r.has_level, has_level);
    if (has_level)
        QCOMPARE(answers::level_text(r.level), level);
}

void TestUnitAnswers::cross_mask_data()
{
    QTest::addColumn<QList<int>>("on");
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<int>("mask");
    QTest::newRow("1-3 LF") << QList<int>{1, 0, 1, 0} << QList<int>{1, 1, 1, 1} << 0x02;
    QTest::newRow("all HF") << QList<int>{1, 1, 1, 1} << QList<int>{2, 2, 2, 2} << 0x3F;
    QTest::newRow("modes differ") << QList<int>{1, 1, 0, 0} << QList<int>{1, 2, 0, 0} << 0;
    QTest::newRow("off channels pair with nobody")
        << QList<int>{1, 1, 1, 1} << QList<int>{0, 0, 1, 1} << 0x20;
    QTest::newRow("two groups") << QList<int>{1, 1, 1, 1} << QList<int>{1, 2, 2, 1} << 0x0C;
}

void TestUnitAnswers::cross_mask()
{
    QFETCH(QList<int>, on);
    QFETCH(QList<int>, modes);
    QFETCH(int, mask);
    bool on_by_channel[5] = {false};
    signed char modes_by_channel[5] = {0};
    for (int k = 1; k <= 4; ++k) {
        on_by_channel[k] = on[k - 1] != 0;
        modes_by_channel[k] = static_cast<signed char>(modes[k - 1]);
    }
    QCOMPARE(int(cross::derive(on_by_channel, modes_by_channel)), mask);

    const int groups[5] = {0, 0x07, 0x19, 0x2A, 0x34};
    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(int(cross::channel_group(k)), groups[k]);
        QCOMPARE(int(cross::without_channel(quint8(mask), k)), mask & ~groups[k]);
        QCOMPARE(cross::in_pair(quint8(mask), k), (mask & groups[k]) != 0);
    }
}

void TestUnitAnswers::parameter_reads_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("reads");  // payload hex / list offset
    const QStringList common{"051103/0", "050f03/1", "051203/0", "051303/2",
                             "051403/1", "051503/0", "051603/1"};
    QTest::newRow("off") << 5 << 3 << 0 << 1
                         << common + QStringList{"051a03/1", "0519/2", "051c/1", "0518/0"};
    QTest::newRow("LF") << 5 << 3 << 1 << 2 << common + QStringList{"051a03/1", "0519/2",   "051c/1",
                                                                    "051003/0", "050e03/0", "0518/0"};
    QTest::newRow("HF") << 5 << 3 << 2 << 1
                        << common + QStringList{"051a03/1", "0519/2", "051c/1", "0518/0", "0521/0", "0522/0"};
    QTest::newRow("LF version 0: unit-wide alarm time")
        << 5 << 3 << 1 << 0
        << common + QStringList{"0517/1", "0519/2", "051c/1", "051003/0", "050e03/0", "0518/0"};
    QTest::newRow("HF version 0") << 5 << 3 << 2 << 0 << common + QStringList{"0517/1", "0519/2", "051c/1",
                                                                              "0518/0", "0521/0", "0522/0"};
}

void TestUnitAnswers::parameter_reads()
{
    QFETCH(int, address);
    QFETCH(int, channel);
    QFETCH(int, mode);
    QFETCH(int, version);
    QFETCH(QStringList, reads);
    QStringList got;
    int parameters_read = 0;
    for (const readback::Request &r : readback::parameter_reads(address, channel, mode, version)) {
        got << QString::fromLatin1(r.payload.toHex()) + QLatin1Char('/') + QString::number(r.offset);
        if (r.target == readback::Target::Parameter)
            ++parameters_read;
    }
    QCOMPARE(got, reads);
    // Only the preset and the mask are not one of the thirteen parameters.
    QCOMPARE(parameters_read, reads.size() - (mode == ModeLf ? 2 : 1));
}

void TestUnitAnswers::list_index()
{
    QCOMPARE(readback::list_index(QByteArray::fromHex("010d"), 2), 11);
    QCOMPARE(readback::list_index(QByteArray::fromHex("01ff"), 1), -2);
    QCOMPARE(readback::list_index(QByteArray::fromHex("01"), 0), 0);
}

QTEST_GUILESS_MAIN(TestUnitAnswers)
#include "tst_unit_answers.moc"
