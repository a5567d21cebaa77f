// The window's one-button services against the simulated unit: presets,
// self-test and measurements, the unit's clock and its event log.
#include "proto.h"
#include "services/event_log.h"
#include "services/unit_time.h"
#include "sim_window.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <sys/resource.h>

namespace {

constexpr quint32 kUnitTime = 1767316028;  // 2026-01-02 01:07:08 UTC

// Scripted dialogs that also note every progress value set while it was not
// below the range's maximum, i.e. while the bar showed the work as done.
struct RangeWatch : ScriptedDialogs {
    struct Watched : ProgressDialog {
        std::unique_ptr<ProgressDialog> inner;
        int maximum;
        QList<int> *full;
        void show() override { inner->show(); }
        void setValue(int value) override
        {
            if (value >= maximum)
                *full << value;
            inner->setValue(value);
        }
        void setLabelText(const QString &text) override { inner->setLabelText(text); }
        void setMaximum(int m) override { inner->setMaximum(maximum = m); }
        bool wasCanceled() const override { return inner->wasCanceled(); }
        void close() override { inner->close(); }
    };
    std::unique_ptr<ProgressDialog> progress(const ProgressOptions &options) override
    {
        auto p = std::make_unique<Watched>();
        p->inner = ScriptedDialogs::progress(options);
        p->maximum = options.maximum;
        p->full = &full;
        return p;
    }
    QList<int> full;
};

// A window whose event-log viewer is handed to the test instead of running
// modally; short waits, collection "seconds" of 50 ms, all channels LF.
struct Rig : SimWindow {
    Rig()
        : SimWindow(1, QString(), [this](MainWindowServices &services) {
              dialogs = std::make_shared<RangeWatch>();
              services.dialogs = dialogs;
              services.timing.collect_second_ms = 50;
              services.show_viewer = [this](proto &viewer) {
                  ++viewers;
                  viewer_title = viewer.windowTitle();
                  const QListWidget *list = viewer.findChild<QListWidget *>("pr");
                  for (int row = 0; list && row < list->count(); ++row)
                      viewer_lines << list->item(row)->text();
              };
          })
    {
        watch = std::static_pointer_cast<RangeWatch>(dialogs);
        short_time_outs();
        unit.state().set_modes({1, 1, 1, 1});
    }
    // Connects and shows channel ch; the status poll is stopped.
    bool connect_on(int ch)
    {
        press_start();
        if (ch != 1)
            ui().chn->setCurrentIndex(ch - 1);
        window->session().poll_timer().stop();
        forget_requests();
        return connected() && window->model().current_channel == ch && dialogs->messages.isEmpty();
    }
    // Requests as hex ("01 2c 02 06"), status polls left out.
    QStringList sent()
    {
        QStringList out;
        for (const QByteArray &p : requests())
            if (p.size() < 2 || quint8(p[1]) != 0x0B)
                out << QString::fromLatin1(p.toHex(' '));
        return out;
    }
    void press(const char *button) { window->findChild<QPushButton *>(button)->released(); }
    std::shared_ptr<RangeWatch> watch;
    int viewers = 0;
    QString viewer_title;
    QStringList viewer_lines;
};

QString hex(std::initializer_list<int> bytes)
{
    QByteArray b;
    for (int v : bytes)
        b.append(char(v));
    return QString::fromLatin1(b.toHex(' '));
}

// What the read-back of LF channel ch of a 2.x unit asks, in order.
QStringList readback_of(int ch)
{
    QStringList r{hex({1, 0x20}), hex({1, 0x26})};
    for (int code : {0x11, 0x0F, 0x12, 0x13, 0x14, 0x15, 0x16, 0x1A})
        r << hex({1, code, ch});
    r << hex({1, 0x19}) << hex({1, 0x1C}) << hex({1, 0x10, ch}) << hex({1, 0x0E, ch});
    return r << hex({1, 0x18}) << hex({1, 0x04});
}

qint64 cpu_ms()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

}  // namespace

class TestUnitServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void preset_data();
    void preset();
    void one_request_buttons_data();
    void one_request_buttons();
    void collected_measurement_data();
    void collected_measurement();
    void collection_follows_the_wall_clock_data();
    void collection_follows_the_wall_clock();
    void set_time();
    void event_log_data();
    void event_log();
    void long_event_log();
};

