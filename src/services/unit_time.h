#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Unit time is an unsigned 32-bit count of seconds since 1970-01-01 00:00:00
// UTC; on the wire it is four bytes, least significant first.

constexpr quint8 kGetTime = 0x25;       // answer bytes 1..4: unit time
constexpr quint8 kSetTime = 0x3E;       // arguments: 4 bytes of unit time
constexpr quint8 kGetLogRecord = 0x23;  // answer: one event-log record
constexpr quint8 kClearLog = 0x24;

// Local time of t (seconds since 1970 UTC; 0: now) as "YY-MM-DD hh:mm:ss",
// the year taken modulo 100. The PC's time zone applies (TZ honoured).
QString DATE(qint64 t = 0);
// The same with dashes in the time, for file names: "YY-MM-DD hh-mm-ss".
QString FDATE(qint64 t = 0);

// Unit time from bytes first..first+3 of a decoded answer; missing bytes read 0.
quint32 unit_time_from(const QByteArray &answer, int first);
// The four wire bytes of t.
QByteArray unit_time_bytes(quint32 t);

// Request that sets the unit's clock to the low 32 bits of utc_seconds.
QByteArray set_time_payload(int address, qint64 utc_seconds);
