// The firmware file: which texts are taken, line by line and unchanged, and
// which are refused with the line and the fault; the file dialog and the
// files that cannot be read.

#include "firmware/firmware_file.h"
#include "hex_image.h"
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
    QTest::addColumn<QString>("fault");  // for result 3: the line and what is wrong
    const QByteArray d = ":0400000001020304F2";
    const QByteArray e = ":00000001FF";
    const QStringList two{d, e};
    QTest::newRow("LF") << d + "\n" + e + "\n" << 0 << two << "";
    QTest::newRow("CR LF") << d + "\r\n" + e + "\r\n" << 0 << two << "";
    QTest::newRow("no line end after the last line") << d + "\r\n" + e << 0 << two << "";
    QTest::newRow("mixed line ends") << d + "\n" + e + "\r\n" << 0 << two << "";
    QTest::newRow("lower-case digits, unchanged") << QByteArray(":03001000aabbccbc\n:00000001ff\n") << 0
                                                  << QStringList{":03001000aabbccbc", ":00000001ff"} << "";
    QTest::newRow("every record type") << QByteArray(":020000021000EC\n:0400000300003800C1\n:020000040001F9\n"
                                                     ":04000005000000CD2A\n:00000001FF\n")
                                       << 0
                                       << QStringList{":020000021000EC", ":0400000300003800C1",
                                                      ":020000040001F9", ":04000005000000CD2A", ":00000001FF"}
                                       << "";
    QTest::newRow("empty lines after the end") << d + "\n" + e + "\n\n\n" << 0 << two << "";
    QTest::newRow("empty lines after the end, CR LF") << d + "\r\n" + e + "\r\n\r\n" << 0 << two << "";

    QTest::newRow("wrong checksum on line 4")
        << d + "\n" + d + "\n" + d + "\n:0400000001020304F3\n" + e + "\n"
        << 3 << QStringList() << "Строка 4: неверная контрольная сумма";
    QTest::newRow("byte count above the record's length")
        << QByteArray(":0500000001020304F1\n") + e << 3 << QStringList()
        << "Строка 1: длина записи не совпадает с числом байт данных (5)";
    QTest::newRow("byte count below the record's length")
        << d + "\n:0300000001020304F3\n" + e << 3 << QStringList()
        << "Строка 2: длина записи не совпадает с числом байт данных (3)";
    QTest::newRow("unknown record type")
        << d + "\n:00000006FA\n" + e << 3 << QStringList() << "Строка 2: неизвестный тип записи 06";
    QTest::newRow("odd number of digits") << QByteArray(":0400000001020304F\n") + e << 3 << QStringList()
                                          << "Строка 1: нечетное число шестнадцатеричных цифр";
    QTest::newRow("not a hexadecimal digit") << QByteArray(":04000000010203G4F2\n") + e << 3 << QStringList()
                                             << "Строка 1: недопустимый символ в позиции 16";
    QTest::newRow("trailing space") << d + " \n" + e << 3 << QStringList()
                                    << "Строка 1: недопустимый символ в позиции 20";
    QTest::newRow("a lone CR stays in the line")
        << d + "\r" + e + "\n"
        << 3 << QStringList() << "Строка 1: недопустимый символ в позиции 20";
    QTest::newRow("8-bit characters") << QByteArray(":\xe0\xff\x01\n") + e << 3 << QStringList()
                                      << "Строка 1: недопустимый символ в позиции 2";
    QTest::newRow("shorter than a record")
        << QByteArray(":00FF\n") + e << 3 << QStringList() << "Строка 1: запись короче пяти байт";
    QTest::newRow("colon alone") << QByteArray(":\n") + e << 3 << QStringList()
                                 << "Строка 1: запись короче пяти байт";
    QTest::newRow("blank line inside") << d + "\n\n" + e + "\n"
                                       << 3 << QStringList() << "Строка 2: пустая строка";
    QTest::newRow("blank line first") << "\n" + e + "\n" << 3 << QStringList() << "Строка 1: пустая строка";
    QTest::newRow("leading space") << " " + e + "\n"
                                   << 3 << QStringList() << "Строка 1: запись не начинается с ':'";
    QTest::newRow("no colon") << d + "\n00000001FF\n"
                              << 3 << QStringList() << "Строка 2: запись не начинается с ':'";
    QTest::newRow("no end-of-file record") << d + "\n" + d + "\n"
                                           << 3 << QStringList() << "Строка 2: нет записи конца файла";
    QTest::newRow("a record after the end")
        << e + "\n\n" + d + "\n"
        << 3 << QStringList() << "Строка 3: запись после записи конца файла";
    QTest::newRow("a second end-of-file record")
        << e + "\n" + e + "\n"
        << 3 << QStringList() << "Строка 2: запись после записи конца файла";
    QTest::newRow("empty file") << QByteArray() << 3 << QStringList() << "Строка 1: нет записи конца файла";
    QTest::newRow("only a line end") << QByteArray("\n") << 3 << QStringList() << "Строка 1: пустая строка";
}

void TestFirmwareFile::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QStringList, lines);
    QFETCH(QString, fault);
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
    QCOMPARE(file.reason(), fault);
    QCOMPARE(file.path(), path);
    const HexFault checked = check_hex_text(bytes);
    QCOMPARE(checked.ok(), result == 0);
    QCOMPARE(checked.ok() ? QString() : checked.text(), fault);
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
        // Records without data (12 bytes with LF), one with as many zero
        // bytes as make up the size, and the end-of-file record.
        QByteArray bytes;
        bytes.reserve(size);
        const QByteArray line(":0000000000\n");
        const QByteArray end(":00000001FF\n");
        while (bytes.size() + 2 * line.size() + end.size() <= size)
            bytes += line;
        const qsizetype zeros = (size - bytes.size() - end.size() - line.size()) / 2;
        bytes += hex_image::record(0, 0, QByteArray(zeros, 0)).toLatin1() + '\n' + end;
        if (bytes.size() < size)
            bytes += '\n';  // an empty line after the end
        QCOMPARE(bytes.size(), size);
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
