// The way back from a failed firmware update, with the real serial port
// against mirval-sim: a file with a faulty record is refused before anything
// reaches the unit; a loader that rejects line 3 leaves the unit in its
// loader, and mirval-cli flash --loader or the window's "Восстановить
// прошивку…" hand it the image again.
#include "../firmware/hex_image.h"
#include "cli_process.h"
#include "services/change_journal.h"
#include "sim_process.h"
#include "window_rig.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kQuestion = QStringLiteral("Вы действительно хотите сменить прошивку?");
const QString kBadFile = QStringLiteral("Выбранный файл имеет не верную струтуру!");
const QString kTransferError =
    QStringLiteral("Ошибка передачи данных!\nПроверьте оборудование и повторите попытку.");
const QString kWaits = QStringLiteral("Блок может ожидать прошивку в загрузчике (4800 бод). ");
const QString kRestore = QStringLiteral("Восстановить прошивку…");
constexpr int kImageBytes = 64;  // four data records and the end-of-file record

// Requests the simulator printed since line first ("<seconds> > <hex>  ...").
int requests_since(SimProcess &sim, int first)
{
    int count = 0;
    for (const QString &l : sim.lines().mid(first))
        count += l.contains(QStringLiteral(" > ")) ? 1 : 0;
    return count;
}

}  // namespace

class TestE2eFirmwareRestore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void faulty_file_is_refused_before_any_request_data();
    void faulty_file_is_refused_before_any_request();
    void unit_left_in_its_loader_comes_back_data();
    void unit_left_in_its_loader_comes_back();

private:
    QString write_file(const QString &name, const QStringList &lines);
    QTemporaryDir m_dir;
};

void TestE2eFirmwareRestore::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QVERIFY(m_dir.isValid());
}

QString TestE2eFirmwareRestore::write_file(const QString &name, const QStringList &lines)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(lines.join("\r\n").toLatin1() + "\r\n");
    return path;
}

void TestE2eFirmwareRestore::faulty_file_is_refused_before_any_request_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("mirval-cli flash") << "flash";
    QTest::newRow("mirval-cli flash --loader") << "loader";
    QTest::newRow("window, restore from the port list") << "window";
}

void TestE2eFirmwareRestore::faulty_file_is_refused_before_any_request()
{
    QFETCH(QString, how);
    QStringList lines = hex_image::lines(kImageBytes);
    lines[3].replace(lines[3].size() - 2, 2, lines[3].endsWith("00") ? "01" : "00");
    const QString bad = write_file("bad.hex", lines);
    const QString fault = QStringLiteral("Строка 4: неверная контрольная сумма");

    SimProcess sim;
    QVERIFY(sim.start({"--address", "1"}));
    const int from = int(sim.lines().size());
    if (how == "window") {
        RealWindow w(100);
        QVERIFY(w.select_port(sim.port()));
        w.dialogs->file_names << bad;
        w.window->restore_firmware();
        QCOMPARE(w.dialogs->texts(), QStringList{kBadFile});
        QCOMPARE(w.dialogs->messages[0].informative, fault);
        QCOMPARE(w.session().state(), ConnectionState::Disconnected);
    } else {
        QStringList args{"--port", sim.port(), "flash", bad};
        if (how == "loader")
            args << "--loader";
        const CliRun run = run_cli(args);
        QCOMPARE(run.exit, 3);
        QCOMPARE(run.err, bad + ": " + kBadFile + "\n" + fault + "\n");
    }
    QTest::qWait(200);
    QCOMPARE(requests_since(sim, from), 0);
}

void TestE2eFirmwareRestore::unit_left_in_its_loader_comes_back_data()
{
    QTest::addColumn<bool>("window");
    QTest::newRow("mirval-cli flash --loader") << false;
    QTest::newRow("window, restore from the port list") << true;
}

