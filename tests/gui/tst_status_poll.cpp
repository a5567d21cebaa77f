// The status poll of the current channel: what its answers paint, and how
// unanswered polls end the connection.
#include "scripted_port.h"
#include "sim_window.h"

namespace {

// A window connected to the simulated unit whose line is then replaced by a
// scripted port, so that every poll answer can be given byte by byte.
struct PollRig : SimWindow {
    explicit PollRig(quint8 mode)
    {
        short_time_outs();
        unit.state().set_modes({mode, 1, 1, 1});
        press_start();
        line = std::make_unique<ScriptedPort>();
        line->open(QStringLiteral("ttySIM0"), LineSettings{57600});
        window->session().exchange().set_port(line.get());
    }
    ~PollRig() { window->session().exchange().set_port(nullptr); }
    // One poll, answered with payload (checksum added) or, when empty, not at all.
    void poll(QByteArray payload)
    {
        QList<ScriptedPort::Chunk> reply;
        if (!payload.isEmpty()) {
            quint8 sum = 0;
            for (char c : payload)
                sum = quint8(sum + quint8(c));
            reply << ScriptedPort::Chunk{0, "!" + payload.append(char(sum)).toHex() + "\r"};
        }
        line->answers << reply;
        window->g_point();
    }
    QColor colour() { return ui().state->palette().color(QPalette::Window); }
    std::unique_ptr<ScriptedPort> line;
};

const QByteArray kLfQuiet = QByteArray::fromHex("01010100000000000000");
const QByteArray kLfAlarm = QByteArray::fromHex("01010100000100000000");

}  // namespace

class TestStatusPoll : public QObject {
    Q_OBJECT
private slots:
    void paints_the_answer_data();
    void paints_the_answer();
    void same_state_is_painted_once();
    void unanswered_polls_data();
    void unanswered_polls();
    void reconnection_counts_afresh();
};

void TestStatusPoll::paints_the_answer_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("previous");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("level");  // "-": not touched
    const QColor red(0xFF, 0, 0), green(0, 0xFF, 0);
    // [address, channel, mode, 0, 0, b5, b6, 0, 0, state]: LF reads its state
    // from b5, HF its level from b5-b6 and its state from byte 9.
    QTest::newRow("LF alarm") << 1 << 0 << kLfAlarm << "Тревога" << red << "-";
    QTest::newRow("LF reads b5, not byte 9")
        << 1 << 1 << QByteArray::fromHex("01010100000000000001") << "Норма" << green << "-";
    QTest::newRow("HF level, back to quiet")
        << 2 << 1 << QByteArray::fromHex("01010200006400000000") << "Норма" << green << "61.049999";
    QTest::newRow("HF negative level, remote test")
        << 2 << 0 << QByteArray::fromHex("0101020000ffff000081") << "Дк:Норма" << green << "-0.610500";
    QTest::newRow("short answer is quiet")
        << 1 << 1 << QByteArray::fromHex("0101") << "Норма" << green << "-";
}

void TestStatusPoll::paints_the_answer()
{
    QFETCH(int, mode);
    QFETCH(int, previous);
    QFETCH(QByteArray, answer);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(QString, level);
    PollRig s{quint8(mode)};
    QVERIFY(s.connected());
    s.window->set_state_label(0);
    s.window->form_state().last_state = previous;
    s.ui().perepil_txt->setText("-");
    s.session().poll_fail_count = 7;
    s.poll(answer);
    QCOMPARE(s.line->writes.size(), 1);
    QCOMPARE(s.line->writes[0].bytes, QByteArray("$010b010d\r"));
    QCOMPARE(s.ui().state->text(), text);
    QCOMPARE(s.colour(), colour);
    QCOMPARE(s.ui().perepil_txt->text(), level);
    QCOMPARE(s.session().poll_fail_count, 0);
    QVERIFY(s.connected());
    QCOMPARE(s.dialogs->texts(), QStringList());
}

void TestStatusPoll::same_state_is_painted_once()
{
    PollRig s(1);
    QVERIFY(s.connected());
    s.window->form_state().last_state = 0;
    s.poll(kLfAlarm);
    QCOMPARE(s.ui().state->text(), QString("Тревога"));
    s.ui().state->setText("x");
    s.poll(kLfAlarm);
    QCOMPARE(s.ui().state->text(), QString("x"));
    s.poll(kLfQuiet);
    QCOMPARE(s.ui().state->text(), QString("Норма"));
}

void TestStatusPoll::unanswered_polls_data()
{
    QTest::addColumn<QString>("polls");  // x: no answer, o: answered
    QTest::addColumn<bool>("lost");
    QTest::newRow("19 missed, one answered, 19 missed") << QString(19, 'x') + "o" + QString(19, 'x') << false;
    QTest::newRow("20 missed") << QString(20, 'x') << true;
}

void TestStatusPoll::unanswered_polls()
{
    QFETCH(QString, polls);
    QFETCH(bool, lost);
    PollRig s(1);
    QVERIFY(s.connected());
    QVERIFY(s.window->session().poll_timer().isActive());
    QList<bool> polling_while_open;
    s.dialogs->on_message = [&s, &polling_while_open](const ScriptedDialogs::Message &) {
        polling_while_open << s.window->session().poll_timer().isActive();
    };
    int made = 0;
    for (QChar c : polls) {
        if (!s.connected())
            break;
        s.poll(c == 'o' ? kLfQuiet : QByteArray());
        ++made;
    }
    QCOMPARE(made, polls.size());
    QCOMPARE(s.connected(), !lost);
    if (!lost) {
        QCOMPARE(s.dialogs->texts(), QStringList());
        QVERIFY(s.window->session().poll_timer().isActive());
        return;
    }
    s.run_for(20);  // no poll may follow the loss
    QCOMPARE(s.dialogs->texts(), QStringList{"Нет ответа от блока!"});
    QCOMPARE(s.dialogs->messages[0].title, QString("МИРВАЛ-В Визард"));
    QCOMPARE(polling_while_open, QList<bool>{false});
    QVERIFY(s.window->session().port() == nullptr);
    QCOMPARE(s.ui().state->text(), QString("  "));
    QCOMPARE(s.ui().searchButton->text(), QString("Старт"));
    QVERIFY(!s.window->session().poll_timer().isActive());
}

void TestStatusPoll::reconnection_counts_afresh()
{
    SimWindow s;
    s.session().link_settings().wait_index = 0;
    s.unit.state().set_modes({1, 1, 1, 1});
    s.press_start();
    QVERIFY(s.connected());
    // 19 polls missed: the next one the poll timer misses loses the unit,
    // which then answers again.
    s.session().poll_fail_count = 19;
    s.unit.faults().add("silence:1");
    QTRY_VERIFY_WITH_TIMEOUT(!s.connected(), 2000);
    QCOMPARE(s.dialogs->texts(), QStringList{"Нет ответа от блока!"});
    s.press_start();
    QVERIFY(s.connected());
    s.window->session().poll_timer().stop();
    s.unit.faults().add("silence:1");
    s.window->g_point();
    QVERIFY(s.connected());
    QCOMPARE(s.dialogs->texts().size(), 1);
    QCOMPARE(s.session().poll_fail_count, 1);
}

QTEST_MAIN(TestStatusPoll)
#include "tst_status_poll.moc"
