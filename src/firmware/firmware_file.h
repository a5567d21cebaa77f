#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class UserDialogs;

// Files larger than this are refused unread.
constexpr qint64 kFirmwareFileLimit = 16777216;

// Where an Intel HEX text first goes wrong: the line (1-based) and why, in
// the program's words. Line 0: nothing is wrong.
struct HexFault {
    int line = 0;
    QString reason;

    bool ok() const { return line == 0; }
    // "Строка 4: неверная контрольная сумма".
    QString text() const;
};

// Checks every record of an Intel HEX text (a line ends with LF or CR LF):
// ':' and pairs of hexadecimal digits, the byte count against the record's
// length, the checksum, a known record type (00..05), and an end-of-file
// record (01) with nothing but empty lines after it.
HexFault check_hex_text(const QByteArray &bytes);

// Splits the bytes of a firmware file into its records, without their line
// ends and the empty lines after the end-of-file record. 0 with the lines in
// *lines; 3 when check_hex_text finds a fault (in *fault, if given).
int split_firmware_text(const QByteArray &bytes, QStringList *lines, HexFault *fault = nullptr);

// The message for a result of read_firmware_file other than 0 and 1.
QString firmware_file_error_text(int result);

// The Intel HEX file the loader is given, line by line.
class cDataFile {
public:
    explicit cDataFile(UserDialogs &dialogs) : m_dialogs(dialogs) {}

    // Asks for the file and reads it into lines: 0 read, 1 no file chosen,
    // 2 the file does not open for reading (also a device or a pipe), 3 not
    // a firmware file (see split_firmware_text; also one over the limit).
    int read_firmware_file();
    // Why the file did not open (result 2): the system's text, or that it is
    // no regular file; for a faulty record (result 3) its line and fault.
    const QString &reason() const { return m_reason; }
    // The file chosen; empty when none was.
    const QString &path() const { return m_path; }

    QStringList lines;

private:
    UserDialogs &m_dialogs;
    QString m_reason;
    QString m_path;
};
