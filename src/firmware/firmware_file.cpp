#include "firmware/firmware_file.h"

#include "common/user_dialogs.h"
#include "common/user_files.h"

namespace {

constexpr quint8 kEndOfFile = 0x01;
constexpr quint8 kLastType = 0x05;

// Calls take(line, number) for each line of bytes (1-based, line end
// removed) until it returns false.
template <typename Take> void for_each_line(const QByteArray &bytes, Take take)
{
    qsizetype start = 0;
    int number = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();  // the last line without a line end
        qsizetype stop = end;
        if (end < bytes.size() && stop > start && bytes[stop - 1] == '\r')
            --stop;
        if (!take(QByteArrayView(bytes).sliced(start, stop - start), ++number))
            return;
        start = end + 1;
    }
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// What is wrong with one record; empty when nothing is. *type: its type.
QString record_fault(QByteArrayView line, quint8 *type)
{
    if (line.isEmpty())
        return QStringLiteral("пустая строка");
    if (line[0] != ':')
        return QStringLiteral("запись не начинается с ':'");
    for (qsizetype i = 1; i < line.size(); ++i)
        if (hex_digit(line[i]) < 0)
            return QStringLiteral("недопустимый символ в позиции %1").arg(i + 1);
    if ((line.size() - 1) % 2 != 0)
        return QStringLiteral("нечетное число шестнадцатеричных цифр");
    const qsizetype count = (line.size() - 1) / 2;
    // Byte count, address (2), type, checksum.
    if (count < 5)
        return QStringLiteral("запись короче пяти байт");
    quint8 sum = 0;
    QByteArray bytes(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i) {
        bytes[i] = char(hex_digit(line[1 + 2 * i]) * 16 + hex_digit(line[2 + 2 * i]));
        sum = quint8(sum + quint8(bytes[i]));
    }
    const int data = quint8(bytes[0]);
    if (count != data + 5)
        return QStringLiteral("длина записи не совпадает с числом байт данных (%1)").arg(data);
    if (sum != 0)
        return QStringLiteral("неверная контрольная сумма");
    *type = quint8(bytes[3]);
    if (*type > kLastType)
        return QStringLiteral("неизвестный тип записи %1").arg(*type, 2, 16, QLatin1Char('0'));
    return QString();
}

}  // namespace

QString HexFault::text() const
{
    return QStringLiteral("Строка %1: %2").arg(line).arg(reason);
}

HexFault check_hex_text(const QByteArray &bytes)
{
    HexFault fault;
    bool ended = false;
    int last = 0;
    for_each_line(bytes, [&](QByteArrayView line, int number) {
        last = number;
        if (ended) {
            if (line.isEmpty())
                return true;
            fault = {number, QStringLiteral("запись после записи конца файла")};
            return false;
        }
        quint8 type = 0;
        const QString why = record_fault(line, &type);
        if (!why.isEmpty()) {
            fault = {number, why};
            return false;
        }
        ended = type == kEndOfFile;
        return true;
    });
    if (fault.ok() && !ended)
        fault = {qMax(last, 1), QStringLiteral("нет записи конца файла")};
    return fault;
}

int split_firmware_text(const QByteArray &bytes, QStringList *lines, HexFault *fault)
{
    // Checked whole first: the lines kept are then records, at least 11
    // characters each.
    const HexFault found = check_hex_text(bytes);
    if (fault)
        *fault = found;
    if (!found.ok())
        return 3;
    QStringList out;
    for_each_line(bytes, [&out](QByteArrayView line, int) {
        if (!line.isEmpty())
            out << QString::fromLatin1(line);
        return true;
    });
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
    m_path = path;
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
    HexFault fault;
    const int result = split_firmware_text(bytes, &lines, &fault);
    if (result != 0)
        m_reason = fault.text();
    return result;
}