void TestUnitServices::initTestCase()
{
    qputenv("TZ", "MSK-3");
    tzset();
}

void TestUnitServices::preset_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("shown");  // the list's index afterwards
    const QStringList six{hex({1, 0x2C, 2, 6})}, five{hex({1, 0x2C, 2, 5})};
    // The channel shows preset 5; Down picks "Рабица" as a user does.
    QTest::newRow("user pick: applied twice") << "key"
                                              << "" << (six + readback_of(2) + six + readback_of(2)) << 6;
    QTest::newRow("re-pick of the entry shown") << "activated"
                                                << "" << (five + readback_of(2)) << 5;
    QTest::newRow("index change only") << "index"
                                       << "" << (six + readback_of(2)) << 6;
    QTest::newRow("refused: previous preset sent again")
        << "index"
        << "refuse=0x2C:2" << (six + six + five + readback_of(2)) << 5;
    QTest::newRow("setters not armed") << "unarmed"
                                       << "" << QStringList() << 6;
}

void TestUnitServices::preset()
{
    QFETCH(QString, how);
    QFETCH(QString, fault);
    QFETCH(QStringList, sent);
    QFETCH(int, shown);
    Rig s;
    s.unit.state().channel(2).param(sim::ChannelParam::Preset) = 5;
    QVERIFY(s.connect_on(2));
    QCOMPARE(s.ui().pred->currentIndex(), 5);
    QVERIFY(fault.isEmpty() || s.unit.faults().add(fault));
    if (how == "unarmed")
        s.window->form_state().setters_armed = 0;
    if (how == "key" || how == "unarmed")
        QTest::keyClick(s.ui().pred, Qt::Key_Down);
    else if (how == "activated")
        emit s.ui().pred->activated(5);
    else
        s.ui().pred->setCurrentIndex(6);
    QCOMPARE(s.sent(), sent);
    QCOMPARE(s.ui().pred->currentIndex(), shown);
    if (how != "unarmed") {
        QCOMPARE(s.window->model().current().cur_pred, shown);
        QCOMPARE(int(s.unit.state().channel(2).param(sim::ChannelParam::Preset)), shown);
    }
    QCOMPARE(s.dialogs->texts(),
             fault.isEmpty() ? QStringList() : QStringList{"Параметр 'Предустановка' не установлен!"});
}

void TestUnitServices::one_request_buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<qint64>("value");  // unit time or level count; -1: not set
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("text");  // "now": DATE() of the PC; empty: no message
    QTest::addColumn<bool>("critical");
    const QString lost("Нет ответа от блока!");
    const QStringList test{hex({1, 0x03})}, level{hex({1, 0x1F, 3})}, clock{hex({1, 0x25})},
        clear{hex({1, 0x24})};
    QTest::newRow("self-test") << "DK" << -1ll << "" << test << "" << false;
    QTest::newRow("self-test refused")
        << "DK" << -1ll << "refuse=0x03" << test + test << "Команда 'Тест' не выполнена!" << true;
    QTest::newRow("level") << "YROVEN" << 1000ll << "" << level << "Уровень : 610.5 мВ" << false;
    QTest::newRow("level 0") << "YROVEN" << 0ll << "" << level << "Уровень : 0 мВ" << false;
    QTest::newRow("level refused") << "YROVEN" << -1ll << "refuse=0x1F" << level + level
                                   << "Команда 'Уровень' не выполнена!" << true;
    QTest::newRow("clock") << "getTime" << qint64(kUnitTime) << "" << clock << "26-01-02 04:07:08" << false;
    QTest::newRow("clock past 2038") << "getTime" << qint64(0x80000000u) << "" << clock << "38-01-19 06:14:08"
                                     << false;
    QTest::newRow("clock at 0 shows now") << "getTime" << 0ll << "" << clock << "now" << false;
    QTest::newRow("clock refused") << "getTime" << -1ll << "refuse=0x25" << clock + clock << lost << true;
    QTest::newRow("clear log") << "clearProtokol" << -1ll << "" << clear << "Протокол удален!" << false;
    QTest::newRow("clear log refused")
        << "clearProtokol" << -1ll << "refuse=0x24" << clear + clear << lost << true;
}

