// The commissioning report: the configuration fingerprint, the report of a
// unit of mirval-sim read as PDF text beside `show` of a file read from the
// same unit, a unit that falls silent half-way, and a site's report from a
// backup of four lines of two units each and from the lines themselves.
#include "../config/example_config.h"
#include "cli.h"
#include "cli_process.h"
#include "commands.h"
#include "config/config_file.h"
#include "report/config_fingerprint.h"
#include "sim_process.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The PDF's text, every run of white space made one space.
QString pdf_text(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

}  // namespace

class TestCliReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fingerprint_data();
    void fingerprint();
    void unit_report_shows_what_show_shows();
    void silent_unit_data();
    void silent_unit();
    void site_report();

private:
    QTemporaryDir m_dir;
};

void TestCliReport::initTestCase()
{
    QVERIFY(SimProcess::make_runtime_dir());
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false\nmirval.*.warning=false"));
    QVERIFY(m_dir.isValid());
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(), "poppler-utils missing");
}

void TestCliReport::fingerprint_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");

    const QByteArray file = example_file();
    QByteArray spaced = file;
    spaced.replace(" <KANAL", "\n\n    <KANAL").replace("\" ", "\"   ").replace("/>", " />");
    QTest::newRow("other formatting") << file << spaced << true;
    // Attributes in another order.
    QByteArray reordered = file;
    reordered.replace("REGIM=\"1\" PREDUSTANOVKA=\"2\"", "PREDUSTANOVKA=\"2\" REGIM=\"1\"");
    QTest::newRow("other attribute order") << file << reordered << true;
    // A channel that is off keeps no values: what the file holds for it does
    // not count.
    UnitConfig unused = example_config();
    unused.channels[2].porog = 7;
    QTest::newRow("value of a channel that is off") << file << config_file_bytes(unused) << true;

    const auto changed = [](const std::function<void(UnitConfig &)> &change) {
        UnitConfig c = example_config();
        change(c);
        return config_file_bytes(c);
    };
    QTest::newRow("threshold") << file << changed([](UnitConfig &c) { c.channels[0].porog = 4; }) << false;
    QTest::newRow("mode") << file << changed([](UnitConfig &c) { c.channels[3].regim = 1; }) << false;
    QTest::newRow("pairing") << file << changed([](UnitConfig &c) { c.kross = 3; }) << false;
    QTest::newRow("blocking") << file << changed([](UnitConfig &c) { c.blokirovka = 2; }) << false;
}

void TestCliReport::fingerprint()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    UnitConfig ca, cb;
    QVERIFY(load_config_bytes(a, ca).ok);
    QVERIFY(load_config_bytes(b, cb).ok);
    const QString fa = fingerprint::of(ca);
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{8}$")).match(fa).hasMatch(), qPrintable(fa));
    QCOMPARE(fa == fingerprint::of(cb), same);
}

// Every line of `show` (each channel's mode, every value as the form shows
// it) is in the report, with the address, the firmware and the same
// fingerprint; the sign-off lines end it.
void TestCliReport::unit_report_shows_what_show_shows()
{
    SimProcess sim;
    QVERIFY(sim.start({"--address", "9", "--modes", "2,1,0,1", "--version", "2.7", "--log-records", "3"}));
    const QStringList unit{"--port", sim.port(), "--address", "9"};
    const QString file = m_dir.filePath("unit9.cfg");
    QCOMPARE(run_cli(unit + QStringList{"read", file}).exit, 0);
    const CliRun shown = run_cli({"show", file});
    QCOMPARE(shown.exit, 0);
    const QString print = shown.out_lines().last();
    QVERIFY2(print.startsWith("Отпечаток конфигурации: "), qPrintable(print));

    const QString pdf = m_dir.filePath("unit9.pdf");
    const CliRun run = run_cli(unit + QStringList{"report", "--out", pdf, "--site", "Склад", "--installer",
                                                  "Петров", "--log", "2", "--self-test"});
    QVERIFY2(run.exit == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(print), qPrintable(run.out));
    const QString text = pdf_text(pdf);
    QVERIFY(!text.isEmpty());
    QStringList expected{"Склад",
                         "Петров",
                         "Адрес 9",
                         "Версия прошивки 2.7",
                         print,
                         "Команда 'Тест' выполнена.",
                         "Наладчик подпись",
                         "Заказчик подпись"};
    for (QString line : shown.out_lines()) {
        line = line.simplified();
        if (line.startsWith("Канал"))
            expected << line;                                           // "Канал 1: ВЧ"
        else if (line.contains(": ") && !line.startsWith("Отпечаток"))  // label, then value: "Порог 50 мВ"
            expected << line.left(line.lastIndexOf(": ")) + " " + line.mid(line.lastIndexOf(": ") + 2);
    }
    for (const QString &e : expected)
        QVERIFY2(text.contains(e), qPrintable(e + "\n" + text));
    QVERIFY(!text.contains("Раздел не получен"));
}

