// The main window with its dialogs and ports replaced: construction, the
// control-locking rule, the state label, the "Кросс" tab check, the port list
// with its network ports and the --port option, and the line-speed dialog.
#include "comportdialog.h"
#include "link/link_settings.h"
#include "mainwindow.h"
#include "port_option.h"
#include "scripted_port.h"
#include "ui_comportdialog.h"
#include "ui_mainwindow.h"
#include "window_rig.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QtTest>

namespace {

QStringList g_debug_lines;
QtMessageHandler g_previous_handler = nullptr;

void capture(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (type == QtDebugMsg)
        g_debug_lines << msg;
    g_previous_handler(type, ctx, msg);
}

// The widgets of the locking rule, by object name.
QStringList locked_names()
{
    QStringList names;
    for (int c = 0; c < lock_rule::ControlCount; ++c)
        names << QString::fromLatin1(lock_rule::object_name(lock_rule::Control(c)));
    return names;
}
const QStringList kNeverTouched{"searchButton", "addres", "comPortComboBox", "pushButton_2"};

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void starts_as_described();
    void window_follows_the_locking_rule();
    void frozen_controls_do_not_change();
    void state_label_data();
    void state_label();
    void cross_tab_check_data();
    void cross_tab_check();
    void port_list_follows_hot_plug();
    void empty_start_shows_nothing_until_a_refill();
    void fixed_ports_stay_while_system_ports_change_data();
    void fixed_ports_stay_while_system_ports_change();
    void long_port_names_keep_the_list_in_view_data();
    void long_port_names_keep_the_list_in_view();
    void port_option_data();
    void port_option();
    void line_speed_dialog_data();
    void line_speed_dialog();
    void line_speed_dialog_remembers_the_check_box();
    void tab_titles_show_data();
    void tab_titles_show();

private:
    MainWindow *make_window();
    // An open port, as after "Старт".
    void connect_window();
    QStringList enabled_of(const QStringList &names) const;

    QStringList m_ports;
    QStringList m_network_ports;  // the settings file's
    QString m_chosen_port;        // --port
    std::unique_ptr<RealWindow> m_rig;
};

void TestMainWindow::initTestCase()
{
    g_previous_handler = qInstallMessageHandler(capture);
}

void TestMainWindow::init()
{
    m_ports = QStringList{"ttyS0", "COM1", "ttyUSB0"};
    m_network_ports.clear();
    m_chosen_port.clear();
    g_debug_lines.clear();
}

void TestMainWindow::cleanup()
{
    m_rig.reset();
}

MainWindow *TestMainWindow::make_window()
{
    // The test looks at the ports by itself.
    m_rig = std::make_unique<RealWindow>(3600 * 1000, [this](MainWindowServices &services) {
        services.enumerate = [this] { return m_ports; };
        services.network_ports = [this] { return m_network_ports; };
        services.chosen_port = m_chosen_port;
    });
    return m_rig->window.get();
}

void TestMainWindow::connect_window()
{
    m_rig->window->session().set_port_maker([](const QString &) { return std::make_unique<ScriptedPort>(); });
    QVERIFY(m_rig->window->session().open_line(QStringLiteral("ttyS0")));
}

QStringList TestMainWindow::enabled_of(const QStringList &names) const
{
    QStringList out;
    for (const QString &name : names) {
        auto *w = m_rig->window->findChild<QWidget *>(name);
        if (!w)
            qFatal("no widget %s", qPrintable(name));
        if (w->isEnabled())
            out << name;
    }
    return out;
}

