// The thirteen parameter lists against a simulated unit: one list change is
// one set request; a change the unit refuses is told and rolled back.
#include "services/change_journal.h"
#include "sim_window.h"

using namespace parameters;

namespace {

// Where each parameter lives, independently of the window's own table.
using CP = sim::ChannelParam;
using UP = sim::UnitParam;
struct Setter {
    QComboBox *Ui_MainWindow::*list;
    int mode;     // channel mode in which the list is enabled
    int in_unit;  // the unit keeps it: per channel (-1) or unit-wide (UnitParam)
    CP per_channel;
};
using W = Ui_MainWindow;
const Setter kSetters[ParameterCount] = {
    {&W::porog, 1, -1, CP::Threshold},
    {&W::usilenie, 1, -1, CP::Gain},
    {&W::arp, 1, -1, CP::Arp},
    {&W::impuls, 1, -1, CP::Impulse},
    {&W::pause, 1, -1, CP::Pause},
    {&W::okno, 1, -1, CP::Window},
    {&W::schet, 1, -1, CP::Count},
    {&W::trevoga, 1, -1, CP::AlarmTime},
    {&W::zad, 1, int(UP::Delay), CP::Threshold},
    {&W::block, 1, int(UP::Blocking), CP::Threshold},
    {&W::reject, 1, -1, CP::Reject},
    {&W::porog_perepil, 2, -1, CP::CutThreshold},
    {&W::time_perepil, 2, -1, CP::CutTime},
};

// The code the unit keeps for parameter id of channel; a unit of major
// version 0 keeps one alarm time.
int stored(const sim::UnitState &u, ParameterId id, int channel)
{
    if (id == Trevoga && u.effective_major() == 0)
        return u.param(UP::AlarmTime);
    const Setter &p = kSetters[id];
    return p.in_unit >= 0 ? u.param(UP(p.in_unit)) : u.channel(channel).param(p.per_channel);
}

QComboBox *list_of(SimWindow &s, ParameterId id)
{
    return s.ui().*kSetters[id].list;
}

// Connects to the unit showing channel, which runs in mode; major < 0: a unit
// without get_version. Waits are shortened further so that refusals are cheap.
void connect_to(SimWindow &s, int channel, int mode, int major = 2)
{
    std::array<quint8, 4> modes{1, 1, 1, 1};
    modes[channel - 1] = quint8(mode);
    s.unit.state().set_modes(modes);
    s.unit.state().has_version = major >= 0;
    s.unit.state().version_major = quint8(qMax(major, 0));
    s.window->form_state().setters_armed = 0;
    s.ui().chn->setCurrentIndex(channel - 1);
    s.press_start();
    QVERIFY(s.connected());
    s.window->session().poll_timer().stop();
    s.short_time_outs();
    s.forget_requests();
}

}  // namespace

class TestSetters : public QObject {
    Q_OBJECT
private slots:
    void change_data();
    void change();
    void disarmed_lists_send_nothing();
    void undo_takes_back_the_last_confirmed_change();
};

