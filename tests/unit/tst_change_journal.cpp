// The change journal's file: entries come back as written, the file is
// rotated at its bound keeping one older file, a damaged line costs only
// itself, lines of writers appending at once stay whole, and the filter.
#include "services/change_journal.h"
#include "services/journal_entries.h"
#include "services/journal_undo.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using journal::ChangeJournal;
using journal::Entry;

Q_DECLARE_METATYPE(journal::Entry)

namespace {

Entry at(int address, const QString &port = QStringLiteral("ttyUSB0"))
{
    Entry e = journal::list_change(lists::Porog, 2, 6, 9);
    e.time = QDateTime::fromString(QStringLiteral("2026-03-01T10:00:00+03:00"), Qt::ISODate);
    e.port = port;
    e.address = address;
    e.result = journal::Result::Confirmed;
    return e;
}

QByteArray json_line(const Entry &e)
{
    return QJsonDocument(journal::to_json(e)).toJson(QJsonDocument::Compact);
}

QList<int> addresses(const QList<Entry> &entries)
{
    QList<int> out;
    for (const Entry &e : entries)
        out << e.address;
    return out;
}

// The addresses of one file's entries, that file alone.
QList<int> addresses_in(const QString &path)
{
    QFile f(path);
    QList<int> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        Entry e;
        if (!line.isEmpty() && journal::from_json(QJsonDocument::fromJson(line).object(), &e))
            out << e.address;
    }
    return out;
}

void write_file(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

class TestChangeJournal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void round_trip_data();
    void round_trip();
    void rotation_at_the_bound_data();
    void rotation_at_the_bound();
    void damaged_lines_skipped_data();
    void damaged_lines_skipped();
    void writers_at_once_keep_lines_whole();
    void filter_data();
    void filter();
    void undo_data();
    void undo();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("mirval/journal.jsonl")); }
    QTemporaryDir m_dir;
};

void TestChangeJournal::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
    QCOMPARE(ChangeJournal::default_path(), path());
}

void TestChangeJournal::round_trip_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("line");  // the line's fields that tell the kind

    Entry set = journal::list_change(lists::Porog, 2, 6, 9);
    set.result = journal::Result::Confirmed;
    QTest::newRow("parameter") << set
                               << R"("channel":2,"key":"POROG","new":{"code":9,"text":"140 мВ"},)"
                                  R"("old":{"code":6,"text":"50 мВ"},"parameter":"Порог")";
    Entry unknown = journal::list_change(lists::Zad, 0, std::nullopt, 10);
    unknown.result = journal::Result::NoAnswer;
    QTest::newRow("old value not known")
        << unknown << R"("key":"ZADERZHKA","new":{"code":10,"text":"400 мсек"},"old":null)";
    QTest::newRow("pairing")
        << journal::cross_change(0x21, 0x01)
        << R"("key":"KROSS","new":{"code":1,"text":"1+2"},"old":{"code":33,"text":"1+2, 3+4"})";
    // A time past 2038 as the unit holds it: unsigned.
    QTest::newRow("clock") << journal::clock_set(2200000000) << R"("key":"CLOCK","new":{"code":2200000000,)";
    Entry firmware = journal::firmware_written(QStringLiteral("/tmp/fw/new.hex"), QStringLiteral("2.1"));
    firmware.result = journal::Result::Refused;
    QTest::newRow("firmware") << firmware
                              << R"("new":{"text":"new.hex"},"old":{"text":"2.1"},"parameter":"Прошивка")";
}

void TestChangeJournal::round_trip()
{
    QFETCH(Entry, entry);
    QFETCH(QString, line);
    QFile::remove(path());
    entry.port = QStringLiteral("ttyUSB0");
    entry.address = 7;
    entry.version = QStringLiteral("2.5");

    const ChangeJournal file(path());
    QVERIFY(file.append(entry));  // time: now
    QVERIFY(file.append(entry));
    int skipped = -1;
    const QList<Entry> read = file.read(&skipped);
    QCOMPARE(skipped, 0);
    QCOMPARE(read.size(), 2);
    QFile f(path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readLine();
    QVERIFY2(QString::fromUtf8(first).contains(line), first.constData());
    // The time with its offset from UTC.
    static const QRegularExpression time(
        QStringLiteral(R"re("time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d)")re"));
    QVERIFY2(time.match(QString::fromUtf8(first)).hasMatch(), first.constData());
    QVERIFY(read[0].time.isValid());
    entry.time = read[0].time;
    QCOMPARE(journal::to_json(read[0]), journal::to_json(entry));
}