void TestMainWindow::starts_as_described()
{
    MainWindow *w = make_window();
    QCOMPARE(w->windowTitle(), QString("МИРВАЛ-В Пульт v.01.03"));
    QCOMPARE(QCoreApplication::applicationName(), QString("МИРВАЛ-В Визард"));
    QVERIFY(!w->windowIcon().isNull());
    QCOMPARE(w->form().searchButton->text(), QString("Старт"));
    QCOMPARE(w->form().state->text(), QString("  "));
    QCOMPARE(w->form().state->palette().color(QPalette::Window), QColor("#C0C0C0"));
    QCOMPARE(w->form().state->palette().color(QPalette::Inactive, QPalette::Window), QColor("#C0C0C0"));
    QCOMPARE(w->form().state->palette().color(QPalette::WindowText), QColor("#000000"));
    QVERIFY(w->form().state->autoFillBackground());
    QCOMPARE(w->form().version->text(), QString());
    QCOMPARE(enabled_of(locked_names()), QStringList());
    QCOMPARE(enabled_of(kNeverTouched), kNeverTouched);
    QCOMPARE(w->config_dir(), QDir::currentPath());
    QCOMPARE(w->model().unit_version, 1);
    QCOMPARE(int(w->model().current_channel), 1);
    QVERIFY(w->session().port() == nullptr);
    QVERIFY(!w->session().poll_timer().isActive());
    QVERIFY(!w->session().exchange().tick_timer.isActive());

    // The lists the constructor fills.
    QCOMPARE(w->form().porog->count(), 14);
    QCOMPARE(w->form().porog->itemText(9), QString("140"));
    QCOMPARE(w->form().porog->itemText(13), QString("560"));
    QCOMPARE(w->form().porog->itemData(9).toInt(), 9);
    QCOMPARE(w->form().porog_perepil->count(), 14);
    QCOMPARE(w->form().porog_perepil->itemText(0), QString("6"));
    QCOMPARE(w->form().porog_perepil->itemData(13).toInt(), 13);
    const QStringList rejections{"0",   "0.8", "1", "1.2", "1.4", "1.6", "1.8", "2",  "2.2",
                                 "2.4", "2.7", "3", "3.3", "3.6", "3.9", "4.2", "4.5"};
    QStringList shown;
    for (int i = 0; i < w->form().reject->count(); ++i)
        shown << w->form().reject->itemText(i);
    QCOMPARE(shown, rejections);
    QVERIFY(!w->form().reject->itemData(0).isValid());
    QStringList times;
    for (int i = 0; i < w->form().time_perepil->count(); ++i)
        times << w->form().time_perepil->itemText(i);
    QCOMPARE(times, (QStringList{"1", "2", "3", "5", "7", "9", "12", "15"}));
    for (QComboBox *box : {w->form().cross_1, w->form().cross_2, w->form().cross_3, w->form().cross_4})
        QCOMPARE(box->currentIndex(), 0);

    // The port list holds the admitted names in enumeration order.
    QCOMPARE(w->form().comPortComboBox->count(), 2);
    QCOMPARE(w->form().comPortComboBox->itemText(0), QString("ttyS0"));
    QCOMPARE(w->form().comPortComboBox->itemText(1), QString("ttyUSB0"));
    QVERIFY(m_rig->dialogs->messages.isEmpty());
}

// The window enables exactly what the locking rule says for its state.
void TestMainWindow::window_follows_the_locking_rule()
{
    MainWindow *w = make_window();
    const QList<QList<int>> mode_sets{{1, 1, 1, 1}, {2, 2, 2, 2}, {0, 1, 1, 1}, {1, 2, 1, 2}};
    for (bool connected : {false, true}) {
        if (connected)
            connect_window();
        for (const QList<int> &modes : mode_sets)
            for (int channel : {1, 4})
                for (int version : {0, 2})
                    for (bool enable : {false, true}) {
                        for (int k = 1; k <= 4; ++k)
                            w->model().channel_mode[k] = static_cast<signed char>(modes[k - 1]);
                        w->model().current_channel = static_cast<signed char>(channel);
                        w->model().unit_version = version;
                        w->set_controls_enabled(!enable);  // start from the opposite state
                        w->set_controls_enabled(enable);
                        const lock_rule::Enabled expected = *lock_rule::enabled(w->lock_inputs(!enable));
                        for (int c = 0; c < lock_rule::ControlCount; ++c) {
                            const char *name = lock_rule::object_name(lock_rule::Control(c));
                            auto *widget = w->findChild<QWidget *>(name);
                            QVERIFY2(widget, name);
                            QVERIFY2(widget->isEnabled() == expected[size_t(c)], name);
                        }
                        QCOMPARE(enabled_of(kNeverTouched), kNeverTouched);
                    }
    }
}

