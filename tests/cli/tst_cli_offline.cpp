// mirval-cli without a unit: the command line, its refusals and exit
// statuses, the help, `show`, and the comparison behind `diff` and
// `write --verify`.
#include "../config/example_config.h"
#include "cli.h"
#include "cli_process.h"
#include "config/config_file.h"
#include "config_text.h"
#include "link/virtual_ports.h"

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

class TestCliOffline : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refusals_data();
    void refusals();
    void help_data();
    void help();
    void show_text();
    void show_json();
    void differences_data();
    void differences();
    void diff_of_two_files_data();
    void diff_of_two_files();
    void version_and_quiet_toolkit();
    void manual_page_reads_clean();
    void completion_data();
    void completion();
    void ports_lists_the_network_ports_of_the_settings_file();
    void values_the_unit_holds_otherwise_data();
    void values_the_unit_holds_otherwise();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// A unit: channel 1 LF, channel 2 HF, channel 3 off, channel 4 LF; pairs
// 1+4.
static UnitConfig example()
{
    UnitConfig c;
    ChannelSettings &a = c.channels[0];
    a.regim = 1, a.porog = 9, a.usilenie = 3, a.arp = 0, a.impuls = 2, a.pauza = 3, a.okno = 4, a.schet = 1,
    a.trevoga = 1, a.predustanovka = 6, a.rezhektsiya = 10;
    ChannelSettings &b = c.channels[1];
    b.regim = 2, b.porog = 6, b.usilenie = 4, b.arp = 1, b.impuls = 4, b.pauza = 4, b.okno = 5, b.schet = 2,
    b.trevoga = 2, b.perepil_porog = 7, b.perepil_vremj = 2;
    // Channel 3 off, with the zeros a file saved from the unit holds.
    c.channels[3] = b;
    ChannelSettings &d = c.channels[3];
    d.regim = 1, d.perepil_porog = 0, d.perepil_vremj = 0, d.arp = 0;
    c.kross = 0x04;  // the pair (1,4)
    c.zaderzhka = 4;
    c.blokirovka = 3;
    return c;
}