void TestSetters::change_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("major");  // -1: a unit without get_version
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("resend_refused");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, ParameterId id, int address, int channel, int major, int index,
                        const char *payload, bool resend_refused, const char *message) {
        QTest::newRow(name) << int(id) << address << channel << major << index << QByteArray::fromHex(payload)
                            << resend_refused << QString::fromUtf8(message);
    };
    row("porog", Porog, 7, 2, 2, 13, "072f020d", false, "Параметр 'Порог' не установлен!");
    row("usilenie", Usilenie, 1, 4, 2, 7, "012d0408", true, "Параметр 'Усиление' не установлен!");
    row("arp", Arp, 1, 3, 2, 5, "01300305", false, "Параметр 'АРП' не установлен!");
    row("impuls", Impuls, 0x22, 1, 2, 12, "2231010e", true, "Параметр 'Импульс' не установлен!");
    row("pause", Pauza, 1, 2, 2, 0, "01320201", false, "Параметр 'Пауза' не установлен!");
    row("okno", Okno, 9, 4, 2, 11, "0933040b", true, "Параметр 'Окно' не установлен!");
    row("schet", Schet, 1, 3, 2, 9, "0134030a", false, "Параметр 'Счет' не становлен!");
    row("trevoga v2", Trevoga, 1, 2, 2, 1, "013f0202", true, "Параметр 'Тревога' не установлен!");
    row("trevoga v1", Trevoga, 3, 4, 1, 4, "033f0405", false, "Параметр 'Тревога' не установлен!");
    row("trevoga v0 is unit-wide", Trevoga, 1, 2, -1, 1, "013502", true, "Параметр 'Тревога' не установлен!");
    row("zad", Zaderzhka, 5, 3, 2, 11, "05370d", false, "Параметр 'Задержка' не установлен!");
    row("block", Blokirovka, 1, 2, 2, 0, "013a01", true, "Параметр 'Блокировка' не установлен!");
    row("reject", Rezhektsiya, 4, 2, 2, 16, "042e0210", false, "Параметр 'Режекция' не установлен!");
    row("porog_perepil", PerepilPorog, 1, 3, 2, 13, "013c030d", true,
        "Параметр 'Перепил: Порог' не установлен!");
    row("time_perepil", PerepilVremj, 6, 4, 2, 7, "063d0407", false,
        "Параметр 'Перепил: Превышение' не установлен!");
}

// A change to index is sent and confirmed; a change to another entry that the
// unit refuses brings the list back to index, which is sent again.
void TestSetters::change()
{
    QFETCH(int, id);
    QFETCH(int, address);
    QFETCH(int, channel);
    QFETCH(int, major);
    QFETCH(int, index);
    QFETCH(QByteArray, payload);
    QFETCH(bool, resend_refused);
    QFETCH(QString, message);
    const auto pid = ParameterId(id);
    QFile::remove(journal::ChangeJournal::default_path());
    SimWindow s{quint8(address)};
    connect_to(s, channel, kSetters[id].mode, major);
    if (QTest::currentTestFailed())
        return;
    QComboBox *list = list_of(s, pid);
    QVERIFY(list->isEnabled());
    QVERIFY(list->currentIndex() != index);
    QCOMPARE(s.model().confirmed(ParameterId(id), s.model().current_channel), list->currentIndex());

    list->setCurrentIndex(index);
    QCOMPARE(s.requests(), QList<QByteArray>{payload});
    QCOMPARE(stored(s.unit.state(), pid, channel), int(quint8(payload.back())));
    QCOMPARE(s.model().confirmed(ParameterId(id), s.model().current_channel), index);
    QCOMPARE(s.dialogs->texts(), QStringList());

    s.forget_requests();
    const int other = index == 0 ? 1 : 0;
    QByteArray refused = payload;
    refused.back() = char(payload.back() - index + other);
    const QString fault = QStringLiteral("refuse=0x%1").arg(quint8(payload[1]), 2, 16, QLatin1Char('0'));
    QVERIFY(s.unit.faults().add(
        resend_refused ? fault : fault + QStringLiteral(":%1").arg(s.session().link_settings().MREP())));
    list->setCurrentIndex(other);

    QCOMPARE(s.requests(),
             QList<QByteArray>(s.session().link_settings().MREP(), refused) +
                 QList<QByteArray>(resend_refused ? s.session().link_settings().MREP() : 1, payload));
    QCOMPARE(list->currentIndex(), index);
    QCOMPARE(s.model().confirmed(ParameterId(id), s.model().current_channel), index);
    QCOMPARE(stored(s.unit.state(), pid, channel), int(quint8(payload.back())));
    QCOMPARE(s.dialogs->texts(), QStringList(resend_refused ? 2 : 1, message));
    const ScriptedDialogs::Message &m = s.dialogs->messages.first();
    QCOMPARE(m.kind, MessageKind::Critical);
    QCOMPARE(m.title, QString("МИРВАЛ-В Визард"));
    QCOMPARE(m.buttons, int(YesButton));

    // Every request that changes the unit is journalled with its result.
    const QList<journal::Entry> entries = journal::ChangeJournal().read();
    QStringList results;
    for (const journal::Entry &e : entries)
        results << journal::result_key(e.result);
    QCOMPARE(results, (QStringList{"confirmed", "no answer", resend_refused ? "no answer" : "confirmed"}));
    QCOMPARE(entries[0].address, address);
    QCOMPARE(entries[0].port, QString("ttySIM0"));
    QCOMPARE(entries[0].new_value.code, std::optional<qint64>(quint8(payload.back())));
    QCOMPARE(entries[1].old_value.code, entries[0].new_value.code);
}

