// The firmware update from the main window: the file and the question, the
// loader dialogue byte by byte on a scripted line, the whole update against
// the simulated unit, the menu entry that starts it and its progress window.
// uic makes the forms' headers for this test too.
#include "ui_mainwindow.h"
#include "ui_prog.h"

#include "hex_image.h"
#include "link/frames.h"
#include "prog.h"
#include "scripted_port.h"
#include "sim_window.h"

#include <QMenu>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QString kTransferText = QStringLiteral("Передача прошивки...");
const QString kRestartText = QStringLiteral("Прошивка успешно завершена ! Рестарт блока ...");
const QString kQuestion = QStringLiteral("Вы действительно хотите сменить прошивку?");
const QString kTransferError =
    QStringLiteral("Ошибка передачи данных!\nПроверьте оборудование и повторите попытку.");
const QString kTimeout =
    QStringLiteral("Превышено время ожидания ответа!\nПроверьте оборудование и повторите попытку.");
const QString kLoaderWaits = QStringLiteral(
    "Блок может ожидать прошивку в загрузчике (4800 бод). Чтобы повторить смену прошивки, нажмите \"Стоп\" и "
    "выберите \"Восстановить прошивку…\" в контекстном меню списка портов.");
const QByteArray kEntry = QByteArray::fromHex("243030373737370d");  // "$007777" CR

// A progress window the update showed: its message and the bar's values.
struct Shown {
    QString text;
    QList<int> values;
};

// A window with short loader waits whose progress windows are recorded
// instead of shown; the firmware file is written on request.
struct Rig : SimWindow {
    Rig()
        : SimWindow(1, QString(), [this](MainWindowServices &services) {
              services.timing.loader_tick_ms = 2;
              services.timing.restart_step_ms = 1;
              services.show_progress = [this](prog &dialog) {
                  const int index = int(shown.size());
                  shown << Shown{dialog.label->text(), {}};
                  QObject::connect(dialog.progressBar, &QProgressBar::valueChanged,
                                   [this, index](int value) { shown[index].values << value; });
              };
          })
    {
        short_time_outs();
        unit.timing().restart = sim::msec(5);
    }
    // The file the dialog answers with.
    void pick(const QStringList &lines)
    {
        const QString path = dir.filePath("image.hex");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(lines.join('\n').toLatin1() + '\n');
        dialogs->file_names << path;
    }
    // Replaces the line with a scripted one at baud: every entry frame and
    // line gets the next of replies (empty: silence), set_line_speed an answer.
    void script(int baud, const QList<QByteArray> &replies)
    {
        line = take_line(std::make_unique<ScriptedPort>());
        line->setBaudRate(baud);
        line->baud_history = {baud};
        loader_replies = replies;
        line->responder = [this](const QByteArray &data) -> QList<ScriptedPort::Chunk> {
            if (data.startsWith("$0001")) {
                QByteArray answer = QByteArray::fromHex("0101");
                encode_frame(answer);
                answer[0] = '!';
                return {{0, answer}};
            }
            held << (session().exchange().exchange_busy == 1 && !ui().chn->isEnabled());
            if (loader_replies.isEmpty() || loader_replies.first().isEmpty()) {
                if (!loader_replies.isEmpty())
                    loader_replies.removeFirst();
                return {};
            }
            return {{0, loader_replies.takeFirst()}};
        };
    }
    // The writes as "E" (entry frame), "L<n>" (line n+1 of lines with LF CR)
    // and "S<index>" (set_line_speed); anything else as hex.
    QStringList writes(const QStringList &lines)
    {
        QStringList out;
        for (const ScriptedPort::Write &w : line->writes) {
            QString name = QString::fromLatin1(w.bytes.toHex(' '));
            if (w.bytes == kEntry)
                name = "E";
            for (int i = 0; i < lines.size(); ++i)
                if (w.bytes == lines[i].toLatin1() + "\n\r")
                    name = QStringLiteral("L%1").arg(i + 1);
            for (int i = 0; i < 6; ++i) {
                QByteArray frame = QByteArray::fromHex("0001") + char(i);
                encode_frame(frame);
                if (w.bytes == frame)
                    name = QStringLiteral("S%1").arg(i);
            }
            out << name;
        }
        return out;
    }
    void update() { window->on_progButton_released(); }

    QTemporaryDir dir;
    ScriptedPort *line = nullptr;
    QList<QByteArray> loader_replies;
    QList<bool> held;  // at every loader write: the line held and the controls locked
    QList<Shown> shown;
};