void TestCliOffline::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QString error;
    QCOMPARE(save_config_file(file("unit.xml"), example(), &error), 0);
    QFile bad(file("bad.xml"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("<MIRVAL><KANAL NOMER=\"0\"/></MIRVAL>");
    QFile broken(file("broken.xml"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("<!DOCTYPE MIRVAL-V04>\n<MIRVAL>\n <KANAL NOMER=\"0\" POROG=\"9\"\n</MIRVAL>\n");
    // A file inside 20000 wrapping elements (140 KB).
    QFile nested(file("nested.xml"));
    QVERIFY(nested.open(QIODevice::WriteOnly));
    nested.write(QByteArray("<W>").repeated(20000) + "<MIRVAL/>" + QByteArray("</W>").repeated(20000));
    // Values outside the lists, for a unit and for a site's line.
    const UnitConfig outside = edited(example(), {"1 impuls 250", "2 onoff 7"});
    QCOMPARE(save_config_file(file("outside.xml"), outside, &error), 0);
    QVERIFY(QDir().mkpath(file("site")));
    QCOMPARE(save_config_file(file("site/ttyNONE0-3.cfg"), outside, &error), 0);
}

void TestCliOffline::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("message");  // part of what standard error says

    const QStringList unit{"--port", "ttyNONE0", "--address", "1"};
    QTest::newRow("no command") << QStringList{} << 2 << "COMMAND";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "Неизвестная команда 'frobnicate'";
    QTest::newRow("no port") << QStringList{"--address", "1", "time"} << 2 << "Не задан порт";
    QTest::newRow("no address") << QStringList{"--port", "ttyNONE0", "time"} << 2
                                << "Необходимо задать адрес блока!";
    QTest::newRow("address 0") << QStringList{"--port", "ttyNONE0", "--address", "0", "time"} << 2
                               << "Необходимо задать адрес блока!";
    QTest::newRow("address 256") << QStringList{"--port", "ttyNONE0", "--address", "256", "time"} << 2
                                 << "от 1 до 255";
    QTest::newRow("speed not in the table")
        << (unit + QStringList{"--speed", "14400", "time"}) << 2 << "Скорость обмена";
    QTest::newRow("option of another command")
        << (unit + QStringList{"time", "--verify"}) << 2 << "Неизвестный параметр '--verify'";
    QTest::newRow("missing argument") << (unit + QStringList{"set", "porog"}) << 2 << "Неверные аргументы";
    QTest::newRow("extra argument") << (unit + QStringList{"time", "now"}) << 2 << "Неверные аргументы";
    QTest::newRow("unknown parameter") << (unit + QStringList{"get", "POROG"}) << 2
                                       << "Неизвестный параметр 'POROG'. Параметры: porog, usilenie";
    QTest::newRow("value not in the list")
        << (unit + QStringList{"set", "porog", "141", "--channel", "2"}) << 2
        << "Значение '141' не из списка 'Порог (мВ)'. Допустимые значения: 6, 9, 13, 18, 25, 35, 50, 70, "
           "100, "
           "140, 200, 280, 400, 560";
    QTest::newRow("value as a code") << (unit + QStringList{"set", "arp", "0"}) << 2
                                     << "Допустимые значения: Выкл, 1, 2, 3, 4, 5";
    QTest::newRow("rejection as written elsewhere")
        << (unit + QStringList{"set", "reject", "2,7"}) << 2 << "не из списка 'Режекция (Гц)'";
    QTest::newRow("channel 5") << (unit + QStringList{"level", "--channel", "5"}) << 2 << "от 1 до 4";
    QTest::newRow("scan range") << QStringList{"--port", "ttyNONE0", "scan", "--from", "9", "--to", "3"} << 2
                                << "--from";
    QTest::newRow("port that does not open")
        << (unit + QStringList{"time"}) << 4
        << "Не возможно открыть выбранный порт!\nПорт ttyNONE0 не найден";
    QTest::newRow("show: no file") << QStringList{"show", m_dir.filePath("missing.xml")} << 3
                                   << "Ошибка открытия файла: " + m_dir.filePath("missing.xml") + ": ";
    QTest::newRow("show: damaged XML, where")
        << QStringList{"show", m_dir.filePath("broken.xml")} << 3
        << "Ошибка анализа файла: " + m_dir.filePath("broken.xml") + " (строка 4, столбец ";
    QTest::newRow("show: not a configuration")
        << QStringList{"show", m_dir.filePath("bad.xml")} << 3 << "Ошибка анализа файла";
    QTest::newRow("write: file refused before the port")
        << (unit + QStringList{"write", m_dir.filePath("bad.xml")}) << 3 << "Ошибка анализа файла";
    QTest::newRow("show: nested too deep")
        << QStringList{"show", file("nested.xml")} << 3
        << "Ошибка анализа файла: " + file("nested.xml") + ": Не верна структура файла!";
    QTest::newRow("flash: endless device") << QStringList{"--port", "ttyNONE0", "flash", "/dev/zero"} << 3
                                           << "Выбранный файл не открывается на чтение! Выбран не файл";
    QTest::newRow("flash: no file") << QStringList{"--port", "ttyNONE0", "flash", m_dir.filePath("none.hex")}
                                    << 3 << m_dir.filePath("none.hex") + ": ";
    QTest::newRow("two lines for a one-line command")
        << (unit + QStringList{"--port", "ttyNONE1", "time"}) << 2 << "работает с одной линией";
    QTest::newRow("backup: no directory") << QStringList{"--port", "ttyNONE0", "backup"} << 2 << "--dir";
    QTest::newRow("backup: a line twice")
        << QStringList{"--port", "ttyNONE0", "--port", "ttyNONE0", "backup", "--dir", m_dir.path()} << 2
        << "задана дважды";
    QTest::newRow("backup: two lines, one file name")
        << QStringList{"--port", "ttyNONE:1", "--port", "ttyNONE_1", "backup", "--dir", m_dir.path()} << 2
        << "одно имя файла";
    QTest::newRow("backup: an address")
        << QStringList{"--port", "ttyNONE0", "--address", "3", "backup", "--dir", m_dir.path()} << 2
        << "--address не нужен";
    QTest::newRow("restore: no such directory")
        << QStringList{"--port", "ttyNONE0", "restore", "--dir", m_dir.filePath("none")} << 3
        << "Нет каталога";
    // Refused before the port opens (which would give 4).
    QTest::newRow("write: values outside the lists")
        << (unit + QStringList{"write", file("outside.xml")}) << 3
        << "Файл " + file("outside.xml") +
               " не записан: значения не из списков\n  Канал 1: Импульс: 250\n  Канал 2: Режим работы: 7";
    QTest::newRow("write --changed-only: values outside the lists")
        << (unit + QStringList{"write", file("outside.xml"), "--changed-only", "--dry-run"}) << 3
        << "Канал 2: Режим работы: 7";
    QTest::newRow("restore: values outside the lists")
        << QStringList{"--port", "ttyNONE0", "restore", "--dir", file("site")} << 3
        << "Ничего не записано: в файлах значения не из списков\n  " + file("site/ttyNONE0-3.cfg") +
               ": Канал 1: Импульс: 250";
    QTest::newRow("write: --dry-run alone") << (unit + QStringList{"write", file("unit.xml"), "--dry-run"})
                                            << 2 << "--dry-run: только вместе с --changed-only";
    QTest::newRow("diff: second file missing")
        << QStringList{"diff", file("unit.xml"), file("missing.xml")} << 3 << "Ошибка открытия файла";
    QTest::newRow("flash: not a hex file")
        << QStringList{"--port", "ttyNONE0", "flash", m_dir.filePath("unit.xml")} << 3 << "";
}

void TestCliOffline::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exit);
    QFETCH(QString, message);
    const CliRun run = run_cli(arguments);
    QCOMPARE(run.exit, exit);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(!run.err.trimmed().isEmpty(), "every refusal says why");
    QCOMPARE(run.out, QString());

    // The same with --json: one document on standard output that says so.
    const CliRun json = run_cli(QStringList{"--json"} + arguments);
    QCOMPARE(json.exit, exit);
    const QJsonObject doc = json.json();
    QCOMPARE(doc.value("ok").toBool(true), false);
    QCOMPARE(doc.value("exit").toInt(), exit);
    QVERIFY(doc.value("error").toString().contains(message.section('\n', 0, 0)));
}