void TestE2eFirmwareRestore::unit_left_in_its_loader_comes_back()
{
    QFETCH(bool, window);
    const QStringList lines = hex_image::lines(kImageBytes);
    const QString good = write_file("good.hex", lines);
    const journal::ChangeJournal journal;
    QFile::remove(journal.path());

    SimProcess sim;
    QVERIFY(
        sim.start({"--address", "1", "--modes", "1,1,1,1", "--version", "2.5", "--fault", "loader-fail=3"}));
    const QString port = sim.port();

    std::unique_ptr<RealWindow> w;
    if (window) {
        w = std::make_unique<RealWindow>(100);
        QVERIFY(w->start(port, 1));
        QVERIFY(QTest::qWaitFor([&] { return w->connected(); }, 10000));
        w->dialogs->file_names << good;
        w->window->on_progButton_released();
        QCOMPARE(w->dialogs->texts(), (QStringList{kQuestion, kTransferError}));
        QCOMPARE(w->dialogs->messages[1].informative,
                 kWaits + "Чтобы повторить смену прошивки, нажмите \"Стоп\" и выберите \"" + kRestore +
                     "\" в контекстном меню списка портов.");
        // While connected the entry stays off; after "Стоп" it is there.
        QVERIFY(!w->window->port_menu()->actions().value(0)->isEnabled());
        w->press_start();
        QCOMPARE(w->session().state(), ConnectionState::Disconnected);
    } else {
        const CliRun run = run_cli({"--port", port, "flash", good});
        QCOMPARE(run.exit, 1);
        QCOMPARE(run.err.section('\n', -3, -1), "Проверьте оборудование и повторите попытку.\n" + kWaits +
                                                    "Повторите смену прошивки: mirval-cli --port " + port +
                                                    " flash --loader " + good + "\n");
    }
    QVERIFY(sim.control("image 1"));
    QVERIFY2(sim.reply().startsWith("image 1 complete=0"), qPrintable(sim.reply()));

    if (window) {
        w->dialogs->file_names << good;
        std::unique_ptr<QMenu> menu = w->window->port_menu();
        QAction *restore = menu->actions().value(0);
        QCOMPARE(restore->text(), kRestore);
        QVERIFY(restore->isEnabled());
        restore->trigger();
        // Queued: runs whole from the event loop.
        QVERIFY(QTest::qWaitFor([&] { return w->dialogs->texts().size() == 3; }, 30000));
        QCOMPARE(w->dialogs->texts().last(), kQuestion);
        QCOMPARE(w->session().state(), ConnectionState::Disconnected);
        QVERIFY(w->ui().searchButton->isEnabled());
        // Without a unit its controls are off again.
        QVERIFY(!w->ui().DK->isEnabled());
        QVERIFY(!w->ui().pred->isEnabled());
    } else {
        const CliRun run = run_cli({"--port", port, "flash", "--loader", good});
        QVERIFY2(run.exit == 0, qPrintable(run.err));
        QCOMPARE(run.out, QString("Прошивка успешно завершена !\n"));
    }

    // The image the loader stored, byte by byte, and the unit answers again
    // (at 4800 baud, where the update left it).
    QByteArray data;
    for (int at = 0; at < kImageBytes; ++at)
        data.append(char(at * 7));
    QVERIFY(sim.control("image 1"));
    QCOMPARE(sim.reply(), QStringLiteral("image 1 complete=1 bytes=%1 00000000:%2")
                              .arg(kImageBytes)
                              .arg(QString::fromLatin1(data.toHex())));
    QCOMPARE(run_cli({"--port", port, "--address", "1", "--speed", "4800", "info"}).exit, 0);

    // Both attempts are in the journal: the failed one refused, the other
    // confirmed.
    QStringList results;
    for (const journal::Entry &e : journal.read())
        if (e.key == "FIRMWARE")
            results << journal::result_key(e.result) + " " + e.new_value.text;
    QCOMPARE(results, (QStringList{"refused good.hex", "confirmed good.hex"}));
}

QTEST_MAIN(TestE2eFirmwareRestore)
#include "tst_e2e_firmware_restore.moc"