const QStringList kThree = {":0400000001020304F2", ":03001000aabbccbc", ":00000001FF"};
const QList<int> kRestartValues = {10, 20, 30, 40, 50, 60, 70, 80, 90};

QByteArray b(const char *hex)
{
    return QByteArray::fromHex(hex);
}

}  // namespace

class TestFirmwareUpdate : public QObject {
    Q_OBJECT
private slots:
    void stops_before_the_transfer_data();
    void stops_before_the_transfer();
    void loader_dialogue_data();
    void loader_dialogue();
    void stale_bytes_before_the_entry_frame();
    void updates_the_simulated_unit_data();
    void updates_the_simulated_unit();
    void menu_entry();
    void progress_window_data();
    void progress_window();
};

void TestFirmwareUpdate::stops_before_the_transfer_data()
{
    QTest::addColumn<QString>("file");  // "": cancelled, "missing", "fifo", "bad", "good", or a path
    QTest::addColumn<int>("answer");    // to the question
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("no file chosen") << "" << 0 << QStringList();
    QTest::newRow("file does not open")
        << "missing" << 0 << QStringList{"Выбранный файл не открывается на чтение!"};
    // Neither may hold the window: refused before anything is read.
    QTest::newRow("endless device") << "/dev/zero" << 0
                                    << QStringList{"Выбранный файл не открывается на чтение!"};
    QTest::newRow("FIFO") << "fifo" << 0 << QStringList{"Выбранный файл не открывается на чтение!"};
    QTest::newRow("not a firmware file")
        << "bad" << 0 << QStringList{"Выбранный файл имеет не верную струтуру!"};
    QTest::newRow("question answered No") << "good" << int(NoButtonAnswer) << QStringList{kQuestion};
}

void TestFirmwareUpdate::stops_before_the_transfer()
{
    QFETCH(QString, file);
    QFETCH(int, answer);
    QFETCH(QStringList, texts);
    Rig r;
    r.script(57600, {b("aa"), b("cc")});
    if (file == "good")
        r.pick(kThree);
    else if (file == "bad")
        r.pick({kThree[0], kThree[1], kThree[0], ":0400000001020304F3", kThree[2]});
    else if (file == "missing")
        r.dialogs->file_names << r.dir.filePath("missing.hex");
    else if (file == "fifo")
        r.dialogs->file_names << r.dir.filePath("image.hex");
    else if (!file.isEmpty())
        r.dialogs->file_names << file;
    if (file == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(r.dir.filePath("image.hex")).constData(), 0600), 0);
    if (answer)
        r.dialogs->answers << answer;
    r.update();
    QCOMPARE(r.dialogs->texts(), texts);
    // Why the file did not open, or where it is wrong, goes under the text.
    const bool reason = file == "missing" || file == "fifo" || file.startsWith('/');
    if (file == "bad")
        QCOMPARE(r.dialogs->messages.value(0).informative, QString("Строка 4: неверная контрольная сумма"));
    else
        QCOMPARE(r.dialogs->messages.value(0).informative.isEmpty(), !reason);
    for (const ScriptedDialogs::Message &m : r.dialogs->messages) {
        QCOMPARE(m.title, QString("МИРВАЛ-В Визард"));
        QCOMPARE(m.kind, m.text == kQuestion ? MessageKind::Information : MessageKind::Critical);
        QCOMPARE(m.buttons, m.text == kQuestion ? int(YesButton | NoButtonAnswer) : int(YesButton));
    }
    QVERIFY(r.line->writes.isEmpty());
    QCOMPARE(r.line->baudRate(), 57600);
    QVERIFY(r.shown.isEmpty());
}