void TestCliOffline::help_data()
{
    QTest::addColumn<QString>("command");
    for (const cli::Command &c : cli::commands())
        QTest::newRow(c.name) << QString::fromLatin1(c.name);
}

void TestCliOffline::help()
{
    QFETCH(QString, command);
    const CliRun run = run_cli({command, "--help"});
    QCOMPARE(run.exit, 0);
    QVERIFY2(run.out.contains("mirval-cli") && run.out.contains(command), qPrintable(run.out));
    QCOMPARE(run.err, QString());
}

void TestCliOffline::show_text()
{
    const CliRun run = run_cli({"show", file("unit.xml")});
    QCOMPARE(run.exit, 0);
    const QStringList expected = {
        "Канал 1: НЧ",
        "  Предустановка: Рабица",
        "  Порог: 140 мВ",
        "  Усиление: 3",
        "  АРП: Выкл",
        "  Импульс: 80 мсек",
        "  Пауза: 160 мсек",
        "  Окно: 10 сек",
        "  Счет: 1",
        "  Тревога: 1 сек",
        "  Режекция: 2.7 Гц",
        "Канал 2: ВЧ",
        "  Порог: 50 мВ",
        "  Усиление: 4",
        "  АРП: 1",
        "  Импульс: 160 мсек",
        "  Пауза: 200 мсек",
        "  Окно: 12 сек",
        "  Счет: 2",
        "  Тревога: 2 сек",
        "  Перепил: Порог: 70 мВ",
        "  Перепил: Превышение: 3 сек",
        "Канал 3: Выкл",
        "Канал 4: НЧ",
        "  Предустановка: Заводская",
        "  Порог: 50 мВ",
        "  Усиление: 4",
        "  АРП: Выкл",
        "  Импульс: 160 мсек",
        "  Пауза: 200 мсек",
        "  Окно: 12 сек",
        "  Счет: 2",
        "  Тревога: 2 сек",
        "  Режекция: 0 Гц",
        "Блок:",
        "  Кросс: 1+4",
        "  Задержка: 160 мсек",
        "  Блокировка: 3 сек",
        "Отпечаток конфигурации: 4dd6ea39",
    };
    QCOMPARE(run.out_lines(), expected);
}

