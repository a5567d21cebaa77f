// Connecting to a simulated unit with the start button, the read-back of a
// channel's settings, and disconnecting.
#include "common/remembered_settings.h"
#include "link/virtual_ports.h"
#include "sim_window.h"

#include <QMenu>

namespace {

// Fewer and shorter attempts: a request nobody answers costs some 50 ms. The
// full wait is kept where answers at 4800 baud must not be missed.
struct Sim : SimWindow {
    explicit Sim(bool short_waits = true)
    {
        if (!short_waits)
            return;
        short_time_outs();
    }
    // Payloads the unit received, as hex ("01 05").
    QStringList sent()
    {
        QStringList out;
        for (const QByteArray &p : requests())
            out << QString::fromLatin1(p.toHex(' '));
        return out;
    }
};

QString req(int code, int channel = 0)
{
    QByteArray p;
    p.append(char(1)).append(char(code));
    if (channel)
        p.append(char(channel));
    return QString::fromLatin1(p.toHex(' '));
}

// What a read-back of channel ch of unit 1 asks, in order.
QStringList readback_of(int mode, int ch, bool alarm_per_channel)
{
    QStringList r;
    for (int code : {0x11, 0x0F, 0x12, 0x13, 0x14, 0x15, 0x16})
        r << req(code, ch);
    r << (alarm_per_channel ? req(0x1A, ch) : req(0x17)) << req(0x19) << req(0x1C);
    if (mode == 1)
        r << req(0x10, ch) << req(0x0E, ch);
    r << req(0x18);
    if (mode == 2)
        r << req(0x21) << req(0x22);
    return r << req(0x04);
}

bool controls_locked(Sim &s)
{
    return !s.ui().chn->isEnabled() && !s.ui().onoff->isEnabled() && !s.ui().porog->isEnabled() &&
           !s.ui().tabWidget->isEnabled();
}

}  // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void connects_and_disconnects();
    void start_fails_data();
    void start_fails();
    void broadcasts_line_speed();
    void broadcast_cancelled_data();
    void broadcast_cancelled();
    void press_while_connecting_is_ignored_data();
    void press_while_connecting_is_ignored();
    void reads_back_in_order_data();
    void reads_back_in_order();
    void chn_reads_the_chosen_channel();
    void switching_off_leaves_pairs();
    void refused_mode_change_is_rolled_back();
    void remembered_between_runs();
    void remembered_network_port();
    void remembered_by_id_data();
    void remembered_by_id();
    void port_check_from_the_menu_data();
    void port_check_from_the_menu();
    void port_items_name_the_adapter();
};

void TestConnection::connects_and_disconnects()
{
    Sim s;
    s.press_start();
    QVERIFY(s.connected());
    QCOMPARE(s.dialogs->texts(), QStringList());
    QCOMPARE(s.ui().state->text(), QString("Норма"));
    QVERIFY(!s.ui().addres->isEnabled());
    QVERIFY(!s.ui().pushButton_2->isEnabled());
    s.forget_requests();
    s.press_start();
    QCOMPARE(s.sent(), QStringList());
    QVERIFY(s.window->session().port() == nullptr);
    QCOMPARE(s.ui().state->text(), QString("  "));
    QCOMPARE(s.ui().state->palette().color(QPalette::Window), QColor("#C0C0C0"));
    QCOMPARE(s.ui().searchButton->text(), QString("Старт"));
    QVERIFY(s.ui().addres->isEnabled());
    QVERIFY(s.ui().pushButton_2->isEnabled());
    QVERIFY(controls_locked(s));
    QVERIFY(!s.window->session().poll_timer().isActive());
}

void TestConnection::start_fails_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("listed");  // the port list holds the unit's port
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("last");  // the last request; empty: nothing sent
    const QString lost("Блок не обнаружен!");
    QTest::newRow("address 0") << 0 << true << ""
                               << "Необходимо задать адрес блока!"
                               << "";
    QTest::newRow("no port listed") << 1 << false << ""
                                    << "Не возможно открыть выбранный порт!"
                                    << "";
    QTest::newRow("silent unit") << 1 << true << "silence" << lost << req(0x05);
    QTest::newRow("mode map refused") << 1 << true << "refuse=0x05" << lost << req(0x05);
    QTest::newRow("read-back stops at the gain") << 1 << true << "refuse=0x0F" << lost << req(0x0F, 1);
    QTest::newRow("read-back stops at the status") << 1 << true << "refuse=0x04" << lost << req(0x04);
}