void TestFirmwareUpdate::loader_dialogue_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<QByteArray>>("replies");  // to the entry frames and lines in turn
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QString>("error");  // empty: success

    const QStringList one = {":00000001FF"};
    const QList<int> thirds = {33, 66, 100};
    QTest::newRow("three lines at 4800")
        << 4800 << kThree << QList<QByteArray>{b("aa"), b("aa"), b("aa"), b("cc")}
        << QStringList{"E", "L1", "L2", "L3", "S0"} << thirds << "";
    QTest::newRow("three lines at 57600")
        << 57600 << kThree << QList<QByteArray>{b("aa"), b("aa"), b("aa"), b("cc")}
        << QStringList{"S0", "E", "L1", "L2", "L3", "S4"} << thirds << "";
    QTest::newRow("back to 115200") << 115200 << one << QList<QByteArray>{b("aa"), b("cc")}
                                    << QStringList{"S0", "E", "L1", "S5"} << QList<int>{100} << "";
    QTest::newRow("done at once") << 57600 << kThree << QList<QByteArray>{b("cc")}
                                  << QStringList{"S0", "E", "S4"} << QList<int>() << "";
    QTest::newRow("done with bytes after it") << 57600 << one << QList<QByteArray>{b("aa"), b("ccaa")}
                                              << QStringList{"S0", "E", "L1", "S4"} << QList<int>{100} << "";
    QTest::newRow("silence after line 1 resumes with line 2")
        << 4800 << kThree << QList<QByteArray>{b("aa"), {}, b("aa"), b("aa"), b("cc")}
        << QStringList{"E", "L1", "E", "L2", "L3", "S0"} << thirds << "";
    QTest::newRow("silence before the completion byte")
        << 4800 << one << QList<QByteArray>{b("aa"), {}, b("cc")} << QStringList{"E", "L1", "E", "S0"}
        << QList<int>{100} << "";
    QTest::newRow("ready and done in one read") << 57600 << kThree << QList<QByteArray>{b("aacc")}
                                                << QStringList{"S0", "E"} << QList<int>() << kTransferError;
    QTest::newRow("ready twice in one read") << 4800 << kThree << QList<QByteArray>{b("aa"), b("aaaa")}
                                             << QStringList{"E", "L1"} << QList<int>{33} << kTransferError;
    QTest::newRow("line refused") << 4800 << kThree << QList<QByteArray>{b("aa"), b("55")}
                                  << QStringList{"E", "L1"} << QList<int>{33} << kTransferError;
    QTest::newRow("ready after the last line")
        << 57600 << one << QList<QByteArray>{b("aa"), b("aa")} << QStringList{"S0", "E", "L1"}
        << QList<int>{100} << kTransferError;
    QTest::newRow("total silence") << 57600 << kThree << QList<QByteArray>()
                                   << (QStringList{"S0"} + QStringList(20, "E")) << QList<int>() << kTimeout;
}

void TestFirmwareUpdate::loader_dialogue()
{
    QFETCH(int, baud);
    QFETCH(QStringList, lines);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QStringList, writes);
    QFETCH(QList<int>, steps);
    QFETCH(QString, error);
    Rig r;
    r.script(baud, replies);
    r.pick(lines);
    r.update();

    QCOMPARE(r.writes(lines), writes);
    QCOMPARE(r.held, QList<bool>(r.held.size(), true));
    QCOMPARE(r.shown.size(), error.isEmpty() ? 2 : 1);
    QCOMPARE(r.shown[0].text, kTransferText);
    QCOMPARE(r.shown[0].values, steps);
    const QList<int> bauds = baud == 4800 ? QList<int>{4800, 4800} : QList<int>{baud, 4800, baud};
    QCOMPARE(r.line->baud_history, bauds);
    QCOMPARE(r.session().exchange().exchange_busy, 0);
    QVERIFY(r.ui().searchButton->isEnabled());
    if (error.isEmpty()) {
        QCOMPARE(r.dialogs->texts(), QStringList{kQuestion});
        QCOMPARE(r.shown[1].text, kRestartText);
        QCOMPARE(r.shown[1].values, kRestartValues);
        QVERIFY(r.ui().chn->isEnabled());
    } else {
        QCOMPARE(r.dialogs->texts(), (QStringList{kQuestion, error}));
        QCOMPARE(r.dialogs->messages[1].kind, MessageKind::Critical);
        QCOMPARE(r.dialogs->messages[1].buttons, int(YesButton));
        QCOMPARE(r.dialogs->messages[1].informative, kLoaderWaits);
        QVERIFY(!r.ui().chn->isEnabled());
    }
}

void TestFirmwareUpdate::stale_bytes_before_the_entry_frame()
{
    // A poll answer that came too late for its poll is still waiting.
    Rig r;
    r.script(4800, {b("aa"), b("aa"), b("aa"), b("cc")});
    r.line->inject("!0101010000000000000003\r");
    r.pick(kThree);
    r.update();
    QCOMPARE(r.writes(kThree), (QStringList{"E", "L1", "L2", "L3", "S0"}));
    QCOMPARE(r.dialogs->texts(), QStringList{kQuestion});
}

void TestFirmwareUpdate::updates_the_simulated_unit_data()
{
    QTest::addColumn<int>("speed_index");  // of the connection
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");
    QTest::newRow("at 57600") << 4 << ""
                              << "";
    QTest::newRow("at 4800") << 0 << ""
                             << "";
    QTest::newRow("loader stalls after line 2") << 4 << "loader-stall=2"
                                                << "";
    QTest::newRow("loader refuses line 2") << 4 << "loader-reject=2" << kTransferError;
}