void TestUnitServices::one_request_buttons()
{
    QFETCH(QString, button);
    QFETCH(qint64, value);
    QFETCH(QString, fault);
    QFETCH(QStringList, sent);
    QFETCH(QString, text);
    QFETCH(bool, critical);
    Rig s;
    s.unit.state().fill_example_log(3, kUnitTime);
    for (int ch = 1; ch <= 4; ++ch)
        s.unit.state().channel(ch).level = ch == 3 && button == "YROVEN" ? quint16(value) : 7;
    QVERIFY(s.connect_on(3));
    QVERIFY(fault.isEmpty() || s.unit.faults().add(fault));
    if (button == "getTime" && value >= 0)
        s.unit.state().set_time(quint32(value), s.port()->now());
    const QString before = DATE();
    s.press(button.toLatin1());
    QCOMPARE(s.sent(), sent);
    if (text.isEmpty()) {
        QCOMPARE(s.dialogs->texts(), QStringList());
        QCOMPARE(s.unit.state().self_tests, 1);
        return;
    }
    QCOMPARE(s.dialogs->messages.size(), 1);
    const ScriptedDialogs::Message &m = s.dialogs->messages[0];
    if (text == "now")
        QVERIFY2(m.text == before || m.text == DATE(), qPrintable(m.text));
    else
        QCOMPARE(m.text, text);
    QCOMPARE(m.kind, critical ? MessageKind::Critical : MessageKind::Information);
    QCOMPARE(m.title, QString("МИРВАЛ-В Визард"));
    QCOMPARE(m.buttons, int(YesButton));
    if (button == "clearProtokol")
        QCOMPARE(s.unit.state().log.size(), critical ? 3 : 0);
}

void TestUnitServices::collected_measurement_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QList<int>>("values");  // empty: no progress dialog
    QTest::addColumn<QString>("text");
    const QString a_start = hex({1, 0x1D, 3}), a_result = hex({1, 0x1E, 3});
    const QString f_start = hex({1, 0x0C, 3}), f_result = hex({1, 0x0D, 3});
    const QList<int> ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, five{0, 1, 2, 3, 4, 5};
    QTest::newRow("amplitude") << "AMPL"
                               << "" << -1 << true << QStringList{a_start, a_result} << ten
                               << "Амплитуда : 610.5 мВ";
    QTest::newRow("frequency") << "pushButton"
                               << "" << -1 << true << QStringList{f_start, f_result} << five
                               << "Частота : 50 Гц";
    QTest::newRow("amplitude cancelled") << "AMPL"
                                         << "" << 3 << true << QStringList{a_start} << ten.mid(0, 4) << "";
    QTest::newRow("frequency cancelled at once")
        << "pushButton"
        << "" << 0 << true << QStringList{f_start} << five.mid(0, 1) << "";
    QTest::newRow("start refused") << "AMPL"
                                   << "refuse=0x1D" << -1 << true << QStringList{a_start, a_start}
                                   << QList<int>() << "Не удалось запустить процедуру измерения!";
    QTest::newRow("result refused") << "pushButton"
                                    << "refuse=0x0D" << -1 << true << QStringList{f_start, f_result, f_result}
                                    << five << "Не удалось получить результаты !";
    QTest::newRow("amplitude, setters not armed") << "AMPL"
                                                  << "" << -1 << false << QStringList() << QList<int>() << "";
    QTest::newRow("frequency, setters not armed") << "pushButton"
                                                  << "" << -1 << false << QStringList() << QList<int>() << "";
}