void TestCliOffline::show_json()
{
    const CliRun run = run_cli({"--json", "show", file("unit.xml")});
    QCOMPARE(run.exit, 0);
    QCOMPARE(run.out.count('\n'), 1);
    const QJsonObject doc = run.json();
    QCOMPARE(doc["command"].toString(), QString("show"));
    QCOMPARE(doc["ok"].toBool(), true);
    const QJsonObject config = doc["config"].toObject();
    const QJsonArray channels = config["channels"].toArray();
    QCOMPARE(channels.size(), 4);
    const QJsonObject ch2 = channels[1].toObject();
    QCOMPARE(ch2["onoff"]["text"].toString(), QString("ВЧ"));
    QCOMPARE(ch2["values"]["porog_perepil"]["code"].toInt(), 7);
    QCOMPARE(ch2["values"]["porog_perepil"]["text"].toString(), QString("70"));
    QCOMPARE(ch2["values"]["porog_perepil"]["unit"].toString(), QString("мВ"));
    QVERIFY(!ch2["values"].toObject().contains("reject"));
    QCOMPARE(channels[2].toObject()["values"].toObject().size(), 0);
    // Built step by step: a braced list of one array is taken for a copy by
    // some compilers.
    QJsonArray pairs;
    pairs.append(QJsonArray{1, 4});
    QCOMPARE(config["cross"]["pairs"].toArray(), pairs);
    QCOMPARE(config["zad"]["text"].toString(), QString("160"));
}

void TestCliOffline::differences_data()
{
    QTest::addColumn<int>("channel");  // 1..4, 0 for the unit-wide values
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("unit_value");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("same") << 1 << "porog" << 9 << QStringList{};
    QTest::newRow("threshold") << 1 << "porog" << 8
                               << QStringList{"Канал 1: Порог: в файле 140 мВ, в блоке 100 мВ"};
    QTest::newRow("gain with offset")
        << 2 << "usilenie" << 5 << QStringList{"Канал 2: Усиление: в файле 4, в блоке 5"};
    QTest::newRow("preset in LF") << 1 << "pred" << 0
                                  << QStringList{"Канал 1: Предустановка: в файле Рабица, в блоке Заводская"};
    QTest::newRow("cut value in HF") << 2 << "perepil" << 3
                                     << QStringList{"Канал 2: Перепил: Порог: в файле 70 мВ, в блоке 18 мВ"};
    // What a channel's mode does not use is neither read nor compared.
    QTest::newRow("cut value in LF ignored") << 1 << "perepil" << 3 << QStringList{};
    QTest::newRow("rejection in HF ignored") << 2 << "reject" << 4 << QStringList{};
    QTest::newRow("values of a channel off ignored") << 3 << "porog" << 5 << QStringList{};
    QTest::newRow("mode, other values not compared")
        << 4 << "regim" << 2 << QStringList{"Канал 4: Режим работы: в файле НЧ, в блоке ВЧ"};
    QTest::newRow("code outside the list")
        << 1 << "porog" << 40 << QStringList{"Канал 1: Порог: в файле 140 мВ, в блоке код 40 (нет в списке)"};
    QTest::newRow("pairs") << 0 << "kross" << 0x21
                           << QStringList{"Блок: Кросс: в файле 1+4, в блоке 1+2, 3+4"};
    QTest::newRow("delay") << 0 << "zaderzhka" << 0
                           << QStringList{"Блок: Задержка: в файле 160 мсек, в блоке код 0 (нет в списке)"};
}

