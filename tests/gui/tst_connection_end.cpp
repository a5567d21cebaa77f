// A connection that ends while an operation is under way: twenty unanswered
// polls, a pulled adapter, or "Стоп". The operation ends with it, tells
// nothing more, sends nothing more, and the window ends as "Стоп" leaves it.
#include "../firmware/hex_image.h"
#include "sim_window.h"

#include <QTemporaryDir>

namespace {

enum class Op { Setter, Mode, Preset, LogRead, ConfigRead, Amplitude };
enum class End { PollLoss, Pulled, Stop, StopSilent };

const QString kNoAnswer = QStringLiteral("Нет ответа от блока!");

QString failure_of(Op op)
{
    switch (op) {
    case Op::Setter:
        return QStringLiteral("Параметр 'Порог' не установлен!");
    case Op::Mode:
        return QStringLiteral("Не изменен режим работы канала!...");
    case Op::Preset:
        return QStringLiteral("Параметр 'Предустановка' не установлен!");
    case Op::LogRead:
    case Op::ConfigRead:
        return kNoAnswer;
    case Op::Amplitude:
        return QStringLiteral("Не удалось запустить процедуру измерения!");
    }
    return QString();
}

// A list's change that is rolled back re-sends the old value while the line
// is good, which fails again.
bool rolls_back(Op op)
{
    return op == Op::Setter || op == Op::Mode || op == Op::Preset;
}

struct Rig : SimWindow {
    Rig()
    {
        short_time_outs();
        timing().collect_second_ms = 20;
        unit.state().set_modes({1, 1, 1, 1});
        unit.state().fill_example_log(5, 1767316028);
        press_start();
    }
    void run(Op op)
    {
        const Ui::MainWindow &u = ui();
        switch (op) {
        case Op::Setter:
            u.porog->setCurrentIndex((u.porog->currentIndex() + 3) % u.porog->count());
            break;
        case Op::Mode:
            u.onoff->setCurrentIndex(2);
            break;
        case Op::Preset:
            u.pred->setCurrentIndex((u.pred->currentIndex() + 1) % u.pred->count());
            break;
        case Op::LogRead:
            window->on_getProtokol_released();
            break;
        case Op::ConfigRead:
            window->on_saveCfg_released();  // the file dialog is cancelled
            break;
        case Op::Amplitude:
            window->ampl();
            break;
        }
    }
    QStringList locked_but_enabled()
    {
        QStringList out;
        for (int c = 0; c < lock_rule::ControlCount; ++c) {
            const char *name = lock_rule::object_name(lock_rule::Control(c));
            if (window->findChild<QWidget *>(name)->isEnabled())
                out << name;
        }
        return out;
    }
};

}  // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(End)

class TestConnectionEnd : public QObject {
    Q_OBJECT
private slots:
    void ends_under_an_operation_data();
    void ends_under_an_operation();
    void silent_unit_greys_the_state();
    void firmware_question_outlives_the_connection();
};

void TestConnectionEnd::ends_under_an_operation_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<End>("end");
    const std::pair<Op, const char *> ops[] = {{Op::Setter, "setter"},
                                               {Op::Mode, "mode change"},
                                               {Op::Preset, "preset"},
                                               {Op::LogRead, "log read"},
                                               {Op::ConfigRead, "configuration read"},
                                               {Op::Amplitude, "amplitude"}};
    const std::pair<End, const char *> ends[] = {{End::PollLoss, "twenty polls unanswered"},
                                                 {End::Pulled, "adapter pulled"},
                                                 {End::Stop, "Стоп"},
                                                 {End::StopSilent, "Стоп, unit silent"}};
    for (const auto &[op, op_name] : ops)
        for (const auto &[end, end_name] : ends)
            QTest::addRow("%s, %s", op_name, end_name) << op << end;
}

