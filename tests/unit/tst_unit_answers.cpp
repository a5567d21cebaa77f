// Decoding the unit's answers, the pairing mask and the read-back plan.
#include "channels/cross_mask.h"
#include "channels/readback_plan.h"
#include "channels/unit_answers.h"

#include <QtTest>

class TestUnitAnswers : public QObject {
    Q_OBJECT
private slots:
    void modes_version_and_list_index();
    void poll_answer_data();
    void poll_answer();
    void cross_mask_data();
    void cross_mask();
    void parameter_reads_data();
    void parameter_reads();
};

void TestUnitAnswers::modes_version_and_list_index()
{
    const auto modes = answers::split_mode_map(0x19);
    QCOMPARE(QList<int>(modes.begin() + 1, modes.end()), QList<int>({1, 2, 1, 0}));
    const auto all_hf = answers::split_mode_map(0xAA);
    QCOMPARE(QList<int>(all_hf.begin() + 1, all_hf.end()), QList<int>({2, 2, 2, 2}));

    QCOMPARE(answers::version_text(QByteArray::fromHex("0102056a")), QString("2.5"));
    QCOMPARE(answers::version_text(QByteArray::fromHex("01ff80")), QString("-1.-128"));
    QCOMPARE(answers::version_text(QByteArray::fromHex("0103")), QString("3.0"));

    QCOMPARE(readback::list_index(QByteArray::fromHex("010d"), 2), 11);
    QCOMPARE(readback::list_index(QByteArray::fromHex("01ff"), 1), -2);
    QCOMPARE(readback::list_index(QByteArray::fromHex("01"), 0), 0);
}

void TestUnitAnswers::poll_answer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("level");  // empty: no level
    const auto row = [](const char *name, const char *answer, int mode, int state, const char *level) {
        QTest::newRow(name) << QByteArray::fromHex(answer) << mode << state << QString(level);
    };
    // [address, channel, mode, 0, 0, b5, b6, 0, 0, state]
    row("LF state is byte 5", "0101010000810000000c", 1, 0x81, "");
    row("HF level 100", "01020200006400000090", 2, 0x90, "61.049999");
    row("HF level little-endian", "01020200000001000001", 2, 1, "156.287994");
    // The product is taken in double precision, then rounded to float.
    row("HF level 32767", "0102020000ff7f000000", 2, 0, "20004.253906");
    row("HF level -1", "0102020000ffff000000", 2, 0, "-0.610500");
    row("HF short answer", "010202000064", 2, 0, "61.049999");
    row("LF short answer", "0101", 1, 0, "");
}

void TestUnitAnswers::poll_answer()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, mode);
    QFETCH(int, state);
    QFETCH(QString, level);
    const answers::PollReading r = answers::read_poll_answer(answer, mode);
    QCOMPARE(r.state, state);
    QCOMPARE(r.has_level, !level.isEmpty());
    if (r.has_level)
        QCOMPARE(answers::level_text(r.level), level);
}

void TestUnitAnswers::cross_mask_data()
{
    QTest::addColumn<QString>("on");     // lists 1..4
    QTest::addColumn<QString>("modes");  // channels 1..4
    QTest::addColumn<int>("mask");
    QTest::newRow("1-3 LF") << "1010"
                            << "1111" << 0x02;
    QTest::newRow("all HF") << "1111"
                            << "2222" << 0x3F;
    QTest::newRow("modes differ") << "1100"
                                  << "1200" << 0;
    QTest::newRow("off channels pair with nobody") << "1111"
                                                   << "0011" << 0x20;
    QTest::newRow("two groups") << "1111"
                                << "1221" << 0x0C;
}

void TestUnitAnswers::cross_mask()
{
    QFETCH(QString, on);
    QFETCH(QString, modes);
    QFETCH(int, mask);
    bool on_by_channel[5] = {false};
    signed char modes_by_channel[5] = {0};
    for (int k = 1; k <= 4; ++k) {
        on_by_channel[k] = on[k - 1] == QLatin1Char('1');
        modes_by_channel[k] = static_cast<signed char>(modes[k - 1].digitValue());
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
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("version");
    QTest::addColumn<QStringList>("reads");  // payload hex / list offset; address 5, channel 3
    const QString common = "051103/0 050f03/1 051203/0 051303/2 051403/1 051503/0 051603/1 ";
    const auto row = [&](const char *name, int mode, int version, const char *rest) {
        QTest::newRow(name) << mode << version << (common + rest).split(' ');
    };
    row("off", 0, 1, "051a03/1 0519/2 051c/1 0518/0");
    row("LF", 1, 2, "051a03/1 0519/2 051c/1 051003/0 050e03/0 0518/0");
    row("HF", 2, 1, "051a03/1 0519/2 051c/1 0518/0 0521/0 0522/0");
    row("LF version 0: unit-wide alarm time", 1, 0, "0517/1 0519/2 051c/1 051003/0 050e03/0 0518/0");
    row("HF version 0", 2, 0, "0517/1 0519/2 051c/1 0518/0 0521/0 0522/0");
}

void TestUnitAnswers::parameter_reads()
{
    QFETCH(int, mode);
    QFETCH(int, version);
    QFETCH(QStringList, reads);
    QStringList got;
    int parameters_read = 0;
    for (const readback::Request &r : readback::parameter_reads(5, 3, mode, version)) {
        got << QString::fromLatin1(r.payload.toHex()) + QLatin1Char('/') + QString::number(r.offset);
        if (r.target == readback::Target::Parameter)
            ++parameters_read;
    }
    QCOMPARE(got, reads);
    // Only the preset and the mask are not one of the thirteen parameters.
    QCOMPARE(parameters_read, reads.size() - (mode == ModeLf ? 2 : 1));
}

QTEST_GUILESS_MAIN(TestUnitAnswers)
#include "tst_unit_answers.moc"