// A value of the record by channel (0: unit-wide) and name.
static qint32 &value_of(UnitConfig &config, int channel, const QString &field)
{
    if (channel == 0)
        return field == "kross" ? config.kross : config.zaderzhka;
    ChannelSettings &c = config.channels[channel - 1];
    if (field == "usilenie")
        return c.usilenie;
    if (field == "pred")
        return c.predustanovka;
    if (field == "perepil")
        return c.perepil_porog;
    if (field == "reject")
        return c.rezhektsiya;
    if (field == "regim")
        return c.regim;
    return c.porog;
}

void TestCliOffline::differences()
{
    QFETCH(int, channel);
    QFETCH(QString, field);
    QFETCH(int, unit_value);
    QFETCH(QStringList, expected);
    const UnitConfig file = example();
    UnitConfig unit = file;
    value_of(unit, channel, field) = unit_value;
    if (field == "regim")
        unit.channels[channel - 1].porog = 0;
    QStringList lines;
    for (const cli::Difference &d : cli::config_differences(file, unit))
        lines << cli::difference_line(d);
    QCOMPARE(lines, expected);
}

void TestCliOffline::diff_of_two_files_data()
{
    QTest::addColumn<QStringList>("edits");  // the second file is the first with these
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("lines");  // "B" stands for the second file's path

    QTest::newRow("same") << QStringList{} << 0 << QStringList{"Расхождений нет."};
    QTest::newRow("threshold and delay")
        << QStringList{"1 porog 8", "0 zad 2"} << 1
        << QStringList{"Канал 1: Порог: в первом файле 140 мВ, во втором 100 мВ",
                       "Блок: Задержка: в первом файле 160 мсек, во втором 80 мсек"};
    QTest::newRow("mode") << QStringList{"4 onoff 2", "4 porog 5"} << 1
                          << QStringList{"Канал 4: Режим работы: в первом файле НЧ, во втором ВЧ"};
    QTest::newRow("held otherwise")
        << QStringList{"0 zad 260"} << 0
        << QStringList{"B: Блок: Задержка: в файле код 260 (нет в списке), блок хранит это как 160 мсек",
                       "Расхождений нет."};
}

// Two files, no port and no unit.
void TestCliOffline::diff_of_two_files()
{
    QFETCH(QStringList, edits);
    QFETCH(int, exit);
    QFETCH(QStringList, lines);
    const QString second = file("second.xml");
    QString error;
    QCOMPARE(save_config_file(second, edited(example(), edits), &error), 0);
    const CliRun run = run_cli({"diff", file("unit.xml"), second});
    QCOMPARE(run.exit, exit);
    QCOMPARE(run.out_lines(), lines.replaceInStrings(QRegularExpression("^B:"), second + ":"));
    const CliRun json = run_cli({"--json", "diff", file("unit.xml"), second});
    QCOMPARE(json.exit, exit);
    QCOMPARE(json.json()["differences"].toArray().size(), lines.filter(" во втором ").size());
}

