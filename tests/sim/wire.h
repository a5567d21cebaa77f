#pragma once

// Wire helpers written for the tests from the frame format itself, so that
// the simulator's own framing is checked against something independent.

#include "unit.h"

#include <QByteArray>
#include <QList>

namespace wire {

// "$" + lower-case hex of payload and its 8-bit sum + CR.
inline QByteArray request(const QByteArray &payload)
{
    quint8 sum = 0;
    for (char b : payload)
        sum = quint8(sum + quint8(b));
    return "$" + (payload + char(sum)).toHex() + "\r";
}

inline QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Answer bytes of "!<hex>CR" without the checksum; sets *ok to whether the
// frame is well formed and its sum matches.
inline QByteArray answer(const QByteArray &frame, bool *ok)
{
    *ok = false;
    if (frame.size() < 4 || frame.front() != '!' || frame.back() != '\r' || frame.size() % 2)
        return QByteArray();
    const QByteArray hex = frame.mid(1, frame.size() - 2);
    for (char c : hex)
        if (!QByteArrayView("0123456789abcdefABCDEF").contains(c))
            return QByteArray();
    const QByteArray all = QByteArray::fromHex(hex);
    quint8 sum = 0;
    for (int i = 0; i + 1 < all.size(); ++i)
        sum = quint8(sum + quint8(all[i]));
    *ok = sum == quint8(all.back());
    return all.left(all.size() - 1);
}

inline QByteArray joined(const QList<sim::Chunk> &chunks)
{
    QByteArray out;
    for (const sim::Chunk &c : chunks)
        out += c.bytes;
    return out;
}

// Feeds a request to the unit at now and returns everything it sends within
// the next second.
inline QByteArray exchange(sim::Unit &unit, const QByteArray &payload, sim::Usec now = 0, int baud = 0)
{
    unit.feed(request(payload), now, baud);
    return joined(unit.take_due(now + sim::msec(1000)));
}

}  // namespace wire
