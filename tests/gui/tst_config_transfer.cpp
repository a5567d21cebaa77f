// Saving the unit's configuration to a file and loading a file into the unit
// from the window: the dialogs, the file, what the unit ends up holding.
#include "config/config_file.h"
#include "sim_window.h"

namespace {

using CP = sim::ChannelParam;
using UP = sim::UnitParam;
using Kind = ScriptedDialogs::FileDialogKind;

struct Sim : SimWindow {
    Sim() { short_time_outs(); }
    void connect_with(const QList<int> &m)
    {
        unit.state().set_modes({quint8(m[0]), quint8(m[1]), quint8(m[2]), quint8(m[3])});
        press_start();
        QVERIFY(connected());
        forget_requests();
    }
    QStringList sent()
    {
        QStringList out;
        for (const QByteArray &p : requests())
            out << QString::fromLatin1(p.toHex(' '));
        return out;
    }
    QList<int> modes() const
    {
        const signed char *m = window->model().channel_mode;
        return {m[1], m[2], m[3], m[4]};
    }
    // The state after an operation has ended: nothing held back any more.
    void verify_released(bool channel_on)
    {
        QVERIFY(ui().chn->isEnabled() && ui().onoff->isEnabled());
        QCOMPARE(ui().saveCfg->isEnabled(), channel_on);
        QCOMPARE(window->form_state().controls_frozen, 0);
        QCOMPARE(window->form_state().setters_armed, 1);
        QCOMPARE(window->session().poll_timer().isActive(), channel_on);
    }
    // Title of the one message shown, an information with OK; otherwise all texts shown.
    QString info_title() const
    {
        const QList<ScriptedDialogs::Message> &m = dialogs->messages;
        if (m.size() != 1 || m[0].kind != MessageKind::Information || m[0].buttons != OkButton)
            return "not one information: " + dialogs->texts().join('|');
        return m[0].title;
    }
};

// Distinct in-range codes for every value of the unit.
void fill(sim::UnitState &u, int seed, quint8 kross)
{
    for (int n = 1; n <= 4; ++n)
        for (int p = 0; p < sim::kChannelParamCount; ++p) {
            const sim::ParamInfo &i = sim::channel_param_info(CP(p));
            u.channel(n).params[p] = quint8(i.min + (seed + 3 * n + p) % (i.max - i.min + 1));
        }
    u.param(UP::Cross) = kross;
    u.param(UP::Delay) = quint8(2 + seed % 12);
    u.param(UP::Blocking) = quint8(1 + seed % 10);
}

// The unit's value behind each field of a channel's record after regim, in
// field order; the first eight serve both modes, then two LF and two HF ones.
const CP kFieldParams[] = {CP::Threshold, CP::Gain,   CP::Arp,          CP::Pause,
                           CP::Impulse,   CP::Window, CP::Count,        CP::AlarmTime,
                           CP::Preset,    CP::Reject, CP::CutThreshold, CP::CutTime};

QList<int> codes(const UnitConfig &c)
{
    QList<int> out;
    for (const ChannelSettings &s : c.channels)
        out << s.regim << s.porog << s.usilenie << s.arp << s.pauza << s.impuls << s.okno << s.schet
            << s.trevoga << s.predustanovka << s.rezhektsiya << s.perepil_porog << s.perepil_vremj;
    return out << c.kross << c.zaderzhka << c.blokirovka;
}

// What a file of the unit holds, as codes() lists it: every channel's mode
// and the values its mode uses (others 0), then the unit-wide values.
QList<int> held(const sim::UnitState &u)
{
    QList<int> out;
    for (const sim::ChannelState &c : u.channels) {
        out << c.mode;
        for (int i = 0; i < 12; ++i) {
            const bool used = c.mode != sim::kModeOff && (i < 8 || (i < 10) == (c.mode == sim::kModeLf));
            out << (used ? c.param(kFieldParams[i]) : 0);
        }
    }
    return out << u.param(UP::Cross) << u.param(UP::Delay) << u.param(UP::Blocking);
}

QString req(std::initializer_list<int> bytes)
{
    QByteArray p;
    for (int b : bytes)
        p.append(char(b));
    return QString::fromLatin1(p.toHex(' '));
}

// The read-back of channel 1 of unit 1 (firmware 2.5) in mode.
QStringList readback_of_first(int mode)
{
    QStringList r{req({1, 0x20}), req({1, 0x26})};
    for (int code : {0x11, 0x0F, 0x12, 0x13, 0x14, 0x15, 0x16, 0x1A})
        r << req({1, code, 1});
    r << req({1, 0x19}) << req({1, 0x1C});
    if (mode == 1)
        r << req({1, 0x10, 1}) << req({1, 0x0E, 1});
    r << req({1, 0x18});
    if (mode == 2)
        r << req({1, 0x21}) << req({1, 0x22});
    return r << req({1, 0x04});
}

}  // namespace

