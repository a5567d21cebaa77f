// The event-log record decoder on arbitrary decoded answers, then the texts
// the viewer shows and the log file holds.
#include "fuzz_support.h"
#include "services/event_log.h"
#include "services/unit_time.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quiet_qt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray answer = fuzz::bytes_of(data, size);
    const LogRecord record = log_record_from(answer);

    // Bytes 1..4 are the time, least significant first; missing ones read 0.
    QByteArray time_bytes = answer.mid(1, 4);
    time_bytes.append(QByteArray(4 - time_bytes.size(), '\0'));
    FUZZ_CHECK(unit_time_bytes(record.time) == time_bytes);
    for (int k = 0; k < 4; ++k)
        FUZZ_CHECK(record.flags[k] == (5 + k < answer.size() ? quint8(answer.at(5 + k)) : 0));

    const QStringList lines = log_lines(record);
    FUZZ_CHECK(lines.size() == 4);
    // Time 0 (the end of the log) reads as the PC's clock, which moves on.
    const QString date = record.time != 0 ? DATE(qint64(record.time)) : lines[0].left(17);
    for (int k = 0; k < 4; ++k) {
        FUZZ_CHECK(lines[k].startsWith(date + QStringLiteral("  [%1]: ").arg(k + 1)));
        FUZZ_CHECK(lines[k].endsWith(log_flag_text(record.flags[k])));
        FUZZ_CHECK(!lines[k].contains(QLatin1Char('\n')));
    }
    const QByteArray file = log_file_bytes(lines);
    FUZZ_CHECK(file.count('\n') == 4 && file.endsWith('\n'));
    FUZZ_CHECK(QString::fromUtf8(file) == lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    return 0;
}