void TestConnection::start_fails()
{
    QFETCH(int, address);
    QFETCH(bool, listed);
    QFETCH(QString, fault);
    QFETCH(QString, text);
    QFETCH(QString, last);
    Sim s;
    s.ui().addres->setValue(address);
    if (!listed)
        s.ui().comPortComboBox->clear();
    if (!fault.isEmpty())
        s.unit.faults().add(fault);
    s.window->form_state().setters_armed = 0;
    s.press_start();
    QCOMPARE(s.dialogs->texts(), QStringList{text});
    QCOMPARE(s.dialogs->messages[0].kind, MessageKind::Critical);
    QCOMPARE(s.dialogs->messages[0].title, QString("МИРВАЛ-В Визард"));
    QCOMPARE(s.dialogs->messages[0].buttons, int(YesButton));
    QCOMPARE(s.sent().isEmpty() ? QString() : s.sent().last(), last);
    QCOMPARE(s.ports_made, address ? 1 : 0);
    if (!fault.isEmpty()) {
        QVERIFY(s.window->session().port() == nullptr);
        QCOMPARE(s.window->form_state().setters_armed, 1);
    }
    QCOMPARE(s.ui().searchButton->text(), QString("Старт"));
    QVERIFY(controls_locked(s));
    QVERIFY(!s.window->session().poll_timer().isActive());
    QVERIFY(s.ui().pushButton_2->isEnabled());
    QVERIFY(s.ui().addres->isEnabled());
}

void TestConnection::broadcasts_line_speed()
{
    // The unit hears only at its own speed, 115200: a broadcast at another
    // speed leaves a note with the line's speed; the one at 115200 switches
    // it to 57600, where the connection is then made.
    Sim s;
    s.unit.faults().add("speed-check");
    s.unit.state().speed_index = 5;
    s.window->session().speed_search = 1;
    s.press_start();
    QVERIFY(s.connected());
    QCOMPARE(s.unit.state().speed_index, 4);
    QCOMPARE(s.port()->baudRate(), 57600);

    QList<int> bauds;  // of the broadcasts in order, repeats merged; 0: heard
    const QList<sim::LogEntry> &log = s.bus.log().entries();
    for (int i = 0; i < log.size(); ++i) {
        if (log[i].kind != sim::LogEntry::Request)
            continue;
        if (!log[i].bytes.startsWith("$000104"))
            break;
        int baud = 0;
        if (i + 1 < log.size() && log[i + 1].kind == sim::LogEntry::Note) {
            const auto m = QRegularExpression("line at (\\d+) baud").match(log[i + 1].text);
            baud = m.hasMatch() ? m.captured(1).toInt() : -1;
        }
        if (bauds.isEmpty() || bauds.last() != baud)
            bauds << baud;
    }
    QCOMPARE(bauds, (QList<int>{4800, 9600, 19200, 38400, 0}));
    QCOMPARE(s.sent().mid(s.sent().lastIndexOf("00 01 04") + 1, 2), (QStringList{req(0x05), req(0x20)}));

    QCOMPARE(s.dialogs->progresses.size(), 1);
    const ScriptedDialogs::Progress &p = s.dialogs->progresses[0];
    QCOMPARE((QStringList{p.options.title, p.options.label, p.options.cancel_text}),
             (QStringList{"МИРВАЛ-В Визард", "Настройка скорости обмена", "Стоп"}));
    QCOMPARE((QList<int>{p.options.minimum, p.options.maximum}), (QList<int>{0, 7}));
    QCOMPARE(p.values, (QList<int>{0, 1, 2, 3, 5}));
    QVERIFY(p.shown && p.closed);
}

void TestConnection::broadcast_cancelled_data()
{
    QTest::addColumn<int>("cancel_at");
    QTest::addColumn<int>("broadcasts");
    QTest::newRow("at the first speed") << 0 << 1;
    QTest::newRow("at 38400") << 3 << 4;
    QTest::newRow("at the last speed") << 5 << 5;
}