void TestMainWindow::frozen_controls_do_not_change()
{
    MainWindow *w = make_window();
    connect_window();
    for (int k = 1; k <= 4; ++k)
        w->model().channel_mode[k] = 1;
    w->set_controls_enabled(true);
    const QStringList before = enabled_of(locked_names());
    w->form_state().controls_frozen = 1;
    w->set_controls_enabled(false);
    QCOMPARE(enabled_of(locked_names()), before);
    w->form_state().controls_frozen = 0;
    w->set_controls_enabled(false);
    QCOMPARE(enabled_of(locked_names()), QStringList());
    w->form_state().controls_frozen = 1;
    w->set_controls_enabled(true);
    QCOMPARE(enabled_of(locked_names()), QStringList());
    w->form_state().controls_frozen = 0;
}

void TestMainWindow::state_label_data()
{
    QTest::addColumn<int>("state_byte");
    QTest::addColumn<QString>("text");  // empty: the label keeps "Выкл"
    QTest::addColumn<QString>("colour");
    const struct {
        QList<int> bytes;
        const char *text;
        const char *colour;
    } rows[] = {
        {{0, 16}, "Норма", "#00ff00"},
        {{1, 17}, "Тревога", "#ff0000"},
        {{2, 18}, "Неисправность БЭ", "#ffff00"},
        {{4, 20}, "Обрыв КЧЭ", "#ffff00"},
        {{32, 33, 48, 49}, "Замыкание КЧЭ", "#ffff00"},
        {{129, 145}, "Дк:Норма", "#00ff00"},
    };
    QList<int> listed{8, 24};
    for (const auto &r : rows) {
        for (int b : r.bytes) {
            QTest::addRow("%d", b) << b << QString::fromUtf8(r.text) << QString(r.colour);
            listed << b;
        }
    }
    for (int b = 0; b < 256; ++b)
        if (!listed.contains(b))
            QTest::addRow("unlisted %d", b) << b << QString() << QString();
}

void TestMainWindow::state_label()
{
    QFETCH(int, state_byte);
    QFETCH(QString, text);
    QFETCH(QString, colour);
    if (!m_rig)
        make_window();
    m_rig->window->show_info(8);  // "Выкл" on grey as the look before
    QCOMPARE(m_rig->window->form().state->text(), QString("Выкл"));
    g_debug_lines.clear();

    m_rig->window->show_info(state_byte);
    const QString want_text = text.isEmpty() ? QString("Выкл") : text;
    const QString want_colour = colour.isEmpty() ? QString("#c0c0c0") : colour;
    QCOMPARE(m_rig->window->form().state->text(), want_text);
    QCOMPARE(m_rig->window->form().state->palette().color(QPalette::Window).name(), want_colour);
    QCOMPARE(m_rig->window->form().state->palette().color(QPalette::Disabled, QPalette::Window).name(),
             want_colour);
    QCOMPARE(m_rig->window->form().state->palette().color(QPalette::WindowText).name(), QString("#000000"));
    const QStringList expected_diag =
        state_byte >= 128 ? QStringList{QString("ChInfo= %1").arg(state_byte)} : QStringList();
    QCOMPARE(g_debug_lines, expected_diag);
}

void TestMainWindow::cross_tab_check_data()
{
    QTest::addColumn<QList<int>>("cross");
    QTest::addColumn<QList<int>>("tabs");  // tabs visited after page 0
    QTest::addColumn<int>("warnings");
    QTest::addColumn<int>("final_tab");
    QTest::newRow("one pair box on, leaving the tab") << QList<int>{1, 0, 0, 0} << QList<int>{3, 1} << 1 << 3;
    QTest::newRow("two on") << QList<int>{1, 1, 0, 0} << QList<int>{3, 1} << 0 << 1;
    QTest::newRow("none on") << QList<int>{0, 0, 0, 0} << QList<int>{3, 4} << 0 << 4;
    QTest::newRow("three on") << QList<int>{0, 1, 1, 1} << QList<int>{3, 0} << 0 << 0;
    QTest::newRow("other tabs never warn") << QList<int>{0, 0, 1, 0} << QList<int>{1, 2, 4, 0} << 0 << 0;
    QTest::newRow("warns again on each leave") << QList<int>{0, 0, 0, 1} << QList<int>{3, 2, 0} << 2 << 3;
}

