// The simulator's own frame code against the byte-exact examples of the
// wire format.

#include "sim_frames.h"

#include <QTest>

using sim::FrameError;

Q_DECLARE_METATYPE(sim::FrameError)

class TestSimFrames : public QObject {
    Q_OBJECT
private slots:
    void encodes_requests_data();
    void encodes_requests();
    void encodes_answers_in_either_case();
    void decodes_answers_data();
    void decodes_answers();
    void decodes_requests_data();
    void decodes_requests();
    void assembler_gives_same_frames_bytewise_and_at_once_data();
    void assembler_gives_same_frames_bytewise_and_at_once();
};

void TestSimFrames::encodes_requests_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("01 05") << QByteArray::fromHex("0105") << QByteArray("$010506\r");
    QTest::newRow("01 0B 02, lower-case letters")
        << QByteArray::fromHex("010b02") << QByteArray("$010b020e\r");
    QTest::newRow("00 01 04, broadcast speed") << QByteArray::fromHex("000104") << QByteArray("$00010405\r");
    QTest::newRow("loader entry") << QByteArray::fromHex("0077") << QByteArray("$007777\r");
    QTest::newRow("sum wraps at 256") << QByteArray::fromHex("ff0203") << QByteArray("$ff020304\r");
    QTest::newRow("empty payload") << QByteArray() << QByteArray("$00\r");
}

void TestSimFrames::encodes_requests()
{
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(sim::encode_request(payload), frame);
    QCOMPARE(sim::encode_request(payload).size(), 2 * payload.size() + 4);
}

void TestSimFrames::encodes_answers_in_either_case()
{
    QCOMPARE(sim::encode_answer(QByteArray::fromHex("0102a5")), QByteArray("!0102a5a8\r"));
    QCOMPARE(sim::encode_answer(QByteArray::fromHex("0102a5"), true), QByteArray("!0102A5A8\r"));
}

void TestSimFrames::decodes_answers_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<FrameError>("error");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray four = QByteArray::fromHex("0102a5a8");
    QTest::newRow("lower case") << QByteArray("!0102a5a8\r") << FrameError::Ok << four;
    QTest::newRow("upper case") << QByteArray("!0102A5A8\r") << FrameError::Ok << four;
    QTest::newRow("lone checksum") << QByteArray("!00\r") << FrameError::Ok << QByteArray(1, '\0');
    QTest::newRow("wrong checksum") << QByteArray("!0102a5a9\r") << FrameError::BadChecksum << QByteArray();
    QTest::newRow("bad low digit") << QByteArray("!0g0000\r") << FrameError::BadDigit << QByteArray();
    QTest::newRow("bad high digit") << QByteArray("!g00000\r") << FrameError::BadDigit << QByteArray();
    QTest::newRow("odd length") << QByteArray("!010\r") << FrameError::OddLength << QByteArray();
    QTest::newRow("no CR") << QByteArray("!0102") << FrameError::NoEnd << QByteArray();
    QTest::newRow("stale byte first") << QByteArray("x!00\r") << FrameError::NoStart << QByteArray();
    QTest::newRow("empty") << QByteArray() << FrameError::Empty << QByteArray();
    QTest::newRow("start and CR only") << QByteArray("!\r") << FrameError::TooShort << QByteArray();
    QTest::newRow("request is not an answer")
        << QByteArray("$010506\r") << FrameError::NoStart << QByteArray();
}

void TestSimFrames::decodes_answers()
{
    QFETCH(QByteArray, frame);
    QFETCH(FrameError, error);
    QFETCH(QByteArray, bytes);
    const sim::DecodedFrame d = sim::decode_answer(frame);
    QCOMPARE(d.error, error);
    QCOMPARE(d.bytes, bytes);
    if (d.ok())
        QCOMPARE(d.payload(), bytes.left(bytes.size() - 1));
}

void TestSimFrames::decodes_requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("status poll") << QByteArray("$010b020e\r") << true << QByteArray::fromHex("010b02");
    QTest::newRow("upper-case digits accepted")
        << QByteArray("$010B020E\r") << true << QByteArray::fromHex("010b02");
    QTest::newRow("wrong sum") << QByteArray("$010b020f\r") << false << QByteArray();
    QTest::newRow("answer start") << QByteArray("!010506\r") << false << QByteArray();
}

void TestSimFrames::decodes_requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, ok);
    QFETCH(QByteArray, payload);
    const sim::DecodedFrame d = sim::decode_request(frame);
    QCOMPARE(d.ok(), ok);
    QCOMPARE(d.payload(), payload);
}

void TestSimFrames::assembler_gives_same_frames_bytewise_and_at_once_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::newRow("one frame") << QByteArray("$010506\r") << QList<QByteArray>{"$010506\r"};
    QTest::newRow("noise before the start")
        << QByteArray("\x00zz\r$010506\r", 12) << QList<QByteArray>{"$010506\r"};
    QTest::newRow("two frames back to back")
        << QByteArray("$010506\r$010b020e\r") << QList<QByteArray>{"$010506\r", "$010b020e\r"};
    QTest::newRow("a new start restarts the frame")
        << QByteArray("$0105$010b020e\r") << QList<QByteArray>{"$010b020e\r"};
    QTest::newRow("unfinished frame gives nothing") << QByteArray("$0105") << QList<QByteArray>{};
    QTest::newRow("overlong frame dropped")
        << QByteArray("$" + QByteArray(200, '0') + "\r$010506\r") << QList<QByteArray>{"$010506\r"};
}

void TestSimFrames::assembler_gives_same_frames_bytewise_and_at_once()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, frames);

    sim::FrameAssembler whole;
    QCOMPARE(whole.feed(stream), frames);

    sim::FrameAssembler bytewise;
    QList<QByteArray> got;
    for (char c : stream)
        got += bytewise.feed(QByteArray(1, c));
    QCOMPARE(got, frames);
}

QTEST_APPLESS_MAIN(TestSimFrames)
#include "tst_sim_frames.moc"