class TestConfigTransfer : public QObject {
    Q_OBJECT
private slots:
    void no_address_data();
    void no_address();
    void save_data();
    void save();
    void load_restores_a_saved_unit_data();
    void load_restores_a_saved_unit();
    void load_refused_data();
    void load_refused();
    void transfer_fails_data();
    void transfer_fails();
    void dialogs_start_where_the_user_last_was();
};

void TestConfigTransfer::no_address_data()
{
    QTest::addColumn<bool>("load");
    QTest::newRow("save") << false;
    QTest::newRow("load") << true;
}

void TestConfigTransfer::no_address()
{
    QFETCH(bool, load);
    Sim s;
    s.dialogs->file_names << QDir::temp().filePath("mirval never.cfg");
    load ? s.window->on_loadCfg_released() : s.window->on_saveCfg_released();
    QCOMPARE(s.info_title(), QString("Ошибка адреса"));
    QCOMPARE(s.dialogs->messages[0].text, QString("Не установлен адрес блока!"));
    QCOMPARE(s.sent(), QStringList());
    QVERIFY(s.dialogs->file_dialogs.isEmpty());
    QVERIFY(s.dialogs->progresses.isEmpty());
}

void TestConfigTransfer::save_data()
{
    QTest::addColumn<QString>("name");   // in a temporary directory; empty: the dialog is cancelled
    QTest::addColumn<QString>("title");  // of the message; empty: none
    QTest::newRow("written") << "mirval saved.cfg"
                             << "";
    QTest::newRow("dialog cancelled") << ""
                                      << "";
    QTest::newRow("no such directory") << "missing/mirval 1.cfg"
                                       << "Невозможно открыть файл !";
}

void TestConfigTransfer::save()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    Sim s;
    fill(s.unit.state(), 5, 0x21);
    s.connect_with({1, 2, 0, 1});
    QTemporaryDir dir;
    if (!name.isEmpty())
        s.dialogs->file_names << dir.filePath(name);
    s.window->on_saveCfg_released();
    QCOMPARE(s.sent().last(), req({1, 0x1C}));  // the unit was read to the end

    QCOMPARE(s.dialogs->progresses.size(), 1);
    const ScriptedDialogs::Progress &p = s.dialogs->progresses[0];
    QCOMPARE((QStringList{p.options.title, p.options.label, p.options.cancel_text}),
             (QStringList{"МИРВАЛ-В Визард", "Считывание конфигурации блока ...", "Отмена"}));
    QCOMPARE((QList<int>{p.options.minimum, p.options.maximum}), (QList<int>{0, 60}));
    QVERIFY(p.shown && p.closed && !p.values.isEmpty());
    QVERIFY(std::is_sorted(p.values.begin(), p.values.end()) && p.values.last() <= 60);

    QCOMPARE(s.dialogs->file_dialogs.size(), 1);
    const ScriptedDialogs::FileDialog &f = s.dialogs->file_dialogs[0];
    QCOMPARE(f.kind, Kind::Save);
    QCOMPARE((QStringList{f.title, f.filter}),
             (QStringList{"Сохранить конфигурацию", "Файлы конфигурации(mirval*.cfg)"}));
    // The proposed name, in the current directory.
    QCOMPARE(QFileInfo(f.directory).absolutePath(), QDir::currentPath());
    const QString proposed_name = QFileInfo(f.directory).fileName();
    static const QRegularExpression kName("^mirval 1 \\d\\d-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.cfg$");
    QVERIFY2(kName.match(proposed_name).hasMatch(), qPrintable(f.directory));
    const QDateTime proposed =
        QDateTime::fromString(proposed_name.mid(9, 17), "yy-MM-dd HH-mm-ss").addYears(100);
    QVERIFY2(qAbs(proposed.secsTo(QDateTime::currentDateTime())) < 10, qPrintable(f.directory));
    s.verify_released(true);

    if (!title.isEmpty()) {
        QCOMPARE(s.info_title(), title);
        QVERIFY(!s.dialogs->messages[0].text.trimmed().isEmpty());
        QCOMPARE(s.dialogs->messages[0].informative, QString("Файл не сохранён."));
    } else {
        QCOMPARE(s.dialogs->texts(), QStringList());
    }
    if (name.isEmpty() || !title.isEmpty()) {
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        return;
    }
    UnitConfig saved;
    QVERIFY(load_config_file(dir.filePath(name), saved).ok);
    QCOMPARE(codes(saved), held(s.unit.state()));
}