void TestMainWindow::cross_tab_check()
{
    QFETCH(QList<int>, cross);
    QFETCH(QList<int>, tabs);
    QFETCH(int, warnings);
    QFETCH(int, final_tab);
    MainWindow *w = make_window();
    for (int k = 1; k <= 4; ++k)
        w->model().channel_mode[k] = 1;
    w->set_controls_enabled(true);
    QComboBox *boxes[] = {w->form().cross_1, w->form().cross_2, w->form().cross_3, w->form().cross_4};
    w->form_state().setters_armed = 0;  // the boxes only, no pairing request
    for (int k = 0; k < 4; ++k)
        boxes[k]->setCurrentIndex(cross[k]);
    w->form_state().setters_armed = 1;
    for (int tab : tabs)
        w->form().tabWidget->setCurrentIndex(tab);
    QCOMPARE(m_rig->dialogs->messages.size(), warnings);
    for (const auto &m : m_rig->dialogs->messages) {
        QCOMPARE(m.text, QString("Нельзя включить КРОСС на 1 канале!"));
        QCOMPARE(m.title, QString("МИРВАЛ-В Визард"));
        QCOMPARE(m.kind, MessageKind::Critical);
        QCOMPARE(m.buttons, int(YesButton));
    }
    QCOMPARE(w->form().tabWidget->currentIndex(), final_tab);
    for (int k = 0; k < 4; ++k)
        QCOMPARE(boxes[k]->currentIndex(), cross[k]);  // the check changes no box
}

void TestMainWindow::port_list_follows_hot_plug()
{
    MainWindow *w = make_window();
    auto items = [w] {
        QStringList out;
        for (int i = 0; i < w->form().comPortComboBox->count(); ++i)
            out << w->form().comPortComboBox->itemText(i);
        return out;
    };
    QCOMPARE(items(), (QStringList{"ttyS0", "ttyUSB0"}));
    w->form().comPortComboBox->setCurrentIndex(1);

    m_ports << "ttySIM0";  // a simulated unit appears
    w->port_watcher().rescan();
    QCOMPARE(items(), (QStringList{"ttyS0", "ttyUSB0", "ttySIM0"}));
    QCOMPARE(w->form().comPortComboBox->currentIndex(), 0);  // rebuilt from scratch

    m_ports.removeAll("ttyS0");
    m_ports.removeAll("COM1");  // not admitted here: its removal changes nothing
    w->port_watcher().rescan();
    QCOMPARE(items(), (QStringList{"ttyUSB0", "ttySIM0"}));

    m_ports = QStringList{"COM1"};  // only names the list does not admit remain
    w->port_watcher().rescan();
    // The real program ends at the first message; here each of the two
    // removals refills and ends again.
    QCOMPARE(m_rig->dialogs->messages.size(), 2);
    QCOMPARE(m_rig->dialogs->messages[0].text, QString("COM-порт не обнаружен !\n Конец работы ..."));
    QCOMPARE(m_rig->dialogs->messages[0].title, QString("МИРВАЛ-В Визард"));
    QCOMPARE(m_rig->dialogs->messages[0].kind, MessageKind::Critical);
    QCOMPARE(m_rig->dialogs->messages[0].buttons, int(YesButton));
    QCOMPARE(m_rig->dialogs->terminations, (QList<int>{0, 0}));
}

void TestMainWindow::empty_start_shows_nothing_until_a_refill()
{
    m_ports.clear();
    MainWindow *w = make_window();
    QCOMPARE(w->form().comPortComboBox->count(), 0);
    QVERIFY(m_rig->dialogs->messages.isEmpty());
    QVERIFY(m_rig->dialogs->terminations.isEmpty());
    m_ports << "ttyACM0";
    w->port_watcher().rescan();
    QCOMPARE(w->form().comPortComboBox->count(), 1);
    m_ports.clear();
    w->port_watcher().rescan();
    QCOMPARE(m_rig->dialogs->terminations, QList<int>{0});
}

