// The firmware file: which texts are taken, line by line and unchanged, and
// which are refused; the file dialog and the files that cannot be read.

#include "firmware/firmware_file.h"
#include "scripted_dialogs.h"

#include <QTemporaryDir>
#include <QtTest>

class TestFirmwareFile : public QObject {
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void refuses_what_cannot_be_read_data();
    void refuses_what_cannot_be_read();
};

void TestFirmwareFile::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("lines");
    const QStringList two{":10000000AB", ":00000001FF"};
    QTest::newRow("LF") << QByteArray(":10000000AB\n:00000001FF\n") << 0 << two;
    QTest::newRow("CR LF") << QByteArray(":10000000AB\r\n:00000001FF\r\n") << 0 << two;
    QTest::newRow("no line end after the last line") << QByteArray(":10000000AB\r\n:00000001FF") << 0 << two;
    QTest::newRow("mixed line ends") << QByteArray(":10000000AB\n:00000001FF\r\n") << 0 << two;
    QTest::newRow("anything after the colon")
        << QByteArray(":abc\n:zz zz \n:00000001fe\n") << 0 << QStringList{":abc", ":zz zz ", ":00000001fe"};
    QTest::newRow("a lone CR stays in the line") << QByteArray(":ab\rc\n") << 0 << QStringList{":ab\rc"};
    QTest::newRow("8-bit characters unchanged")
        << QByteArray(":\xe0\xff\x01\n") << 0 << QStringList{QString::fromLatin1(":\xe0\xff\x01")};
    QTest::newRow("4 characters") << QByteArray(":abc\n") << 0 << QStringList{":abc"};
    QTest::newRow("3 characters") << QByteArray(":10000000AB\n:ab\n") << 3 << QStringList();
    QTest::newRow("3 characters and CR") << QByteArray(":ab\r\n") << 3 << QStringList();
    QTest::newRow("blank line inside") << QByteArray(":10000000AB\n\n:00000001FF\n") << 3 << QStringList();
    QTest::newRow("blank line first") << QByteArray("\n:00000001FF\n") << 3 << QStringList();
    QTest::newRow("blank last line") << QByteArray(":10000000AB\n:00000001FF\n\n") << 3 << QStringList();
    QTest::newRow("blank last line, CR LF")
        << QByteArray(":10000000AB\r\n:00000001FF\r\n\r\n") << 3 << QStringList();
    QTest::newRow("leading space") << QByteArray(" :00000001FF\n") << 3 << QStringList();
    QTest::newRow("no colon") << QByteArray(":10000000AB\n00000001FF\n") << 3 << QStringList();
    QTest::newRow("empty file") << QByteArray() << 3 << QStringList();
    QTest::newRow("only a line end") << QByteArray("\n") << 3 << QStringList();
}

void TestFirmwareFile::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath("image.hex");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    ScriptedDialogs dialogs;
    dialogs.file_names << path;
    cDataFile file(dialogs);
    QCOMPARE(file.read_firmware_file(), result);
    QCOMPARE(file.lines, lines);
    QCOMPARE(dialogs.file_dialogs.size(), 1);
    QCOMPARE(dialogs.file_dialogs[0].kind, ScriptedDialogs::FileDialogKind::Open);
    QCOMPARE(dialogs.file_dialogs[0].title, QString("Выбор файла прошивки"));
    QCOMPARE(dialogs.file_dialogs[0].directory, QString());
    QCOMPARE(dialogs.file_dialogs[0].filter, QString("*.hex"));
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFirmwareFile::refuses_what_cannot_be_read_data()
{
    QTest::addColumn<QString>("name");  // empty: the dialog is cancelled
    QTest::addColumn<qint64>("size");   // of the file made under that name; -1: none
    QTest::addColumn<int>("result");
    QTest::newRow("cancelled") << QString() << qint64(-1) << 1;
    QTest::newRow("missing file") << "missing.hex" << qint64(-1) << 2;
    QTest::newRow("over 16 MiB") << "big.hex" << kFirmwareFileLimit + 1 << 3;
    QTest::newRow("exactly 16 MiB") << "limit.hex" << kFirmwareFileLimit << 0;
}

void TestFirmwareFile::refuses_what_cannot_be_read()
{
    QFETCH(QString, name);
    QFETCH(qint64, size);
    QFETCH(int, result);
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    if (!name.isEmpty())
        dialogs.file_names << dir.filePath(name);
    if (size >= 0) {
        // Lines of 15 characters and LF; the last one fills up to size.
        QByteArray bytes;
        bytes.reserve(size);
        const QByteArray line(":0000000000000\n");
        while (bytes.size() + 2 * line.size() <= size)
            bytes += line;
        bytes += ':' + QByteArray(size - bytes.size() - 2, '0') + '\n';
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    cDataFile file(dialogs);
    QCOMPARE(file.read_firmware_file(), result);
    QCOMPARE(file.lines.isEmpty(), result != 0);
    QCOMPARE(file.reason().isEmpty(), result != 2);
    QCOMPARE(firmware_file_error_text(2), QString("Выбранный файл не открывается на чтение!"));
    QCOMPARE(firmware_file_error_text(3), QString("Выбранный файл имеет не верную струтуру!"));
}

QTEST_GUILESS_MAIN(TestFirmwareFile)
#include "tst_firmware_file.moc"
