#include "services/event_log.h"

#include "link/frames.h"
#include "services/unit_time.h"

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