void TestMainWindow::fixed_ports_stay_while_system_ports_change_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QList<QStringList>>("present");  // the system's ports, look by look
    QTest::addColumn<QList<QStringList>>("shown");    // the list after each look
    QTest::addColumn<QStringList>("selected");        // its current item after each look
    QTest::addColumn<int>("terminations");

    const QString a = "rfc2217://10.0.0.5:4001", b = "rfc2217://[fe80::1]:4002", c = "rfc2217://gate:4003";
    const QString by_id = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    using L = QList<QStringList>;
    QTest::newRow("network ports after the system's")
        << QStringList{a, b} << QString() << L{{"ttyS0", "ttySIM0"}, {"ttySIM0"}, {}}
        << L{{"ttyS0", "ttySIM0", a, b}, {"ttySIM0", a, b}, {a, b}} << QStringList{"ttyS0", "ttySIM0", a}
        << 0;
    QTest::newRow("network ports only, from the start")
        << QStringList{a} << QString() << L{{}, {"ttyUSB0"}, {}} << L{{a}, {"ttyUSB0", a}, {a}}
        << QStringList{a, "ttyUSB0", a} << 0;
    QTest::newRow("without network ports an empty list ends the program")
        << QStringList() << QString() << L{{"ttyS0"}, {}} << L{{"ttyS0"}, {}} << QStringList{"ttyS0", ""}
        << 1;
    QTest::newRow("--port with a network port: added last and kept selected")
        << QStringList{a} << c << L{{"ttyS0"}, {"ttyS0", "ttyUSB0"}, {}}
        << L{{"ttyS0", a, c}, {"ttyS0", "ttyUSB0", a, c}, {a, c}} << QStringList{c, c, c} << 0;
    QTest::newRow("--port with a port of the file: listed once")
        << QStringList{a, c} << a << L{{"ttyS0"}} << L{{"ttyS0", a, c}} << QStringList{a} << 0;
    QTest::newRow("--port with a list name: selected once present")
        << QStringList() << "ttyUSB0" << L{{"ttyS0"}, {"ttyS0", "ttyUSB0"}}
        << L{{"ttyS0"}, {"ttyS0", "ttyUSB0"}} << QStringList{"ttyS0", "ttyUSB0"} << 0;
    QTest::newRow("--port with a device path: a port of its own")
        << QStringList() << by_id << L{{"ttyS0"}, {}} << L{{"ttyS0", by_id}, {by_id}}
        << QStringList{by_id, by_id} << 0;
}

void TestMainWindow::fixed_ports_stay_while_system_ports_change()
{
    QFETCH(QStringList, network);
    QFETCH(QString, chosen);
    QFETCH(QList<QStringList>, present);
    QFETCH(QList<QStringList>, shown);
    QFETCH(QStringList, selected);
    QFETCH(int, terminations);
    m_network_ports = network;
    m_chosen_port = chosen;
    m_ports = present[0];
    MainWindow *w = make_window();
    QComboBox *list = w->form().comPortComboBox;
    for (int look = 0; look < present.size(); ++look) {
        if (look > 0) {
            m_ports = present[look];
            w->port_watcher().rescan();
        }
        QStringList items;
        for (int i = 0; i < list->count(); ++i) {
            items << list->itemText(i);
            // Every item names what it opens last in its tooltip.
            const QString tip = list->itemData(i, Qt::ToolTipRole).toString();
            if (items.last().contains("://")) {
                QVERIFY2(tip.contains("сетевой сервер (RFC 2217)"), qPrintable(tip));
                QVERIFY2(tip.endsWith("\n" + items.last()), qPrintable(tip));
            }
        }
        QCOMPARE(items, shown[look]);
        QCOMPARE(list->currentText(), selected[look]);
    }
    QCOMPARE(m_rig->dialogs->terminations.size(), terminations);
    if (terminations)
        QCOMPARE(m_rig->dialogs->texts().value(0), QString("COM-порт не обнаружен !\n Конец работы ..."));
}

void TestMainWindow::long_port_names_keep_the_list_in_view_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");  // of the window; 0: as it starts
    for (const char *name :
         {"rfc2217://127.0.0.1:4001", "rfc2217://converter-east-fence.perimeter.example:4001"})
        for (int width : {0, 380, 900})
            QTest::addRow("%s, %d", name, width) << QString(name) << width;
}

