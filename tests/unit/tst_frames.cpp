#include "link/frames.h"

#include <QtTest>

// Wire vectors are written out here, not derived from the code under test.
class TestFrames : public QObject {
    Q_OBJECT
private slots:
    void encodes_payload_data();
    void encodes_payload();
    void decodes_answer_data();
    void decodes_answer();
    void decodes_an_answer_collected_in_pieces_data();
    void decodes_an_answer_collected_in_pieces();
    void reads_short_answers_as_zero();
};

void TestFrames::encodes_payload_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("status read") << QByteArray::fromHex("0105") << QByteArray("$010506\r");
    QTest::newRow("poll, lower-case digits") << QByteArray::fromHex("010b02") << QByteArray("$010b020e\r");
    QTest::newRow("speed broadcast") << QByteArray::fromHex("000104") << QByteArray("$00010405\r");
    QTest::newRow("sum wraps at 256") << QByteArray::fromHex("ff0203") << QByteArray("$ff020304\r");
    QTest::newRow("loader entry") << QByteArray::fromHex("0077") << QByteArray("$007777\r");
    QTest::newRow("empty payload") << QByteArray() << QByteArray("$00\r");
}

void TestFrames::encodes_payload()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    encode_frame(payload);
    QCOMPARE(payload, frame);
}

void TestFrames::decodes_answer_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");
    const QByteArray four = QByteArray::fromHex("0102a5a8");
    QTest::newRow("lower case") << QByteArray("!0102a5a8\r") << 0 << four;
    QTest::newRow("upper case") << QByteArray("!0102A5A8\r") << 0 << four;
    QTest::newRow("lone checksum") << QByteArray("!00\r") << 0 << QByteArray(1, '\0');
    QTest::newRow("bad checksum keeps frame without CR")
        << QByteArray("!0102a5a9\r") << 6 << QByteArray("!0102a5a9");
    QTest::newRow("bad low digit") << QByteArray("!0g0000\r") << 5 << QByteArray("!0g0000");
    QTest::newRow("bad high digit") << QByteArray("!g00000\r") << 4 << QByteArray("!g00000");
    QTest::newRow("odd length untouched") << QByteArray("!010\r") << 3 << QByteArray("!010\r");
    QTest::newRow("no end untouched") << QByteArray("!0102") << 2 << QByteArray("!0102");
    QTest::newRow("stale byte before start") << QByteArray("x!00\r") << 1 << QByteArray("x!00\r");
    QTest::newRow("request frame is no answer") << QByteArray("$010506\r") << 1 << QByteArray("$010506\r");
    QTest::newRow("empty") << QByteArray() << 7 << QByteArray();
    QTest::newRow("only start and CR is not Ok") << QByteArray("!\r") << 6 << QByteArray("!");
}

void TestFrames::decodes_answer()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    QCOMPARE(decode_frame(frame), result);
    QCOMPARE(frame, after);
}

void TestFrames::decodes_an_answer_collected_in_pieces_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("good") << QByteArray("!0102a5a8\r") << 0 << QByteArray::fromHex("0102a5a8");
    QTest::newRow("checksum off by one") << QByteArray("!0102a5a7\r") << 6 << QByteArray("!0102a5a7");
}

// The collector appends the chunks of every read; wherever the line cut the
// answer, the decoder sees the same text and gives the same result.
void TestFrames::decodes_an_answer_collected_in_pieces()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    for (int cut = 1; cut < frame.size(); ++cut) {
        QByteArray collected = frame.left(cut);
        collected.append(frame.mid(cut));
        QCOMPARE(decode_frame(collected), result);
        QCOMPARE(collected, after);
    }
}

void TestFrames::reads_short_answers_as_zero()
{
    const QByteArray answer = QByteArray::fromHex("01ff03");
    QCOMPARE(answer_byte(answer, 1), 255);
    QCOMPARE(answer_byte(answer, 3), 0);
    QCOMPARE(answer_byte(answer, 9), 0);
    QCOMPARE(answer_byte(answer, -1), 0);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