void TestCliOffline::version_and_quiet_toolkit()
{
    const CliRun version = run_cli({"--version"});
    QCOMPARE(version.exit, 0);
    QCOMPARE(version.out, QStringLiteral("mirval-cli " MIRVAL_VERSION "\n"));

    // Root over ssh, a cron job: no runtime directory. The toolkit's warning
    // about it stays off the terminal; the trace still reaches it on demand.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    p.setProcessEnvironment(env);
    p.start(MIRVAL_CLI_PATH, {"--port", "ttyNONE0", "scan", "--from", "1", "--to", "1"});
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), 4);
    QVERIFY2(!err.contains("QStandardPaths"), qPrintable(err));
    env.insert("QT_LOGGING_RULES", "*.debug=false");
    p.setProcessEnvironment(env);
    p.start(MIRVAL_CLI_PATH, {"--port", "ttyNONE0", "scan", "--from", "1", "--to", "1"});
    QVERIFY(p.waitForFinished(30000));
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains("QStandardPaths: XDG_RUNTIME_DIR not set"));

    // The transaction trace on a silent line: only with MIRVAL_CLI_TRACE.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    const QString line = QString::fromLocal8Bit(::ptsname(master));
    for (const bool trace : {false, true}) {
        QProcess scan;
        QProcessEnvironment scan_env = QProcessEnvironment::systemEnvironment();
        if (trace)
            scan_env.insert("MIRVAL_CLI_TRACE", "1");
        scan.setProcessEnvironment(scan_env);
        scan.start(MIRVAL_CLI_PATH, {"--port", line, "scan", "--from", "1", "--to", "1"});
        QVERIFY(scan.waitForFinished(30000));
        QCOMPARE(scan.exitCode(), 1);  // nobody answered
        QCOMPARE(QString::fromUtf8(scan.readAllStandardError()).contains("SendCommand"), trace);
    }
    ::close(master);
}

void TestCliOffline::manual_page_reads_clean()
{
    // man formats the page and reports every roff mistake on standard error.
    QProcess man;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "100");
    env.insert("LC_ALL", "C.UTF-8");
    man.setProcessEnvironment(env);
    man.start("man", {"--warnings", "-E", "UTF-8", "-l", MIRVAL_CLI_MAN});
    QVERIFY2(man.waitForFinished(30000), "man is needed (Debian: man-db)");
    const QString err = QString::fromUtf8(man.readAllStandardError());
    const QString page = QString::fromUtf8(man.readAllStandardOutput());
    QCOMPARE(man.exitCode(), 0);
    QVERIFY2(err.isEmpty(), qPrintable(err));
    for (const cli::Command &c : cli::commands())
        QVERIFY2(page.contains(QRegularExpression(QStringLiteral("\\n +mirval-cli .*%1").arg(c.name))),
                 c.name);
    QVERIFY(page.contains("4 порт не открывается"));
}

void TestCliOffline::completion_data()
{
    QTest::addColumn<QStringList>("words");  // the command line; the last word is completed
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("commands") << QStringList{"se"} << QStringList{"set", "set-time"};
    QTest::newRow("global options") << QStringList{"--p"} << QStringList{"--port"};
    QTest::newRow("command options") << QStringList{"--port", "x", "write", "f.xml", "--"}
                                     << QStringList{"--verify", "--changed-only", "--dry-run", "--help"};
    QTest::newRow("parameter names") << QStringList{"get", "porog"} << QStringList{"porog", "porog_perepil"};
    QTest::newRow("parameter values")
        << QStringList{"set", "arp", ""} << QStringList{"Выкл", "1", "2", "3", "4", "5"};
    QTest::newRow("value after options")
        << QStringList{"--port", "x", "--address", "3", "set", "pred", "Ра"} << QStringList{"Рабица"};
    QTest::newRow("speeds") << QStringList{"--speed", "1"} << QStringList{"19200", "115200"};
    QTest::newRow("ports from mirval-cli ports")
        << QStringList{"--port", "ttyCOMP"} << QStringList{"ttyCOMP0"};
}

void TestCliOffline::completion()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, offered);
    // A virtual port for --port: mirval-cli ports lists it.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QString error;
    const QString port = virtual_ports::publish(file("unit.xml"), &error, "ttyCOMP");
    QCOMPARE(port, QString("ttyCOMP0"));

    QString script = QStringLiteral("source '%1'; COMP_WORDS=(mirval-cli").arg(MIRVAL_CLI_COMPLETION);
    for (const QString &w : words)
        script += " '" + w + "'";
    script +=
        QStringLiteral("); COMP_CWORD=%1; _mirval_cli; printf '%s\\n' \"${COMPREPLY[@]}\"").arg(words.size());
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", QFileInfo(MIRVAL_CLI_PATH).path() + ":" + env.value("PATH"));
    bash.setProcessEnvironment(env);
    bash.start("bash", {"-c", script});
    QVERIFY(bash.waitForFinished(30000));
    virtual_ports::unpublish(port);
    QCOMPARE(QString::fromUtf8(bash.readAllStandardError()), QString());
    QStringList got = QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    got.sort();
    offered.sort();
    QCOMPARE(got, offered);
}