void TestConfigTransfer::load_restores_a_saved_unit_data()
{
    QTest::addColumn<QList<int>>("saved_modes");
    QTest::addColumn<QList<int>>("target_modes");
    QTest::newRow("LF and HF over HF and LF") << QList<int>{1, 1, 2, 2} << QList<int>{2, 2, 1, 1};
    QTest::newRow("HF first, LF over off") << QList<int>{2, 1, 1, 2} << QList<int>{1, 0, 1, 2};
    // A channel that is off is read without its values.
    QTest::newRow("a channel off") << QList<int>{1, 2, 0, 1} << QList<int>{1, 1, 1, 1};
}

void TestConfigTransfer::load_restores_a_saved_unit()
{
    QFETCH(QList<int>, saved_modes);
    QFETCH(QList<int>, target_modes);
    QTemporaryDir dir;
    const QString path = dir.filePath("mirval 1.cfg");
    QList<int> saved;
    {
        Sim a;
        fill(a.unit.state(), 7, 0x21);
        a.connect_with(saved_modes);
        a.dialogs->file_names << path;
        a.window->on_saveCfg_released();
        QVERIFY(QFileInfo::exists(path));
        saved = held(a.unit.state());
    }
    Sim b;
    fill(b.unit.state(), 2, 0x00);
    b.connect_with(target_modes);
    QVERIFY(held(b.unit.state()) != saved);
    b.dialogs->file_names << path;
    b.window->on_loadCfg_released();
    QCOMPARE(b.dialogs->texts().join('|'), QString());

    QCOMPARE(b.dialogs->file_dialogs.size(), 1);
    const ScriptedDialogs::FileDialog &f = b.dialogs->file_dialogs[0];
    QCOMPARE(f.kind, Kind::Open);
    QCOMPARE((QStringList{f.title, f.directory, f.filter}),
             (QStringList{"Загрузить конфигурацию", QDir::currentPath(), "Файлы конфигурации(mirval*.cfg)"}));
    QCOMPARE(b.dialogs->progresses[0].options.label, QString("Запись конфигурации блока ..."));
    QCOMPARE(held(b.unit.state()), saved);

    // The form shows the unit as it is now.
    const QStringList expected =
        QStringList{req({1, 0x3A, saved.last()})} + readback_of_first(saved_modes[0]);
    QCOMPARE(b.sent().mid(b.sent().size() - expected.size()), expected);
    QCOMPARE(b.modes(), saved_modes);
    QCOMPARE(b.ui().onoff->currentIndex(), saved_modes[0]);
    QCOMPARE(int(b.window->model().cross_mask), 0x21);
    b.verify_released(true);
}

void TestConfigTransfer::load_refused_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: no such file
    QTest::addColumn<bool>("chosen");         // false: the dialog is cancelled
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("malformed") << QByteArray("<MIRVAL><KANAL NOMER=\"4\"/></MIRVAL>") << true
                               << "Ошибка анализа файла"
                               << "Не верна структура файла!";
    // 140 KB, under the size limit: refused before it is parsed.
    QTest::newRow("nested 20000 deep")
        << QByteArray("<W>").repeated(20000) + QByteArray("<MIRVAL/>") + QByteArray("</W>").repeated(20000)
        << true << "Ошибка анализа файла"
        << "Не верна структура файла!";
    // The text is the system's reason.
    QTest::newRow("missing file") << QByteArray() << true << "Ошибка открытия файла"
                                  << "";
    QTest::newRow("cancelled") << QByteArray() << false << ""
                               << "";
}

void TestConfigTransfer::load_refused()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, chosen);
    QFETCH(QString, title);
    QFETCH(QString, text);
    Sim s;
    s.connect_with({1, 2, 1, 2});
    QTemporaryDir dir;
    const QString path = dir.filePath("mirval 1.cfg");
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    if (chosen)
        s.dialogs->file_names << path;
    s.window->on_loadCfg_released();
    QCOMPARE(s.dialogs->file_dialogs.size(), 1);
    QCOMPARE(s.dialogs->file_dialogs[0].kind, Kind::Open);
    QCOMPARE(s.sent(), QStringList());
    QVERIFY(s.dialogs->progresses.isEmpty());
    QCOMPARE(s.modes(), (QList<int>{1, 2, 1, 2}));
    if (title.isEmpty()) {
        QCOMPARE(s.dialogs->texts(), QStringList());
        return;
    }
    QCOMPARE(s.info_title(), title);
    const QString shown = s.dialogs->messages[0].text;
    QVERIFY(text.isEmpty() ? !shown.isEmpty() : shown == text);
}