void TestConnection::broadcast_cancelled()
{
    QFETCH(int, cancel_at);
    QFETCH(int, broadcasts);
    Sim s(false);
    s.window->session().speed_search = 1;
    s.dialogs->cancel_progress_at = cancel_at;
    s.press_start();
    QCOMPARE(s.sent(), QStringList(broadcasts, "00 01 04"));
    QVERIFY(s.window->session().port() == nullptr);
    QCOMPARE(s.ui().searchButton->text(), QString("Старт"));
    QCOMPARE(s.dialogs->texts(), QStringList());
    QVERIFY(s.ui().pushButton_2->isEnabled());
    QVERIFY(s.dialogs->progresses[0].closed);
    QVERIFY(controls_locked(s));
}

void TestConnection::press_while_connecting_is_ignored_data()
{
    QTest::addColumn<int>("speed_search");
    QTest::newRow("while asking the modes") << 0;
    QTest::newRow("during the speed broadcast") << 1;
}

void TestConnection::press_while_connecting_is_ignored()
{
    QFETCH(int, speed_search);
    Sim s(false);
    s.window->session().speed_search = speed_search;
    // Runs from the event processing of the first wait of the connection.
    QTimer::singleShot(0, s.window.get(), [&s] { s.press_start(); });
    s.press_start();
    QVERIFY(s.connected());
    s.run_for(20);  // nor is the press kept for later
    QVERIFY(s.connected());
    QCOMPARE(s.ports_made, 1);
    QCOMPARE(s.sent().count(req(0x05)), 1);
    QCOMPARE(s.dialogs->texts(), QStringList());
}

void TestConnection::reads_back_in_order_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("has_version");
    QTest::addColumn<int>("major");
    QTest::addColumn<QString>("label");
    QTest::newRow("LF, version 2.5") << 1 << true << 2 << "2.5";
    QTest::newRow("HF, version 1.5") << 2 << true << 1 << "1.5";
    QTest::newRow("off, version 2.5") << 0 << true << 2 << "2.5";
    QTest::newRow("LF, version 0.5: one alarm time") << 1 << true << 0 << "0.5";
    QTest::newRow("HF, no version query") << 2 << false << 2 << "1.0";
}

void TestConnection::reads_back_in_order()
{
    QFETCH(int, mode);
    QFETCH(bool, has_version);
    QFETCH(int, major);
    QFETCH(QString, label);
    Sim s;
    s.unit.state().set_modes({quint8(mode), 2, 1, 0});
    s.unit.state().has_version = has_version;
    s.unit.state().version_major = quint8(major);
    QComboBox *kept[] = {s.ui().pred, s.ui().reject, s.ui().porog_perepil, s.ui().time_perepil};
    for (QComboBox *box : kept) {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(2);
    }
    s.press_start();
    QVERIFY(s.connected());

    const bool versioned = has_version && major > 0;
    QStringList expected{req(0x05), req(0x20), req(0x26)};
    if (!has_version)
        expected << req(0x26);  // the second attempt
    QCOMPARE(s.sent(), expected + readback_of(mode, 1, versioned));
    QCOMPARE(s.ui().version->text(), label);
    QCOMPARE(s.window->session().poll_timer().isActive(), mode != 0);
    const signed char *m = s.window->model().channel_mode;  // from the map, e.g. 0x19 for LF
    QCOMPARE((QList<int>{m[1], m[2], m[3], m[4]}), (QList<int>{mode, 2, 1, 0}));
    if (mode == 0)
        for (QComboBox *box : kept)
            QCOMPARE(box->currentIndex(), 2);
}

void TestConnection::chn_reads_the_chosen_channel()
{
    Sim s;
    s.unit.state().set_modes({2, 1, 1, 1});
    s.press_start();
    QVERIFY(s.connected());
    s.forget_requests();
    s.ui().chn->setCurrentIndex(2);
    QCOMPARE(s.sent(), (QStringList{req(0x20), req(0x26)} + readback_of(1, 3, true)));
    QCOMPARE(int(s.window->model().current_channel), 3);
    QVERIFY(s.window->session().poll_timer().isActive());

    // A change of the list while the setters are not armed is not acted on.
    s.window->form_state().setters_armed = 0;
    s.forget_requests();
    s.ui().chn->setCurrentIndex(0);
    QCOMPARE(s.sent(), QStringList());
    QCOMPARE(int(s.window->model().current_channel), 3);
}