// One URL a line in $XDG_CONFIG_HOME/mirval/ports; comments, blank lines and
// repeats do not count, and a line that names no network port is told.
void TestCliOffline::ports_lists_the_network_ports_of_the_settings_file()
{
    QVERIFY(QDir().mkpath(file("config/mirval")));
    QFile list(file("config/mirval/ports"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("# the converters of the east fence\n"
               "rfc2217://10.0.0.5:4001\n"
               "\n"
               "  rfc2217://[fe80::1]:4002  \n"
               "ttyUSB0\n"
               "rfc2217://10.0.0.5:4001\n");
    list.close();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", file("config").toLocal8Bit());
    const CliRun run = run_cli({"--json", "ports"});
    qputenv("XDG_CONFIG_HOME", saved);
    QCOMPARE(run.exit, 0);
    const QJsonArray ports = run.json()["ports"].toArray();
    QVERIFY(ports.size() >= 2);
    QCOMPARE(ports[ports.size() - 2].toObject()["name"].toString(), QString("rfc2217://10.0.0.5:4001"));
    QCOMPARE(ports[ports.size() - 1].toObject()["path"].toString(), QString("rfc2217://[fe80::1]:4002"));
    QVERIFY2(run.err.contains("строка 5: ttyUSB0"), qPrintable(run.err));
}

void TestCliOffline::values_the_unit_holds_otherwise_data()
{
    QTest::addColumn<int>("channel");  // 1..4, 0 for the unit-wide values
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("file_value");
    QTest::addColumn<int>("unit_value");
    QTest::addColumn<QStringList>("differences");
    QTest::addColumn<QStringList>("notes");

    const QString porog_note =
        "Канал 1: Порог: в файле код 200 (нет в списке), блок хранит это как код -56 (нет в списке)";
    QTest::newRow("200 read back as -56")
        << 1 << "porog" << 200 << -56 << QStringList{} << QStringList{porog_note};
    QTest::newRow("200 where the unit holds another")
        << 1 << "porog" << 200 << 5
        << QStringList{"Канал 1: Порог: в файле код 200 (нет в списке), в блоке 35 мВ"}
        << QStringList{porog_note};
    QTest::newRow("mode 257 held as LF")
        << 1 << "regim" << 257 << 1 << QStringList{}
        << QStringList{"Канал 1: Режим работы: в файле код 257 (нет в списке), блок хранит это как НЧ"};
    QTest::newRow("mode 258 held as HF, the unit in LF")
        << 1 << "regim" << 258 << 1
        << QStringList{"Канал 1: Режим работы: в файле код 258 (нет в списке), в блоке НЧ"}
        << QStringList{"Канал 1: Режим работы: в файле код 258 (нет в списке), блок хранит это как ВЧ"};
    // Only what is compared: a channel that is off holds no threshold.
    QTest::newRow("channel off") << 3 << "porog" << 200 << 0 << QStringList{} << QStringList{};
}

void TestCliOffline::values_the_unit_holds_otherwise()
{
    QFETCH(int, channel);
    QFETCH(QString, field);
    QFETCH(int, file_value);
    QFETCH(int, unit_value);
    QFETCH(QStringList, differences);
    QFETCH(QStringList, notes);
    UnitConfig file = example();
    UnitConfig unit = file;
    value_of(file, channel, field) = file_value;
    value_of(unit, channel, field) = unit_value;
    QStringList lines;
    for (const cli::Difference &d : cli::config_differences(file, unit))
        lines << cli::difference_line(d);
    QCOMPARE(lines, differences);
    lines.clear();
    for (const cli::Difference &d : cli::held_otherwise(file))
        lines << cli::held_otherwise_line(d);
    QCOMPARE(lines, notes);
}

QTEST_MAIN(TestCliOffline)
#include "tst_cli_offline.moc"
