#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class UserDialogs;

// Files larger than this are refused unread.
constexpr qint64 kFirmwareFileLimit = 16777216;

// Splits the bytes of a firmware file into its lines (8-bit characters; a line
// ends with LF or CR LF, which is not part of it). 0 with the lines in *lines;
// 3 when the text is empty or a line is shorter than 4 characters or does not
// start with ':'. What follows the ':' is not looked at.
int split_firmware_text(const QByteArray &bytes, QStringList *lines);

// The message for a result of read_firmware_file other than 0 and 1.
QString firmware_file_error_text(int result);

// The Intel HEX file the loader is given, line by line.
class cDataFile {
public:
    explicit cDataFile(UserDialogs &dialogs) : m_dialogs(dialogs) {}

    // Asks for the file and reads it into lines: 0 read, 1 no file chosen,
    // 2 the file does not open for reading (also a device or a pipe), 3 not
    // a firmware file (see split_firmware_text; also an empty file or one
    // over the limit).
    int read_firmware_file();
    // Why the file did not open (result 2): the system's text, or that it is
    // no regular file.
    const QString &reason() const { return m_reason; }

    QStringList lines;

private:
    UserDialogs &m_dialogs;
    QString m_reason;
};
