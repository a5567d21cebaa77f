#include "services/event_log.h"

#include "link/frames.h"
#include "services/unit_time.h"

#include <QSaveFile>

LogRecord log_record_from(const QByteArray &answer)
{
    LogRecord record;
    record.time = unit_time_from(answer, 1);
    for (int k = 0; k < 4; ++k)
        record.flags[k] = quint8(answer_byte(answer, 5 + k));
    return record;
}

QString log_flag_text(quint8 flags)
{
    QString text;
    if (flags & 0x80)
        text += QStringLiteral("ДК. ");
    if (flags & 0x10)
        text += QStringLiteral("Корпус вскрыт. ");
    if (flags & 0x20)
        text += QStringLiteral("Замыкание КЧЭ. ");
    if ((flags & 0x0F) == 0)
        text += QStringLiteral("Норма.");
    if (flags & 0x01)
        text += QStringLiteral("Тревога. ");
    if (flags & 0x02)
        text += QStringLiteral("Неисправность. ");
    if (flags & 0x04)
        text += QStringLiteral("Обрыв КЧЭ. ");
    if (flags & 0x08)
        text += QStringLiteral("Канал ВЫКЛ. ");
    return text;
}

QStringList log_lines(const LogRecord &record)
{
    const QString date = DATE(qint64(record.time));
    QStringList lines;
    for (int k = 0; k < 4; ++k)
        lines << date + QStringLiteral("  [%1]: ").arg(k + 1) + log_flag_text(record.flags[k]);
    return lines;
}

QByteArray log_file_bytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += '\n';
    }
    return bytes;
}

int save_text_file(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    const auto fail = [&](int code) {
        if (error)
            *error = file.errorString();
        return code;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(1);
    // An uncommitted QSaveFile discards its temporary file.
    if (file.write(bytes) != bytes.size())
        return fail(2);
    if (!file.commit())
        return fail(3);
    return 0;
}