void TestConnection::switching_off_leaves_pairs()
{
    Sim s;
    s.unit.state().set_modes({1, 1, 1, 1});
    s.unit.state().param(sim::UnitParam::Cross) = 0x21;  // pairs 1-2 and 3-4
    s.press_start();
    QVERIFY(s.connected());
    s.forget_requests();
    s.ui().onoff->setCurrentIndex(0);
    QCOMPARE(s.unit.state().param(sim::UnitParam::Cross), quint8(0x20));
    QCOMPARE(int(s.window->model().cross_mask), 0x20);
    QCOMPARE(s.sent(), (QStringList{"01 38 01 00", "01 36 20"}));
    QCOMPARE((QList<int>{s.ui().cross_1->currentIndex(), s.ui().cross_2->currentIndex(),
                         s.ui().cross_3->currentIndex(), s.ui().cross_4->currentIndex()}),
             (QList<int>{0, 0, 1, 1}));
    QCOMPARE(s.ui().state->text(), QString("Выкл"));
    QVERIFY(!s.window->session().poll_timer().isActive());
    QCOMPARE(s.dialogs->texts(), QStringList());
}

void TestConnection::refused_mode_change_is_rolled_back()
{
    Sim s;
    s.unit.state().set_modes({1, 1, 1, 1});
    s.press_start();
    QVERIFY(s.connected());
    s.forget_requests();
    s.unit.faults().add("refuse=0x38:2");  // both attempts of the first change
    s.ui().onoff->setCurrentIndex(2);
    QCOMPARE(s.dialogs->texts(), QStringList{"Не изменен режим работы канала!..."});
    QCOMPARE(s.ui().onoff->currentIndex(), 1);
    QCOMPARE(s.sent().mid(0, 3), (QStringList{"01 38 01 02", "01 38 01 02", "01 38 01 01"}));
    QCOMPARE(int(s.window->model().channel_mode[1]), 1);
    QCOMPARE(s.unit.state().channel(1).mode, quint8(1));
}

void TestConnection::remembered_between_runs()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("mirval/mirval-pult.conf");
    const QStringList ports{"ttyS0", "ttySIM0"};
    {
        // The first start shows the form's own values; a failed connection
        // leaves nothing behind.
        SimWindow s(7, file);
        s.ports = ports;
        s.window->port_watcher().rescan();
        QCOMPARE(s.ui().addres->value(), 0);
        QCOMPARE(s.ui().comPortComboBox->currentText(), QString("ttyS0"));
        QCOMPARE(s.session().link_settings().speed_index, 4);
        s.short_time_outs();
        s.ui().addres->setValue(9);  // nobody there
        s.press_start();
        QVERIFY(!s.connected());
        QVERIFY(!QFile::exists(file));

        s.ui().addres->setValue(7);
        s.ui().comPortComboBox->setCurrentIndex(1);
        s.session().link_settings().speed_index = 2;
        s.press_start();
        QVERIFY(s.connected());
    }
    {
        SimWindow s(7, file);
        s.ports = ports;
        s.window->port_watcher().rescan();
        QCOMPARE(s.ui().addres->value(), 7);
        QCOMPARE(s.ui().comPortComboBox->currentText(), QString("ttySIM0"));
        QCOMPARE(s.session().link_settings().speed_index, 2);
    }
    {
        // The port is not there at start, and is plugged in later.
        SimWindow s(7, file);
        s.ports = {"ttyS0"};
        s.window->port_watcher().rescan();
        QCOMPARE(s.ui().comPortComboBox->currentText(), QString("ttyS0"));
        s.ports = {"ttyS0", "ttyUSB0", "ttySIM0"};
        s.window->port_watcher().rescan();
        QCOMPARE(s.ui().comPortComboBox->currentText(), QString("ttySIM0"));
    }
    // A file with values the form cannot show keeps the form's own.
    QSettings(file, QSettings::IniFormat).setValue("connection/address", 300);
    QSettings(file, QSettings::IniFormat).setValue("connection/speed_index", 5);
    SimWindow s(7, file);
    QCOMPARE(s.ui().addres->value(), 0);
    QCOMPARE(s.session().link_settings().speed_index, 4);
}