void TestMainWindow::long_port_names_keep_the_list_in_view()
{
    QFETCH(QString, name);
    QFETCH(int, width);
    m_chosen_port = name;
    MainWindow *w = make_window();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (width)
        w->resize(width, w->height());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QComboBox *box = w->form().comPortComboBox;
    QPushButton *setup = w->form().pushButton_2;
    QCOMPARE(box->currentText(), name);
    // The box, and beside it the whole of "Настройка", within the form.
    QVERIFY2(box->width() >= 100, qPrintable(QString::number(box->width())));
    QVERIFY(setup->width() >= setup->minimumSizeHint().width());
    QVERIFY(setup->geometry().left() >= box->geometry().right());
    QVERIFY(setup->geometry().right() <= w->form().addres->geometry().right());
    // Where there is room, the name shows whole.
    if (width == 900)
        QCOMPARE(box->width(), box->sizeHint().width());
}

void TestMainWindow::port_option_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("error");  // a part of the message; empty: none

    QTest::newRow("none, the toolkit's options left alone") << QStringList{"-platform", "offscreen"} << ""
                                                            << "";
    QTest::newRow("network port") << QStringList{"--port", "rfc2217://127.0.0.1:4001"}
                                  << "rfc2217://127.0.0.1:4001"
                                  << "";
    QTest::newRow("with =") << QStringList{"--port=rfc2217://[::1]:7"} << "rfc2217://[::1]:7"
                            << "";
    QTest::newRow("list name") << QStringList{"-style", "fusion", "--port", "ttySIM0"} << "ttySIM0"
                               << "";
    QTest::newRow("device node as the list names it") << QStringList{"--port", "/dev/ttyUSB0"} << "ttyUSB0"
                                                      << "";
    QTest::newRow("device path") << QStringList{"--port", "/dev/serial/by-id/usb-X-if00"}
                                 << "/dev/serial/by-id/usb-X-if00"
                                 << "";
    QTest::newRow("no value") << QStringList{"--port"} << ""
                              << "не задан порт";
    QTest::newRow("empty value") << QStringList{"--port="} << ""
                                 << "не задан порт";
    QTest::newRow("no port number") << QStringList{"--port", "rfc2217://10.0.0.5"} << ""
                                    << "Неверное имя сетевого порта 'rfc2217://10.0.0.5'";
    QTest::newRow("port number out of range") << QStringList{"--port", "rfc2217://10.0.0.5:70000"} << ""
                                              << "Неверное имя сетевого порта";
    QTest::newRow("not a port") << QStringList{"--port", "COM3"} << ""
                                << "'COM3' - не порт";
    QTest::newRow("twice") << QStringList{"--port", "ttyS0", "--port", "ttyS1"} << ""
                           << "задан дважды";
}

void TestMainWindow::port_option()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, port);
    QFETCH(QString, error);
    const PortOption option = ::port_option(QStringList{"mirval-pult"} + arguments);
    QCOMPARE(option.port, port);
    if (error.isEmpty())
        QCOMPARE(option.error, QString());
    else
        QVERIFY2(option.error.contains(error), qPrintable(option.error));
}

void TestMainWindow::line_speed_dialog_data()
{
    QTest::addColumn<int>("start_index");
    QTest::addColumn<int>("start_search");
    QTest::addColumn<int>("pick");
    QTest::addColumn<bool>("check");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<int>("speed_index");
    QTest::addColumn<int>("speed_search");
    QTest::addColumn<int>("baud");
    QTest::newRow("18200 selects 19200 baud") << 4 << 0 << 2 << true << true << 2 << 1 << 19200;
    QTest::newRow("36400 selects 38400 baud") << 4 << 1 << 3 << false << true << 3 << 0 << 38400;
    QTest::newRow("4800 unchecked") << 4 << 1 << 0 << false << true << 0 << 0 << 4800;
    QTest::newRow("cancel changes nothing") << 4 << 0 << 1 << true << false << 4 << 0 << 57600;
    QTest::newRow("cancel keeps a set search") << 2 << 1 << 0 << false << false << 2 << 1 << 19200;
}