void TestConnectionEnd::ends_under_an_operation()
{
    QFETCH(Op, op);
    QFETCH(End, end);
    Rig s;
    QVERIFY(s.connected());
    s.forget_requests();

    // Every message stays open a while, as a user reads it; the poll runs
    // meanwhile. The op's failure waits for the unit to be given up.
    int heard_at_last_message = -1;
    s.dialogs->on_message = [&](const ScriptedDialogs::Message &m) {
        if (end == End::PollLoss && m.text == failure_of(op) && s.dialogs->messages.size() == 1)
            (void)QTest::qWaitFor([&] { return !s.connected(); }, 3000);
        else
            QTest::qWait(60);
        heard_at_last_message = int(s.requests().size());
    };
    if (end == End::PollLoss || end == End::StopSilent)
        s.unit.faults().add("silence");
    if (end == End::Pulled)
        QTimer::singleShot(3, s.window.get(), [&s] { s.port()->vanish(); });
    if (end == End::Stop || end == End::StopSilent)
        QTimer::singleShot(3, s.window.get(), [&s] { s.press_start(); });

    s.run(op);
    if (end == End::Stop || end == End::StopSilent) {
        // The press waited for the whole operation, not only for the
        // exchange it came in.
        QVERIFY(s.connected());
    }
    QTRY_VERIFY_WITH_TIMEOUT(!s.connected(), 3000);
    s.run_for(50);

    QStringList expected;
    switch (end) {
    case End::PollLoss:
        expected << failure_of(op) << kNoAnswer;
        break;
    case End::Pulled:
        expected << kNoAnswer;
        break;
    case End::Stop:
        if (op == Op::Amplitude)
            expected << s.dialogs->texts().value(0);
        break;
    case End::StopSilent:
        expected << failure_of(op);
        if (rolls_back(op))
            expected << failure_of(op);
        break;
    }
    QCOMPARE(s.dialogs->texts(), expected);
    if (end == End::Stop) {
        if (op == Op::Amplitude)
            QVERIFY(expected[0].startsWith(QStringLiteral("Амплитуда : ")));
        if (op == Op::LogRead)
            QCOMPARE(s.viewers_shown, 1);  // read to its end first
    }
    if (end == End::PollLoss || end == End::Pulled)
        QCOMPARE(int(s.requests().size()), heard_at_last_message);  // nothing sent after the loss

    // As after "Стоп".
    QCOMPARE(s.ui().searchButton->text(), QString("Старт"));
    QCOMPARE(s.ui().state->text(), QString("  "));
    QCOMPARE(s.locked_but_enabled(), QStringList());
    QVERIFY(s.ui().searchButton->isEnabled());
    QVERIFY(s.ui().addres->isEnabled());
    QVERIFY(s.ui().pushButton_2->isEnabled());
    QVERIFY(!s.window->session().poll_timer().isActive());
    QVERIFY(s.window->session().port() == nullptr);
    QCOMPARE(s.window->form_state().controls_frozen, 0);
    QCOMPARE(s.session().exchange().exchange_busy, 0);
    s.forget_requests();
    s.run_for(50);
    QCOMPARE(s.requests(), QList<QByteArray>());

    // And behaves so: a good line connects again, and the form shows the unit.
    s.unit.faults().clear();
    s.dialogs->on_message = nullptr;
    s.press_start();
    QVERIFY(s.connected());
    QCOMPARE(s.ui().porog->currentIndex(),
             int(s.unit.state().channel(1).param(sim::ChannelParam::Threshold)));
    QCOMPARE(s.ui().onoff->currentIndex(), int(s.unit.state().channel(1).mode));
    QCOMPARE(s.dialogs->texts(), expected);
}

// Three polls in a row without an answer: the state shown no longer holds.
// The next answer paints the state again, although it did not change.
void TestConnectionEnd::silent_unit_greys_the_state()
{
    Rig s;
    QVERIFY(s.connected());
    QCOMPARE(s.ui().state->text(), QString("Норма"));
    s.window->session().poll_timer().stop();
    s.unit.faults().add("silence:3");
    s.window->g_point();
    s.window->g_point();
    QCOMPARE(s.ui().state->text(), QString("Норма"));
    s.window->g_point();
    QCOMPARE(s.ui().state->text(), QString("  "));
    QCOMPARE(s.ui().state->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    s.window->g_point();
    QCOMPARE(s.ui().state->text(), QString("Норма"));
    QCOMPARE(s.ui().state->palette().color(QPalette::Window), QColor(0, 0xFF, 0));
    QVERIFY(s.connected());
    QCOMPARE(s.dialogs->texts(), QStringList());
}

// The connection ends while "Вы действительно хотите сменить прошивку?" is
// open: answering it starts nothing on the port that has gone.
void TestConnectionEnd::firmware_question_outlives_the_connection()
{
    Rig s;
    QVERIFY(s.connected());
    QTemporaryDir dir;
    const QString hex = dir.filePath("image.hex");
    QFile f(hex);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(hex_image::lines(8).join("\r\n").toLatin1() + "\r\n");
    f.close();
    s.dialogs->file_names << hex;
    s.unit.faults().add("silence");
    s.dialogs->on_message = [&s](const ScriptedDialogs::Message &m) {
        if (m.buttons & NoButtonAnswer)
            (void)QTest::qWaitFor([&s] { return !s.connected(); }, 3000);
    };
    s.forget_requests();
    s.window->on_progButton_released();
    QCOMPARE(s.dialogs->texts(), (QStringList{"Вы действительно хотите сменить прошивку?", kNoAnswer}));
    for (const QByteArray &p : s.requests())
        QCOMPARE(p.size() > 1 ? quint8(p[1]) : 0, quint8(0x0B));  // unanswered polls, nothing else
    QCOMPARE(s.locked_but_enabled(), QStringList());
    QVERIFY(s.ui().searchButton->isEnabled());
}

QTEST_MAIN(TestConnectionEnd)
#include "tst_connection_end.moc"