void TestChangeJournal::rotation_at_the_bound_data()
{
    QTest::addColumn<int>("appended");        // entries with addresses 1..appended
    QTest::addColumn<QList<int>>("rotated");  // the addresses in the older file
    QTest::addColumn<QList<int>>("current");

    // The bound holds three lines.
    QTest::newRow("under the bound") << 3 << QList<int>{} << QList<int>{1, 2, 3};
    QTest::newRow("rotated once") << 4 << QList<int>{1, 2, 3} << QList<int>{4};
    QTest::newRow("oldest dropped") << 8 << QList<int>{4, 5, 6} << QList<int>{7, 8};
}

void TestChangeJournal::rotation_at_the_bound()
{
    QFETCH(int, appended);
    QFETCH(QList<int>, rotated);
    QFETCH(QList<int>, current);
    const QTemporaryDir dir;
    const QString file_path = dir.filePath(QStringLiteral("journal.jsonl"));
    const qint64 bound = 3 * (json_line(at(1)).size() + 1);
    const ChangeJournal file(file_path, bound);
    for (int a = 1; a <= appended; ++a)
        QVERIFY(file.append(at(a)));

    QCOMPARE(addresses_in(file.rotated_path()), rotated);
    QCOMPARE(addresses_in(file_path), current);
    QCOMPARE(addresses(file.read()), rotated + current);
    QVERIFY(QFileInfo(file_path).size() <= bound);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList{"journal.jsonl"} +
                 (rotated.isEmpty() ? QStringList{} : QStringList{"journal.jsonl.1"}));
}

void TestChangeJournal::damaged_lines_skipped_data()
{
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<bool>("cut_short");  // the file ends inside the damaged line

    QTest::newRow("not JSON") << QByteArray("\x01\xff garbage") << false;
    QTest::newRow("no key") << QByteArray(R"({"time":"2026-03-01T10:00:00Z","address":7,"channel":0,)"
                                          R"("result":"confirmed"})")
                            << false;
    QTest::newRow("unknown result") << json_line(at(9)).replace("confirmed", "maybe") << false;
    QTest::newRow("value not an object")
        << json_line(at(9)).replace(R"("old":{)", R"("old":7,"x":{)") << false;
    // A writer stopped in the middle of its line: the next one starts afresh.
    QTest::newRow("cut short") << json_line(at(9)).left(40) << true;
}

void TestChangeJournal::damaged_lines_skipped()
{
    QFETCH(QByteArray, damaged);
    QFETCH(bool, cut_short);
    const QTemporaryDir dir;
    const ChangeJournal file(dir.filePath(QStringLiteral("journal.jsonl")));
    write_file(file.rotated_path(), json_line(at(1)) + '\n' + damaged + '\n' + json_line(at(2)) + '\n');
    write_file(file.path(), json_line(at(3)) + '\n' + damaged + (cut_short ? "" : "\n"));
    QVERIFY(file.append(at(4)));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("line 2 damaged")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("line 2 damaged")));
    int skipped = 0;
    QCOMPARE(addresses(file.read(&skipped)), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(skipped, 2);
}

// Two threads append at once, each with its own file handle, as the window
// and the tool do: every line comes back whole.
void TestChangeJournal::writers_at_once_keep_lines_whole()
{
    constexpr int kEach = 300;
    const QTemporaryDir dir;
    const ChangeJournal file(dir.filePath(QStringLiteral("journal.jsonl")));
    auto writer = [&file](int address) {
        return QThread::create([&file, address] {
            for (int i = 0; i < kEach; ++i)
                file.append(at(address));
        });
    };
    std::unique_ptr<QThread> a(writer(1)), b(writer(2));
    a->start();
    b->start();
    QVERIFY(a->wait(30000) && b->wait(30000));
    int skipped = -1;
    const QList<int> read = addresses(file.read(&skipped));
    QCOMPARE(skipped, 0);
    QCOMPARE(read.count(1), kEach);
    QCOMPARE(read.count(2), kEach);
}