void TestConnection::remembered_network_port()
{
    // The network port of the last connection stands in the next run's list
    // and is selected, also when the settings file does not list it.
    QTemporaryDir dir;
    const QString file = dir.filePath("mirval/mirval-pult.conf");
    const QString url = "rfc2217://10.0.0.5:4001";
    {
        SimWindow s(7, file);
        s.port_name = url;
        s.ui().addres->setValue(7);
        s.ui().comPortComboBox->addItem(url);
        s.ui().comPortComboBox->setCurrentText(url);
        s.press_start();
        QVERIFY(s.connected());
    }
    SimWindow s(7, file);
    QCOMPARE(s.ui().comPortComboBox->currentText(), url);
    s.ports = {};
    s.window->port_watcher().rescan();
    QCOMPARE(s.ui().comPortComboBox->count(), 1);
    QCOMPARE(s.ui().comPortComboBox->currentText(), url);
    QCOMPARE(s.dialogs->texts(), QStringList());
}

void TestConnection::remembered_by_id_data()
{
    QTest::addColumn<bool>("link_leads");  // the by-id link leads to the adapter
    QTest::addColumn<QString>("selected");
    // Plugged in again, the adapter is another port; its by-id name finds it.
    QTest::newRow("adapter under another name") << true << "ttyBYID0";
    QTest::newRow("by-id link gone: the name") << false << "ttyUSB0";
}

void TestConnection::remembered_by_id()
{
    QFETCH(bool, link_leads);
    QFETCH(QString, selected);
    QTemporaryDir dir;
    const QString file = dir.filePath("mirval/mirval-pult.conf");
    const QString adapter = dir.filePath("adapter");
    QVERIFY(QFile(adapter).open(QIODevice::WriteOnly));
    const QString by_id = dir.filePath("usb-1a86_USB_Serial-if00-port0");
    if (link_leads)
        QVERIFY(QFile::link(adapter, by_id));
    QString error;
    const QString name = virtual_ports::publish(adapter, &error, "ttyBYID");
    QCOMPARE(name, QString("ttyBYID0"));
    QVERIFY(save_remembered_connection(file, RememberedConnection{"ttyUSB0", 7, 4, by_id}));
    QCOMPARE(load_remembered_connection(file).by_id, by_id);
    {
        SimWindow s(7, file);
        s.ports = {"ttyS0", "ttyUSB0", name};
        s.window->port_watcher().rescan();
        QCOMPARE(s.ui().comPortComboBox->currentText(), selected);
    }
    virtual_ports::unpublish(name);
}

void TestConnection::port_check_from_the_menu_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("finding");
    QTest::newRow("healthy") << true << int(MessageKind::Information) << "Порт %1: проблем не найдено."
                             << "ok: Доступ к устройству %2";
    QTest::newRow("device gone") << false << int(MessageKind::Warning) << "Порт %1: найдены проблемы."
                                 << "ПРОБЛЕМА: Устройство";
}

void TestConnection::port_check_from_the_menu()
{
    QFETCH(bool, present);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, finding);
    QTemporaryDir dir;  // its device stands for an adapter
    const QString device = dir.filePath("ttyX");
    QVERIFY(QFile(device).open(QIODevice::WriteOnly));
    QVERIFY(QFile::setPermissions(device, QFile::ReadOwner | QFile::WriteOwner));
    QString error;
    const QString name = virtual_ports::publish(device, &error, "ttyCHK");
    QVERIFY2(!name.isEmpty(), qPrintable(error));
    SimWindow s;
    s.ports = {name};
    s.window->port_watcher().rescan();
    if (!present)
        QFile::remove(device);
    const std::unique_ptr<QMenu> menu = s.window->port_menu();
    QAction *check = menu->actions().value(1);
    QVERIFY(check && check->isEnabled());
    QCOMPARE(check->text(), QString("Проверить порт…"));
    check->trigger();
    QTRY_COMPARE(s.dialogs->messages.size(), 1);
    virtual_ports::unpublish(name);
    const ScriptedDialogs::Message &m = s.dialogs->messages.first();
    QCOMPARE(int(m.kind), kind);
    QCOMPARE(m.text, text.arg(name));
    QVERIFY2(m.informative.contains(finding.replace("%2", device)), qPrintable(m.informative));
}

void TestConnection::port_items_name_the_adapter()
{
    // The item is the bare name; its tooltip what the system says of it and
    // the device.
    SimWindow s;
    s.ports = {"ttyS0", "ttyUSB3"};
    s.window->port_watcher().rescan();
    QCOMPARE(s.ui().comPortComboBox->itemText(1), QString("ttyUSB3"));
    const QString tip = s.ui().comPortComboBox->itemData(1, Qt::ToolTipRole).toString();
    QVERIFY2(tip.endsWith("\n/dev/ttyUSB3"), qPrintable(tip));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