void TestUnitServices::collected_measurement()
{
    QFETCH(QString, button);
    QFETCH(QString, fault);
    QFETCH(int, cancel_at);
    QFETCH(bool, armed);
    QFETCH(QStringList, sent);
    QFETCH(QList<int>, values);
    QFETCH(QString, text);
    Rig s;
    for (int ch = 1; ch <= 4; ++ch) {
        s.unit.state().channel(ch).amplitude = ch == 3 ? 1000 : 7;
        s.unit.state().channel(ch).frequency = ch == 3 ? 5000 : 7;
    }
    QVERIFY(s.connect_on(3));
    QVERIFY(fault.isEmpty() || s.unit.faults().add(fault));
    s.dialogs->cancel_progress_at = cancel_at;
    s.window->form_state().setters_armed = armed ? 1 : 0;
    s.press(button.toLatin1());
    QCOMPARE(s.sent(), sent);
    QCOMPARE(s.dialogs->texts(), text.isEmpty() ? QStringList() : QStringList{text});
    if (!text.isEmpty()) {
        const bool ok = text.contains(':');
        QCOMPARE(s.dialogs->messages[0].kind, ok ? MessageKind::Information : MessageKind::Critical);
        QCOMPARE(s.dialogs->messages[0].title, QString("МИРВАЛ-В Визард"));
    }
    QCOMPARE(s.dialogs->progresses.size(), values.isEmpty() ? 0 : 1);
    if (values.isEmpty())
        return;
    const ScriptedDialogs::Progress &p = s.dialogs->progresses[0];
    QCOMPARE((QStringList{p.options.title, p.options.label, p.options.cancel_text}),
             (QStringList{"МИРВАЛ-В Визард", "Набор данных ...", "Отмена"}));
    QCOMPARE((QList<int>{p.options.minimum, p.options.maximum}), (QList<int>{0, button == "AMPL" ? 10 : 6}));
    QCOMPARE(p.values, values);
    QVERIFY(p.shown && p.closed);
}

void TestUnitServices::collection_follows_the_wall_clock_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("second_ms");
    QTest::newRow("amplitude, 10 x 80 ms") << "AMPL" << 10 << 80;
    QTest::newRow("frequency, 5 x 200 ms") << "pushButton" << 5 << 200;
    QTest::newRow("amplitude, real seconds") << "AMPL" << 10 << 1000;
}

void TestUnitServices::collection_follows_the_wall_clock()
{
    QFETCH(QString, button);
    QFETCH(int, seconds);
    QFETCH(int, second_ms);
    Rig s;
    QVERIFY(s.connect_on(1));
    s.timing().collect_second_ms = second_ms;
    // The collection counts whole seconds of the clock: the first one is
    // partly gone when it starts.
    QElapsedTimer wall;
    const qint64 cpu_before = cpu_ms();
    wall.start();
    s.press(button.toLatin1());
    const qint64 elapsed = wall.elapsed();
    const qint64 cpu = cpu_ms() - cpu_before;
    QCOMPARE(s.dialogs->messages.size(), 1);
    QVERIFY2(elapsed >= (seconds - 1) * second_ms && elapsed <= seconds * second_ms + 60,
             qPrintable(QString::number(elapsed)));
    qInfo("collection: %lld ms wall, %lld ms CPU", elapsed, cpu);
    QVERIFY2(cpu * 5 < elapsed, qPrintable(QString("%1 ms CPU in %2 ms").arg(cpu).arg(elapsed)));
}

void TestUnitServices::set_time()
{
    Rig s;
    QVERIFY(s.connect_on(1));
    s.unit.state().set_time(kUnitTime, s.port()->now());
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    s.press("setTime");
    QCOMPARE(s.dialogs->texts(), QStringList{"Текущее время установлено !"});
    QCOMPARE(s.dialogs->messages[0].kind, MessageKind::Information);
    const QList<QByteArray> r = s.requests();
    QCOMPARE(r.size(), 1);
    QCOMPARE(r[0].size(), 6);
    QCOMPARE(r[0].left(2), QByteArray("\x01\x3e"));
    const qint64 sent = qint64(unit_time_from(r[0], 2));
    QVERIFY2(qAbs(sent - now) <= 2, qPrintable(QString::number(sent - now)));
    QVERIFY(qAbs(qint64(s.unit.state().time_at(s.port()->now())) - now) <= 2);

    s.unit.faults().add("refuse=0x3E");
    s.press("setTime");
    QCOMPARE(s.dialogs->texts().mid(1), QStringList{"Нет ответа от блока!"});
    QCOMPARE(s.dialogs->messages[1].kind, MessageKind::Critical);
}

