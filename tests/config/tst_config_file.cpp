// The configuration file: exact bytes, what the reader accepts and refuses,
// and saving through a file that is replaced only when the save succeeds.

#include "config/config_file.h"
#include "example_config.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(UnitConfig)

namespace {

const QString kStructure = QStringLiteral("Не верна структура файла!");
const QString kParserMessage = QStringLiteral("*");  // whatever the XML parser says

QByteArray edited(QByteArray bytes, const QByteArray &from, const QByteArray &to)
{
    if (!bytes.contains(from))
        qFatal("the example has no %s", from.constData());
    return bytes.replace(bytes.indexOf(from), from.size(), to);
}

// The file inside levels wrapping elements (without attributes).
QByteArray wrapped(const QByteArray &file, int levels)
{
    const qsizetype root = file.indexOf("<MIRVAL>");
    return file.left(root) + QByteArray("<W>").repeated(levels) + file.mid(root) +
           QByteArray("</W>").repeated(levels);
}

UnitConfig distinct_config()
{
    UnitConfig c;
    qint32 v = -20;
    for (ChannelSettings &ch : c.channels)
        for (qint32 *f :
             {&ch.regim, &ch.porog, &ch.usilenie, &ch.arp, &ch.pauza, &ch.impuls, &ch.okno, &ch.schet,
              &ch.trevoga, &ch.predustanovka, &ch.rezhektsiya, &ch.perepil_porog, &ch.perepil_vremj})
            *f = v++ * 7;
    c.kross = 2147483647;
    c.zaderzhka = -2147483647 - 1;
    c.blokirovka = 300;
    return c;
}

}  // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void writes_the_exact_bytes();
    void load_data();
    void load();
    void save_and_load_give_the_same_record();
    void failed_save_leaves_what_was_there();
    void walker_needs_no_stack_for_depth();
};

void TestConfigFile::writes_the_exact_bytes()
{
    QCOMPARE(config_file_bytes(example_config()), example_file());
    QCOMPARE(proposed_config_name(5, "26-12-06 01-27-08"), QStringLiteral("mirval 5 26-12-06 01-27-08.cfg"));
}

void TestConfigFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");  // empty: accepted
    QTest::addColumn<UnitConfig>("expected");

    const QByteArray f = example_file();
    const UnitConfig example = example_config();
    UnitConfig porog_zero = example;
    porog_zero.channels[0].porog = 0;
    UnitConfig second_wins = example;
    second_wins.channels[1].regim = 2;
    const QByteArray kanal_1 = f.split('\n')[4] + '\n';
    const QByteArray blok = f.split('\n')[7] + '\n';

    QTest::newRow("example") << f << QString() << example;
    QTest::newRow("XML declaration") << "<?xml version=\"1.0\"?>\n" + f << QString() << example;
    QTest::newRow("another doctype and root name")
        << edited(edited(edited(f, "MIRVAL-V04", "X"), "<MIRVAL>", "<ROOT>"), "</MIRVAL>", "</ROOT>")
        << QString() << example;
    QTest::newRow("records in a wrapping element")
        << edited(edited(f, " <KANAL NOMER=\"1\"", "<G><KANAL NOMER=\"1\""), blok, "<EMPTY/></G>" + blok)
        << QString() << example;
    QTest::newRow("extra attribute ignored")
        << edited(f, " ARP=\"1\"", " ARP=\"1\" COLOR=\"red\"") << QString() << example;
    QTest::newRow("value not a number")
        << edited(f, "POROG=\"3\"", "POROG=\"abc\"") << QString() << porog_zero;
    QTest::newRow("children of a record not examined")
        << edited(f, "PEREPIL_VREMJ=\"0\"/>\n <KANAL NOMER=\"2\"",
                  "PEREPIL_VREMJ=\"0\"><JUNK A=\"1\"/></KANAL>\n <KANAL NOMER=\"2\"")
        << QString() << example;
    QTest::newRow("second NOMER 1 wins")
        << edited(f, blok, QByteArray(kanal_1).replace("REGIM=\"0\"", "REGIM=\"2\"") + blok) << QString()
        << second_wins;

    QTest::newRow("NOMER 4") << edited(f, "NOMER=\"3\"", "NOMER=\"4\"") << kStructure << UnitConfig();
    QTest::newRow("NOMER -1") << edited(f, "NOMER=\"3\"", "NOMER=\"-1\"") << kStructure << UnitConfig();
    QTest::newRow("missing ARP") << edited(f, " ARP=\"1\"", "") << kStructure << UnitConfig();
    QTest::newRow("root with an attribute")
        << edited(f, "<MIRVAL>", "<MIRVAL V=\"1\">") << kStructure << UnitConfig();
    QTest::newRow("lower-case name") << edited(f, "<BLOK", "<blok") << kStructure << UnitConfig();
    QTest::newRow("missing channel") << edited(f, "NOMER=\"3\"", "NOMER=\"2\"") << kStructure << UnitConfig();
    QTest::newRow("missing BLOK") << edited(f, blok, "") << kStructure << UnitConfig();
    QTest::newRow("not well-formed") << edited(f, "</MIRVAL>", "") << kParserMessage << UnitConfig();
    // The records at the deepest level admitted; one more is refused, and so
    // is a file that would run a recursive reader out of stack.
    QTest::newRow("nested to the limit") << wrapped(f, kConfigNestingLimit - 2) << QString() << example;
    QTest::newRow("nested one deeper") << wrapped(f, kConfigNestingLimit - 1) << kStructure << UnitConfig();
    QTest::newRow("nested 20000 deep, 140 KB") << wrapped(f, 20000) << kStructure << UnitConfig();

    const QByteArray limit = f + QByteArray(kConfigFileLimit - f.size(), '\n');
    QTest::newRow("exactly 1 MiB") << limit << QString() << example;
    QTest::newRow("over 1 MiB") << limit + '\n' << kStructure << UnitConfig();
}

void TestConfigFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(UnitConfig, expected);

    UnitConfig out = distinct_config();
    const ConfigLoadResult r = load_config_bytes(bytes, out);
    QCOMPARE(r.ok, text.isEmpty());
    if (r.ok) {
        QVERIFY(out == expected);
        return;
    }
    QCOMPARE(r.title, QStringLiteral("Ошибка анализа файла"));
    if (text == kParserMessage)
        QVERIFY(!r.text.isEmpty() && r.text != kStructure);
    else
        QCOMPARE(r.text, text);
    QVERIFY(out == distinct_config());  // a refused file changes nothing
}

void TestConfigFile::save_and_load_give_the_same_record()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mirval 5.cfg");
    QString error;
    QCOMPARE(save_config_file(path, distinct_config(), &error), 0);
    UnitConfig out;
    QVERIFY(load_config_file(path, out).ok);
    QVERIFY(out == distinct_config());
}

void TestConfigFile::failed_save_leaves_what_was_there()
{
    QTemporaryDir dir;
    QString error;
    // The directory is a plain file: nothing is created.
    QFile(dir.filePath("plain")).open(QIODevice::WriteOnly);
    QVERIFY(save_config_file(dir.filePath("plain/mirval.cfg"), example_config(), &error) != 0);
    QVERIFY(!error.isEmpty());

    // The system cuts the write short (for root too): the old file stays, no temporary is left.
    const QString path = dir.filePath("mirval.cfg");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const int result = save_config_file(path, example_config(), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    QVERIFY(result != 0);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestConfigFile::walker_needs_no_stack_for_depth()
{
    // A document built, not parsed, 20000 levels deep around the records,
    // walked on a thread with a small stack.
    QDomDocument doc;
    QVERIFY(doc.setContent(example_file()));
    // Built from the inside out: appending to a node without ancestors is quick.
    QDomNode node = doc.removeChild(doc.documentElement());
    for (int level = 0; level < 20000; ++level) {
        QDomNode wrapper = doc.createElement("W");
        wrapper.appendChild(node);
        node = wrapper;
    }
    doc.appendChild(node);

    UnitConfig config = distinct_config();
    ConfigSeen seen;
    int result = -1;
    std::unique_ptr<QThread> walk(
        QThread::create([&] { result = parse_config_node(doc.firstChild(), config, &seen); }));
    walk->setStackSize(256 * 1024);
    walk->start();
    QVERIFY(walk->wait(10000));
    QCOMPARE(result, 1);
    QVERIFY(seen.complete());
    QVERIFY(config == example_config());
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