// While the settings are read back the lists are filled without a request;
// no list of the window may send then.
void TestSetters::disarmed_lists_send_nothing()
{
    SimWindow s;
    connect_to(s, 1, 1);
    QVERIFY(!QTest::currentTestFailed());
    int before[ParameterCount];
    for (int id = 0; id < ParameterCount; ++id)
        before[id] = s.model().confirmed(ParameterId(id), s.model().current_channel);
    s.window->form_state().setters_armed = 0;
    const QList<QComboBox *> lists = s.window->findChildren<QComboBox *>();
    QVERIFY(lists.size() > ParameterCount);
    for (QComboBox *list : lists)
        if (list != s.ui().comPortComboBox)
            list->setCurrentIndex(list->currentIndex() == list->count() - 1 ? 0 : list->count() - 1);
    QCOMPARE(s.requests(), QList<QByteArray>());
    QCOMPARE(int(s.window->model().cross_mask), 0);
    for (int id = 0; id < ParameterCount; ++id)
        QCOMPARE(s.model().confirmed(ParameterId(id), s.model().current_channel), before[id]);
    QCOMPARE(s.dialogs->texts(), QStringList());
}

// Ctrl+Z after a threshold change on channel 3 and a refused change on
// channel 1: the form goes back to channel 3 and sends the old threshold,
// journalled; nothing is left to take back but that change itself.
void TestSetters::undo_takes_back_the_last_confirmed_change()
{
    QFile::remove(journal::ChangeJournal::default_path());
    SimWindow s;
    connect_to(s, 3, 1);
    QVERIFY(!QTest::currentTestFailed());
    const int before = s.unit.state().channel(3).param(CP::Threshold);
    s.ui().porog->setCurrentIndex(before == 9 ? 8 : 9);
    s.ui().chn->setCurrentIndex(0);
    QVERIFY(s.unit.faults().add(QStringLiteral("refuse=0x30:%1").arg(s.session().link_settings().MREP())));
    s.ui().arp->setCurrentIndex(s.ui().arp->currentIndex() == 0 ? 1 : 0);
    QCOMPARE(s.dialogs->texts().size(), 1);
    s.forget_requests();

    s.window->show();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    QTest::keyClick(s.window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s.model().current_channel, 3);
    QCOMPARE(s.ui().porog->currentIndex(), before);
    QCOMPARE(s.unit.state().channel(3).param(CP::Threshold), before);
    QCOMPARE(s.requests().last(), parameters::set_payload(Porog, 1, 3, before, 2));
    const journal::Entry last = journal::ChangeJournal().read().last();
    QCOMPARE(last.new_value.code, std::optional<qint64>(before));
    QCOMPARE(journal::result_key(last.result), QString("confirmed"));

    // The journal's table shows this unit's lines, newest first.
    s.window->show_journal();
    QCOMPARE(s.dialogs->tables.last().rows.first().last(), QString("подтверждено"));
    QVERIFY(s.dialogs->tables.last().rows.size() >= 3);
}

QTEST_MAIN(TestSetters)
#include "tst_setters.moc"
