#include "services/unit_time.h"

#include "link/frames.h"

#include <ctime>

namespace {

QString local_text(qint64 t, char time_separator)
{
    const time_t seconds = t == 0 ? std::time(nullptr) : time_t(t);
    // localtime_r need not re-read TZ by itself.
    tzset();
    std::tm tm{};
    if (!localtime_r(&seconds, &tm))
        return QString();
    const int year = ((tm.tm_year % 100) + 100) % 100;
    return QString::asprintf("%02d-%02d-%02d %02d%c%02d%c%02d", year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                             time_separator, tm.tm_min, time_separator, tm.tm_sec);
}

}  // namespace

QString DATE(qint64 t)
{
    return local_text(t, ':');
}

QString FDATE(qint64 t)
{
    return local_text(t, '-');
}

quint32 unit_time_from(const QByteArray &answer, int first)
{
    quint32 t = 0;
    for (int k = 3; k >= 0; --k)
        t = (t << 8) | quint32(answer_byte(answer, first + k) & 0xFF);
    return t;
}

QByteArray unit_time_bytes(quint32 t)
{
    QByteArray bytes(4, '\0');
    for (int k = 0; k < 4; ++k)
        bytes[k] = char((t >> (8 * k)) & 0xFF);
    return bytes;
}

QByteArray set_time_payload(int address, qint64 utc_seconds)
{
    QByteArray payload;
    payload.append(char(address & 0xFF));
    payload.append(char(kSetTime));
    payload.append(unit_time_bytes(quint32(quint64(utc_seconds) & 0xFFFFFFFFu)));
    return payload;
}