void TestFirmwareUpdate::updates_the_simulated_unit()
{
    QFETCH(int, speed_index);
    QFETCH(QString, fault);
    QFETCH(QString, error);
    Rig r;
    r.session().link_settings().wait_index = 10;  // a poll at 4800 baud needs some 50 ms
    r.session().link_settings().speed_index = speed_index;
    r.unit.state().speed_index = speed_index;
    r.unit.faults().add("speed-check");
    r.press_start();
    QVERIFY(r.connected());
    if (!fault.isEmpty())
        r.unit.faults().add(fault);
    const QStringList lines = hex_image::lines(48);
    r.pick(lines);
    r.forget_requests();
    r.update();

    QStringList speeds;  // set_line_speed requests, as their index
    for (const QByteArray &p : r.requests())
        if (p.size() == 3 && p[0] == 0 && p[1] == 1)
            speeds << QString::number(p[2]);
    const QString back = QString::number(speed_index);
    QCOMPARE(speeds.join(' '), error.isEmpty() ? (speed_index ? "0 " + back : back) : QString("0"));
    QCOMPARE(r.port()->baudRate(), speed_of_index(speed_index));
    if (error.isEmpty()) {
        QCOMPARE(r.dialogs->texts(), QStringList{kQuestion});
        QVERIFY(r.unit.loader().complete());
        QCOMPARE(r.unit.loader().lines().size(), lines.size());
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(QString::fromLatin1(r.unit.loader().lines()[i]), lines[i]);
        QCOMPARE(r.unit.loader().image().size(), 48);
        QCOMPARE(r.unit.loader().bad_terminators(), 0);
        QCOMPARE(r.unit.loader().entries(), fault.isEmpty() ? 1 : 2);
        // Unit and port agree again.
        QCOMPARE(r.unit.state().speed_index, speed_index);
        QByteArray modes = QByteArray::fromHex("0105");
        QCOMPARE(r.window->SendCommand(modes, false), 0);
        QVERIFY(r.connected());
    } else {
        QCOMPARE(r.dialogs->texts(), (QStringList{kQuestion, error}));
        QCOMPARE(r.shown.size(), 1);
        QCOMPARE(r.shown[0].values, (QList<int>{25, 50}));
    }
}

void TestFirmwareUpdate::menu_entry()
{
    Rig r;
    QCOMPARE(r.ui().version->contextMenuPolicy(), Qt::CustomContextMenu);
    std::unique_ptr<QMenu> menu = r.window->version_menu();
    QCOMPARE(menu->actions().size(), 1);
    QAction *change = menu->actions()[0];
    QCOMPARE(change->text(), QString("Сменить прошивку…"));
    QVERIFY(!change->isEnabled());
    r.update();  // nothing without a unit
    QVERIFY(r.dialogs->file_dialogs.isEmpty());

    r.press_start();
    QVERIFY(r.connected());
    menu = r.window->version_menu();
    change = menu->actions()[0];
    QVERIFY(change->isEnabled());
    change->trigger();
    menu.reset();
    QTRY_COMPARE(r.dialogs->file_dialogs.size(), 1);
    QCOMPARE(r.dialogs->file_dialogs[0].title, QString("Выбор файла прошивки"));
    QCOMPARE(r.dialogs->file_dialogs[0].kind, ScriptedDialogs::FileDialogKind::Open);

    r.press_start();
    QVERIFY(!r.connected());
    QVERIFY(!r.window->version_menu()->actions()[0]->isEnabled());
}

void TestFirmwareUpdate::progress_window_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("thirds") << 3 << QList<int>{0, 1, 2, 3} << QList<int>{0, 33, 66, 100};
    QTest::newRow("restart steps") << 10 << QList<int>{0, 9} << QList<int>{0, 90};
    QTest::newRow("rounded down") << 4097 << QList<int>{1, 4096, 4097} << QList<int>{0, 99, 100};
    QTest::newRow("no steps") << 0 << QList<int>{1} << QList<int>{0};
}

void TestFirmwareUpdate::progress_window()
{
    QFETCH(int, total);
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, values);
    prog dialog(nullptr, QStringLiteral("Передача прошивки..."));
    QCOMPARE(dialog.label->text(), QString("Передача прошивки..."));
    QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    dialog.start_progress(total);
    QCOMPARE(dialog.progressBar->maximum(), 100);
    QList<int> seen;
    for (int step : steps) {
        dialog.set_step(step);
        seen << dialog.progressBar->value();
    }
    QCOMPARE(seen, values);
}

QTEST_MAIN(TestFirmwareUpdate)
#include "tst_firmware_update.moc"