void TestChangeJournal::filter_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QList<int>>("kept");  // indexes of the entries kept

    QTest::newRow("everything") << 0 << "" << QList<int>{0, 1, 2, 3};
    QTest::newRow("one address on every port") << 7 << "" << QList<int>{0, 2};
    QTest::newRow("one address on one port") << 7 << "ttyUSB1" << QList<int>{2};
    QTest::newRow("one port") << 0 << "ttyUSB0" << QList<int>{0, 1, 3};
    QTest::newRow("the tool's name of the port") << 7 << "/dev/ttyUSB1" << QList<int>{2};
    QTest::newRow("no such address") << 8 << "" << QList<int>{};
}

void TestChangeJournal::filter()
{
    QFETCH(int, address);
    QFETCH(QString, port);
    QFETCH(QList<int>, kept);
    QList<Entry> all{at(7), at(3), at(7, QStringLiteral("ttyUSB1")), at(3)};
    for (int i = 0; i < all.size(); ++i)
        all[i].channel = i;
    QList<int> indexes;
    for (const Entry &e : journal::filtered(all, address, port))
        indexes << e.channel;
    QCOMPARE(indexes, kept);
}

void TestChangeJournal::undo_data()
{
    using journal::Result;
    using journal::Undo;
    const auto with = [](Entry e, Result r) {
        e.result = r;
        return e;
    };
    const Entry threshold = with(journal::list_change(lists::Porog, 3, 6, 9), Result::Confirmed);
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("list");
    QTest::addColumn<int>("code");

    QTest::newRow("empty journal") << QList<Entry>{} << int(Undo::Nothing) << 0 << 0;
    QTest::newRow("the last confirmed change")
        << QList<Entry>{with(journal::list_change(lists::Zad, 0, 4, 7), Result::Confirmed), threshold}
        << int(Undo::List) << int(lists::Porog) << 6;
    QTest::newRow("past a refusal and its value put back")
        << QList<Entry>{threshold, with(journal::list_change(lists::Arp, 3, 1, 2), Result::NoAnswer),
                        with(journal::list_change(lists::Arp, 3, 1, 1), Result::Confirmed)}
        << int(Undo::List) << int(lists::Porog) << 6;
    QTest::newRow("mode") << QList<Entry>{with(journal::list_change(lists::Onoff, 2, 1, 0),
                                               Result::Confirmed)}
                          << int(Undo::List) << int(lists::Onoff) << 1;
    QTest::newRow("pairing") << QList<Entry>{with(journal::cross_change(3, 0), Result::Confirmed)}
                             << int(Undo::Cross) << 0 << 3;
    QTest::newRow("preset: not older changes either")
        << QList<Entry>{threshold, with(journal::list_change(lists::Pred, 3, 0, 2), Result::Confirmed)}
        << int(Undo::Nothing) << 0 << 0;
    QTest::newRow("clock") << QList<Entry>{threshold, with(journal::clock_set(2200000000), Result::Confirmed)}
                           << int(Undo::Nothing) << 0 << 0;
    QTest::newRow("previous value not known")
        << QList<Entry>{with(journal::list_change(lists::Porog, 3, std::nullopt, 9), Result::Confirmed)}
        << int(Undo::Nothing) << 0 << 0;
}

void TestChangeJournal::undo()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(int, kind);
    QFETCH(int, list);
    QFETCH(int, code);
    const journal::Undo u = journal::last_undo(entries);
    QCOMPARE(int(u.kind), kind);
    QCOMPARE(u.reason.isEmpty(), kind != journal::Undo::Nothing);
    if (kind == journal::Undo::Nothing)
        return;
    QCOMPARE(u.code, code);
    if (kind == journal::Undo::List) {
        QCOMPARE(int(u.list), list);
        QCOMPARE(u.channel, u.change.channel);
    }
}

QTEST_GUILESS_MAIN(TestChangeJournal)
#include "tst_change_journal.moc"