void TestMainWindow::line_speed_dialog()
{
    QFETCH(int, start_index);
    QFETCH(int, start_search);
    QFETCH(int, pick);
    QFETCH(bool, check);
    QFETCH(bool, apply);
    QFETCH(int, speed_index);
    QFETCH(int, speed_search);
    QFETCH(int, baud);
    MainWindow *w = make_window();
    w->session().link_settings().speed_index = start_index;
    w->session().speed_search = start_search;

    QString shown_text;
    bool shown_check = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<ComPortDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("МИРВАЛ-В Визард"));
        auto *combo = dialog->findChild<QComboBox *>("comboBox");
        auto *box = dialog->findChild<QCheckBox *>("checkBox");
        shown_text = combo->currentText();
        shown_check = box->isChecked();
        combo->setCurrentIndex(pick);
        box->setChecked(check);
        QTest::mouseClick(dialog->findChild<QPushButton *>(apply ? "pushButton" : "pushButton_2"),
                          Qt::LeftButton);
    });
    w->form().pushButton_2->click();  // returns when the dialog has closed

    const char *texts[] = {"4800", "9600", "18200", "36400", "57600"};
    QCOMPARE(shown_text, QString(texts[start_index]));
    QCOMPARE(shown_check, start_search != 0);
    QCOMPARE(w->session().link_settings().speed_index, speed_index);
    QCOMPARE(w->session().speed_search, speed_search);
    QCOMPARE(speed_of_index(w->session().link_settings().speed_index), baud);
    QCOMPARE(w->session().link_settings().repeat_index, 1);
    QCOMPARE(w->session().link_settings().wait_index, 10);
    QVERIFY(!w->findChild<ComPortDialog *>());  // destroyed when it returned
}

void TestMainWindow::line_speed_dialog_remembers_the_check_box()
{
    int speed = 4, repeat = 1, wait = 10, search = 0;
    {
        ComPortDialog dialog(nullptr, &speed, &repeat, &wait, &search);
        QVERIFY(!dialog.findChild<QCheckBox *>("checkBox")->isChecked());
        dialog.findChild<QCheckBox *>("checkBox")->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        QVERIFY(dialog.isHidden());
    }
    QCOMPARE(search, 1);
    ComPortDialog again(nullptr, &speed, &repeat, &wait, &search);
    QVERIFY(again.findChild<QCheckBox *>("checkBox")->isChecked());
    QCOMPARE(again.findChild<QComboBox *>("comboBox")->currentText(), QString("57600"));
}

void TestMainWindow::tab_titles_show_data()
{
    QTest::addColumn<int>("point_size");  // of the application's font; 0: the platform's
    QTest::newRow("platform font") << 0;
    QTest::newRow("small font") << 6;
    QTest::newRow("large font") << 14;
}

void TestMainWindow::tab_titles_show()
{
    QFETCH(int, point_size);
    struct FontBack {
        QFont font = QApplication::font();
        ~FontBack() { QApplication::setFont(font); }
    } font_back;
    if (point_size) {
        QFont font = font_back.font;
        font.setPointSize(point_size);
        QApplication::setFont(font);
    }
    MainWindow *w = make_window();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QTabBar *bar = w->form().tabWidget->tabBar();
    const auto all_shown = [bar] {
        QCoreApplication::sendPostedEvents();
        const QRect last = bar->tabRect(bar->count() - 1);
        return bar->width() >= bar->sizeHint().width() && last.right() < bar->width();
    };
    QVERIFY2(all_shown(), qPrintable(QString("window %1 wide").arg(w->width())));
    QVERIFY(w->height() >= 628);  // taller where a larger font needs it
    QCOMPARE(w->minimumSize(), QSize(380, 496));
    if (point_size == 6)
        QCOMPARE(w->width(), 406);
    QVERIFY(w->width() >= 406);
    // Narrower, the form scrolls instead of cutting a title.
    auto *scroll = w->findChild<QScrollArea *>(QStringLiteral("formScroll"));
    QVERIFY(scroll);
    QVERIFY(!scroll->horizontalScrollBar()->isVisible());
    w->resize(w->minimumWidth(), w->height());
    QVERIFY(all_shown());
    QCOMPARE(scroll->horizontalScrollBar()->isVisible(), w->width() < bar->sizeHint().width());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
