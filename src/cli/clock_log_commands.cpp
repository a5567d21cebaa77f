// The unit's clock and its event log.
#include "channels/readback_plan.h"
#include "channels/unit_requests.h"
#include "commands.h"
#include "common/user_files.h"
#include "services/event_log.h"
#include "services/journal_entries.h"
#include "services/log_reading.h"
#include "services/unit_time.h"
#include "session.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

namespace cli {

int run_time(Context &c)
{
    return with_session(c, [&c](Session &s) {
        QByteArray buffer = requests::get_time_payload(s.address());
        if (int r = s.transact(buffer, false))
            return r;
        const quint32 t = unit_time_from(buffer, 1);
        // As the window shows it: a unit time of 0 shows the PC's present time.
        const QString text = DATE(qint64(t));
        c.result[QStringLiteral("unit_time")] = qint64(t);
        c.result[QStringLiteral("text")] = text;
        c.out(text);
        return int(Success);
    });
}

int run_set_time(Context &c)
{
    return with_session(c, [&c](Session &s) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        QByteArray buffer = set_time_payload(s.address(), now);
        if (int r = s.change(buffer, false, journal::clock_set(now)))
            return r;
        c.result[QStringLiteral("unit_time")] = qint64(quint32(now));
        c.out(QStringLiteral("Текущее время установлено !"));
        return int(Success);
    });
}

int run_clear_log(Context &c)
{
    return with_session(c, [&c](Session &s) {
        QByteArray buffer = requests::clear_log_payload(s.address());
        if (int r = s.change(buffer, false, journal::log_cleared()))
            return r;
        c.out(QStringLiteral("Протокол удален!"));
        return int(Success);
    });
}

// The event log as the window's viewer shows it; with --out the viewer's
// text file, written whole or not at all.
int run_log(Context &c)
{
    const QString out = c.args.values.value(QStringLiteral("out"));
    return with_session(c, [&](Session &s) {
        QStringList lines;
        QJsonArray records;
        const auto outcome =
            log_reading::read_event_log(s.link(), s.address(), [&](const LogRecord &record, int number) {
                const QStringList four = log_lines(record);
                lines << four;
                QJsonObject o;
                o[QStringLiteral("time")] = qint64(record.time);
                QJsonArray texts;
                for (const QString &t : four)
                    texts.append(t);
                o[QStringLiteral("lines")] = texts;
                records.append(o);
                if (c.progress_shown())
                    c.progress(QStringLiteral("Чтение протокола ... %1").arg(number));
                return true;
            });
        c.progress(QString());
        if (outcome != log_reading::Outcome::Complete)
            return c.no_answer();
        c.result[QStringLiteral("records")] = records;
        if (!out.isEmpty()) {
            QString error;
            if (save_user_file(out, log_file_bytes(lines), &error) != 0)
                return c.fail(FileProblem,
                              QStringLiteral("Невозможно открыть файл ! %1: %2").arg(out, error));
            c.result[QStringLiteral("file")] = out;
            return int(Success);
        }
        for (const QString &line : lines)
            c.out(line);
        return int(Success);
    });
}

}  // namespace cli
