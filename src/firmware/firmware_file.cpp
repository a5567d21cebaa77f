#include "firmware/firmware_file.h"

#include "common/user_dialogs.h"
#include "common/user_files.h"

int split_firmware_text(const QByteArray &bytes, QStringList *lines)
{
    QStringList out;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();  // the last line without a line end
        qsizetype stop = end;
        if (end < bytes.size() && stop > start && bytes[stop - 1] == '\r')
            --stop;
        const QByteArray line = bytes.mid(start, stop - start);
        if (line.size() < 4 || line[0] != ':')
            return 3;
        out << QString::fromLatin1(line);
        start = end + 1;
    }
    if (out.isEmpty())
        return 3;
    *lines = out;
    return 0;
}

QString firmware_file_error_text(int result)
{
    switch (result) {
    case 2:
        return QStringLiteral("Выбранный файл не открывается на чтение!");
    case 3:
        return QStringLiteral("Выбранный файл имеет не верную струтуру!");
    default:
        return QString();
    }
}

int cDataFile::read_firmware_file()
{
    FileDialogOptions options;
    options.title = QStringLiteral("Выбор файла прошивки");
    options.directory = QString();
    options.filter = QStringLiteral("*.hex");
    const QString path = m_dialogs.openFileName(options);
    if (path.isEmpty())
        return 1;

    QByteArray bytes;
    switch (read_user_file(path, kFirmwareFileLimit, &bytes, &m_reason)) {
    case FileRead::NotOpened:
        return 2;
    case FileRead::TooLarge:
        return 3;
    case FileRead::Read:
        break;
    }
    return split_firmware_text(bytes, &lines);
}