void TestUnitServices::event_log_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<bool>("shown");
    QTest::newRow("three records") << 3 << -1 << "" << 4 << QList<int>{1, 2, 3, 4} << true;
    QTest::newRow("empty log") << 0 << -1 << "" << 1 << QList<int>{1} << true;
    QTest::newRow("cancelled") << 5 << 2 << "" << 2 << QList<int>{1, 2} << false;
    QTest::newRow("unit falls silent") << 5 << -1 << "silent-after=3" << 5 << QList<int>{1, 2, 3} << false;
}

void TestUnitServices::event_log()
{
    QFETCH(int, records);
    QFETCH(int, cancel_at);
    QFETCH(QString, fault);
    QFETCH(int, sent);
    QFETCH(QList<int>, values);
    QFETCH(bool, shown);
    Rig s;
    s.unit.state().fill_example_log(records, kUnitTime);
    QVERIFY(s.connect_on(1));
    // silent-after counts the requests from its addition on.
    QVERIFY(fault.isEmpty() || s.unit.faults().add(fault));
    s.dialogs->cancel_progress_at = cancel_at;
    QList<bool> locked_while_open;
    s.dialogs->on_message = [&s, &locked_while_open](const ScriptedDialogs::Message &) {
        locked_while_open << !s.ui().getProtokol->isEnabled();
    };
    s.press("getProtokol");
    QCOMPARE(s.sent(), QStringList(sent, hex({1, 0x23})));
    QCOMPARE(s.viewers, shown ? 1 : 0);
    if (shown) {
        QStringList expected;
        for (const sim::LogRecord &r : s.unit.state().log) {
            LogRecord record;
            record.time = r.time;
            for (int k = 0; k < 4; ++k)
                record.flags[k] = r.flags[k];
            expected << log_lines(record);
        }
        QCOMPARE(s.viewer_lines, expected);
        QCOMPARE(s.viewer_title, QString("МИРВАЛ-В Визард"));
    }
    QCOMPARE(s.dialogs->texts(), fault.isEmpty() ? QStringList() : QStringList{"Нет ответа от блока!"});
    QCOMPARE(locked_while_open, fault.isEmpty() ? QList<bool>() : QList<bool>{true});
    QCOMPARE(s.dialogs->progresses.size(), 1);
    const ScriptedDialogs::Progress &p = s.dialogs->progresses[0];
    QCOMPARE((QStringList{p.options.title, p.options.label, p.options.cancel_text}),
             (QStringList{"МИРВАЛ-В Визард", "Чтение протокола ...", "Отмена"}));
    QCOMPARE((QList<int>{p.options.minimum, p.options.maximum}), (QList<int>{0, 500}));
    QCOMPARE(p.values, values);
    QVERIFY(p.shown && p.closed);

    // The window is usable again.
    QCOMPARE(s.window->form_state().controls_frozen, 0);
    QVERIFY(s.ui().getProtokol->isEnabled() && s.ui().porog->isEnabled() && s.ui().chn->isEnabled());
    s.unit.faults().clear();
    s.forget_requests();
    const int threshold = s.ui().porog->currentIndex() == 3 ? 4 : 3;
    s.ui().porog->setCurrentIndex(threshold);
    QCOMPARE(s.sent(), QStringList{hex({1, 0x2F, 1, threshold})});
    QCOMPARE(s.window->model().current().cur_porog, threshold);
    QCOMPARE(s.dialogs->messages.size(), fault.isEmpty() ? 0 : 1);
}

void TestUnitServices::long_event_log()
{
    Rig s;
    s.session().link_settings().speed_index = 5;  // 115200 baud
    s.unit.state().fill_example_log(600, kUnitTime);
    QVERIFY(s.connect_on(1));
    s.press("getProtokol");
    QCOMPARE(s.viewers, 1);
    QCOMPARE(s.viewer_lines.size(), 2400);
    const ScriptedDialogs::Progress &p = s.dialogs->progresses[0];
    QCOMPARE(p.maximums, QList<int>{1000});
    QCOMPARE(p.values.size(), 601);
    QCOMPARE(p.values.last(), 601);
    // The bar moves on and never shows the reading as finished.
    QCOMPARE(s.watch->full, QList<int>());
}

QTEST_MAIN(TestUnitServices)
#include "tst_unit_services.moc"