void TestCliReport::silent_unit_data()
{
    QTest::addColumn<int>("answers");  // the requests the unit answers
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("missing");

    // Silent after the connection: not even the configuration.
    QTest::newRow("before the configuration") << 3 << false << "";
    // Silent once the configuration is read: the log and the self-test are
    // named as not received.
    QTest::newRow("after the configuration") << 40 << true << "Протокол событий";
}

void TestCliReport::silent_unit()
{
    QFETCH(int, answers);
    QFETCH(bool, written);
    QFETCH(QString, missing);
    SimProcess sim;
    QVERIFY(sim.start({"--address", "1", "--modes", "1,2,0,1", "--log-records", "5", "--fault",
                       QStringLiteral("silent-after=%1").arg(answers)}));
    const QString pdf = m_dir.filePath(QStringLiteral("silent%1.pdf").arg(answers));
    const CliRun run = run_cli(
        {"--port", sim.port(), "--address", "1", "report", "--out", pdf, "--log", "2", "--self-test"});
    QCOMPARE(run.exit, 1);
    QCOMPARE(QFile::exists(pdf), written);
    if (!written)
        return;
    const QString text = pdf_text(pdf);
    QVERIFY2(text.contains("Отчёт неполный"), qPrintable(text));
    QVERIFY2(text.contains(missing + " (последние записи: 2) Раздел не получен: нет ответа от блока"),
             qPrintable(text));
    QVERIFY2(text.contains("Дистанционный контроль Раздел не получен: нет ответа от блока"),
             qPrintable(text));
    QVERIFY2(run.err.contains("Раздел не получен"), qPrintable(run.err));
}

// Four lines of two units: backup, then the report from the directory and
// the report from the lines themselves; both list the 8 units with the same
// fingerprints, one section each.
void TestCliReport::site_report()
{
    const QStringList modes{"1,0,0,0", "2,2,0,0", "1,1,1,1", "0,0,0,2"};
    std::vector<std::unique_ptr<SimProcess>> sims;
    QStringList ports;
    for (const QString &m : modes) {
        sims.push_back(std::make_unique<SimProcess>());
        QVERIFY(sims.back()->start({"--address", "1,2", "--modes", m, "--modes", "1,1,0,0"}));
        ports << sims.back()->port();
    }
    Timing timing;
    timing.tick_ms = 3;
    timing.pre_wait_ms = 30;
    timing.settle_ms = 5;
    const auto context = [&](const QStringList &lines, const QString &out) {
        cli::Context c;
        c.json = true;
        c.ports = lines;
        c.port = lines.value(0);
        c.timing = timing;
        c.args.values["from"] = "1";
        c.args.values["to"] = "2";
        c.args.values["out"] = out;
        return c;
    };
    const QString dir = m_dir.filePath("site");
    cli::Context backup = context(ports, QString());
    backup.args.values["dir"] = dir;
    QCOMPARE(cli::run_backup(backup), int(cli::Success));

    cli::Context from_dir = context({}, m_dir.filePath("site.pdf"));
    from_dir.args.values["dir"] = dir;
    QCOMPARE(cli::run_report(from_dir), int(cli::Success));
    cli::Context live = context(ports, m_dir.filePath("live.pdf"));
    QVERIFY2(cli::run_report(live) == cli::Success, qPrintable(live.error));

    const QJsonArray filed = from_dir.result["units"].toArray();
    const QJsonArray read = live.result["units"].toArray();
    QCOMPARE(filed.size(), 8);
    QCOMPARE(read.size(), 8);
    QSet<QString> a, b;
    for (int i = 0; i < 8; ++i) {
        a << filed[i]["fingerprint"].toString();
        b << read[i]["fingerprint"].toString();
    }
    QCOMPARE(a, b);
    QCOMPARE(a.size(), 5);  // the second units of the lines are alike

    for (const QString &pdf : {m_dir.filePath("site.pdf"), m_dir.filePath("live.pdf")}) {
        const QString text = pdf_text(pdf);
        const QString summary = text.section("Сводная таблица", 1).section("Блок 1, линия", 0, 0);
        for (const QJsonValue &u : filed)
            QVERIFY2(summary.contains(u["fingerprint"].toString()), qPrintable(summary));
        QCOMPARE(summary.count(QRegularExpression("\\b[0-9a-f]{8}\\b")), 8);
        QCOMPARE(text.count(QRegularExpression("Блок [12], линия \\S+")), 8);
        QCOMPARE(text.count("Отпечаток конфигурации "), 8);
    }
    QVERIFY(pdf_text(m_dir.filePath("site.pdf")).contains("(из файла)"));
}

QTEST_MAIN(TestCliReport)
#include "tst_cli_report.moc"