void TestConfigTransfer::transfer_fails_data()
{
    QTest::addColumn<bool>("load");
    QTest::addColumn<QList<int>>("modes");  // of the unit, later the file's
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QList<int>>("after");  // the window's modes afterwards
    const QList<int> unit{1, 1, 2, 1};
    QTest::newRow("read cancelled") << false << unit << 3 << "" << unit;
    QTest::newRow("read cancelled, channel off")
        << false << QList<int>{0, 1, 2, 1} << 3 << "" << QList<int>{0, 1, 2, 1};
    QTest::newRow("read refused") << false << unit << -1 << "refuse=0x16" << unit;
    // The file asks for HF, HF, LF, HF.
    QTest::newRow("write cancelled in channel 1") << true << unit << 5 << "" << QList<int>{2, 1, 2, 1};
    QTest::newRow("preset of channel 3 refused")
        << true << unit << -1 << "refuse=0x2C" << QList<int>{2, 2, 1, 1};
    QTest::newRow("blocking refused") << true << unit << -1 << "refuse=0x3A" << QList<int>{2, 2, 1, 2};
}

void TestConfigTransfer::transfer_fails()
{
    QFETCH(bool, load);
    QFETCH(QList<int>, modes);
    QFETCH(int, cancel_at);
    QFETCH(QString, fault);
    QFETCH(QList<int>, after);
    Sim s;
    fill(s.unit.state(), 3, 0x00);
    QTemporaryDir dir;
    const QString path = dir.filePath("mirval 1.cfg");
    if (load) {
        UnitConfig wanted;
        for (int n = 0; n < 4; ++n)
            wanted.channels[n] = ChannelSettings{n == 2 ? 1 : 2, 7, 3, 1, 2, 5, 6, 4, 2, 3, 9, 8, 1};
        wanted.kross = 0x08;
        wanted.zaderzhka = 5;
        wanted.blokirovka = 4;
        QString error;
        QCOMPARE(save_config_file(path, wanted, &error), 0);
    }
    s.connect_with(modes);
    s.dialogs->file_names << path;
    s.dialogs->cancel_progress_at = cancel_at;
    QVERIFY(fault.isEmpty() || s.unit.faults().add(fault));
    bool held = false;  // controls locked and the poll stopped while the message is open
    s.dialogs->on_message = [&](const ScriptedDialogs::Message &) {
        held = !s.ui().chn->isEnabled() && !s.window->session().poll_timer().isActive();
    };
    load ? s.window->on_loadCfg_released() : s.window->on_saveCfg_released();

    QCOMPARE(s.dialogs->texts(), QStringList{"Нет ответа от блока!"});
    QCOMPARE(s.dialogs->messages[0].kind, MessageKind::Critical);
    QVERIFY(held);
    QVERIFY(s.dialogs->progresses[0].closed);
    if (cancel_at >= 0)
        QCOMPARE(s.dialogs->progresses[0].values.last(), cancel_at);
    QCOMPARE(s.modes(), after);
    if (load) {
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(int(s.unit.state().channel(n).mode), after[n - 1]);
        // Still followed by the read-back of the channel shown, now in HF.
        QCOMPARE(s.sent().mid(s.sent().size() - readback_of_first(2).size()), readback_of_first(2));
    } else {
        QCOMPARE(s.dialogs->file_dialogs.size(), 0);
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!s.sent().contains(req({1, 0x1C})));
    }
    s.verify_released(after[0] != 0);
}

void TestConfigTransfer::dialogs_start_where_the_user_last_was()
{
    Sim s;
    s.connect_with({1, 0, 0, 0});
    QTemporaryDir a, b;
    s.dialogs->file_names << a.filePath("mirval a.cfg");
    s.window->on_saveCfg_released();
    s.window->on_loadCfg_released();  // cancelled
    QVERIFY(QFile::copy(a.filePath("mirval a.cfg"), b.filePath("mirval b.cfg")));
    s.dialogs->file_names << b.filePath("mirval b.cfg");
    s.window->on_loadCfg_released();
    s.window->on_saveCfg_released();  // cancelled
    QCOMPARE(s.dialogs->texts(), QStringList());

    const QList<ScriptedDialogs::FileDialog> &f = s.dialogs->file_dialogs;
    QCOMPARE(f.size(), 4);
    QCOMPARE((QList<Kind>{f[0].kind, f[1].kind, f[2].kind, f[3].kind}),
             (QList<Kind>{Kind::Save, Kind::Open, Kind::Open, Kind::Save}));
    QCOMPARE((QStringList{QFileInfo(f[0].directory).absolutePath(), f[1].directory, f[2].directory,
                          QFileInfo(f[3].directory).absolutePath()}),
             (QStringList{QDir::currentPath(), a.path(), a.path(), b.path()}));
}

QTEST_MAIN(TestConfigTransfer)
#include "tst_config_transfer.moc"
