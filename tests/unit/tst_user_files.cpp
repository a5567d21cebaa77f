// Files the user picks and keeps: what is read (never a device or a pipe,
// never past the limit) and how a save replaces a file or leaves it as it was,
// also in a folder that admits no new file.
#include "common/user_files.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kKept = QStringLiteral("Файл не сохранён, прежний файл не изменён.");
const QString kNothing = QStringLiteral("Файл не сохранён.");
const QString kRestored = QStringLiteral("Файл не сохранён, прежнее содержимое файла восстановлено.");

void write_file(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

struct Saved {
    int result = -1;
    QString note;
};

// Saves in a child process, as an unprivileged user when the test runs as
// root (for root no folder is read-only), with writes cut short past
// size_limit bytes when that is not negative.
Saved save_as_user(const QString &path, const QByteArray &bytes, long size_limit)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(100);
        if (size_limit >= 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = {rlim_t(size_limit), rlim_t(size_limit)};
            setrlimit(RLIMIT_FSIZE, &small);
        }
        QString error, note;
        const int result = save_user_file(path, bytes, &error, &note);
        const QByteArray out = QByteArray::number(result) + '\n' + note.toUtf8();
        const bool written = write(fds[1], out.constData(), size_t(out.size())) == out.size();
        _exit(written ? 0 : 101);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, qsizetype(n));
    ::close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const qsizetype end = out.indexOf('\n');
    return {out.left(end).toInt(), QString::fromUtf8(out.mid(end + 1))};
}

}  // namespace

class TestUserFiles : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void saves_data();
    void saves();
};

void TestUserFiles::reads_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("result");  // FileRead
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray text("abcdefgh\n");
    QTest::newRow("file") << "file" << qint64(100) << int(FileRead::Read) << text;
    QTest::newRow("exactly the limit") << "file" << qint64(text.size()) << int(FileRead::Read) << text;
    QTest::newRow("one byte over") << "file" << qint64(text.size() - 1) << int(FileRead::TooLarge)
                                   << QByteArray();
    QTest::newRow("link to a file") << "link" << qint64(100) << int(FileRead::Read) << text;
    QTest::newRow("missing") << "missing" << qint64(100) << int(FileRead::NotOpened) << QByteArray();
    // Opening a FIFO for reading waits for a writer: the read must not.
    QTest::newRow("FIFO without a writer")
        << "fifo" << qint64(100) << int(FileRead::NotOpened) << QByteArray();
    QTest::newRow("endless device") << "/dev/zero" << qint64(100) << int(FileRead::NotOpened) << QByteArray();
    // A file whose size says 0 is still read only to the limit.
    QTest::newRow("size 0, longer content")
        << "/proc/self/maps" << qint64(16) << int(FileRead::TooLarge) << QByteArray();
}

void TestUserFiles::reads()
{
    QFETCH(QString, kind);
    QFETCH(qint64, limit);
    QFETCH(int, result);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    write_file(dir.filePath("file"), "abcdefgh\n");
    QVERIFY(mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
    QVERIFY(QFile::link(dir.filePath("file"), dir.filePath("link")));

    const QString path = kind.startsWith('/') ? kind : dir.filePath(kind);
    QByteArray read = "untouched";
    QString error;
    QCOMPARE(int(read_user_file(path, limit, &read, &error)), result);
    if (result == int(FileRead::Read)) {
        QCOMPARE(read, bytes);
        return;
    }
    QCOMPARE(read, QByteArray("untouched"));
    QCOMPARE(error.isEmpty(), result != int(FileRead::NotOpened));
}

void TestUserFiles::saves_data()
{
    QTest::addColumn<bool>("old_file");          // the file is there before the save
    QTest::addColumn<bool>("folder_read_only");  // no file may be created in the folder
    QTest::addColumn<bool>("file_read_only");
    // The system cuts writes short past this size, which the old file fits; -1: no limit.
    QTest::addColumn<long>("size_limit");
    QTest::addColumn<QString>("note");  // empty: saved

    QTest::newRow("new file") << false << false << false << -1L << QString();
    QTest::newRow("file replaced") << true << false << false << -1L << QString();
    QTest::newRow("write cut short") << true << false << false << 20L << kKept;
    QTest::newRow("read-only folder, writable file") << true << true << false << -1L << QString();
    QTest::newRow("read-only folder, write cut short") << true << true << false << 20L << kRestored;
    QTest::newRow("read-only folder, read-only file") << true << true << true << -1L << kKept;
    QTest::newRow("read-only folder, no file") << false << true << false << -1L << kNothing;
}

void TestUserFiles::saves()
{
    QFETCH(bool, old_file);
    QFETCH(bool, folder_read_only);
    QFETCH(bool, file_read_only);
    QFETCH(long, size_limit);
    QFETCH(QString, note);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The unprivileged child must reach the folder.
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)));
    const QString folder = dir.filePath("folder");
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString path = folder + "/mirval.cfg";
    const QByteArray old("the old file\n");
    const QByteArray fresh("the new file, which is longer than the old one\n");
    if (old_file) {
        write_file(path, old);
        QVERIFY(QFile::setPermissions(path, file_read_only ? QFileDevice::Permissions(0x4444)
                                                           : QFileDevice::Permissions(0x6666)));
    }
    // Writable for everyone, or for no one.
    QVERIFY(QFile::setPermissions(folder, folder_read_only ? QFileDevice::Permissions(0x5555)
                                                           : QFileDevice::Permissions(0x7777)));

    const Saved saved = save_as_user(path, fresh, size_limit);
    QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
    QCOMPARE(saved.note, note);
    QCOMPARE(saved.result == 0, note.isEmpty());
    if (note.isEmpty())
        QCOMPARE(contents(path), fresh);
    else
        QCOMPARE(contents(path), old_file ? old : QByteArray("<none>"));
    // Nothing is left beside the file.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), int(old_file || note.isEmpty()));
}

QTEST_GUILESS_MAIN(TestUserFiles)
#include "tst_user_files.moc"
