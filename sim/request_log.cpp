#include "request_log.h"

#include "sim_frames.h"

#include <QStringList>

namespace sim {

void RequestLog::add(LogEntry entry)
{
    if (m_entries.size() >= m_limit && m_limit > 0) {
        const int excess = int(m_entries.size()) - m_limit + 1;
        m_entries.remove(0, excess);
        m_dropped += excess;
    }
    m_entries.append(entry);
    if (m_listener)
        m_listener(m_entries.back());
}

void RequestLog::add_request(Usec time, const QByteArray &bytes)
{
    add({LogEntry::Request, time, bytes, QString()});
}

void RequestLog::add_answer(Usec time, const QByteArray &bytes)
{
    add({LogEntry::Answer, time, bytes, QString()});
}

void RequestLog::add_note(Usec time, const QString &text)
{
    add({LogEntry::Note, time, QByteArray(), text});
}

void RequestLog::clear()
{
    m_entries.clear();
    m_dropped = 0;
}

QList<QByteArray> RequestLog::requests() const
{
    QList<QByteArray> out;
    for (const LogEntry &e : m_entries)
        if (e.kind == LogEntry::Request)
            out << e.bytes;
    return out;
}

QList<QByteArray> RequestLog::request_payloads() const
{
    QList<QByteArray> out;
    for (const LogEntry &e : m_entries) {
        if (e.kind != LogEntry::Request)
            continue;
        const DecodedFrame d = decode_request(e.bytes);
        if (d.ok())
            out << d.payload();
    }
    return out;
}

QList<QByteArray> RequestLog::answers() const
{
    QList<QByteArray> out;
    for (const LogEntry &e : m_entries)
        if (e.kind == LogEntry::Answer)
            out << e.bytes;
    return out;
}

QStringList RequestLog::notes() const
{
    QStringList out;
    for (const LogEntry &e : m_entries)
        if (e.kind == LogEntry::Note)
            out << e.text;
    return out;
}

static QString printable(const QByteArray &bytes)
{
    QString s;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (c == '\r')
            s += QLatin1String("\\r");
        else if (c == '\n')
            s += QLatin1String("\\n");
        else if (c == '"' || c == '\\')
            s += QString(QLatin1Char('\\')) + QLatin1Char(c);
        else if (u >= 0x20 && u < 0x7f)
            s += QLatin1Char(c);
        else
            s += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return s;
}

QString RequestLog::format(const LogEntry &entry)
{
    const QString time = QStringLiteral("%1.%2")
                             .arg(entry.time / 1000000, 6)
                             .arg(qAbs(entry.time % 1000000), 6, 10, QLatin1Char('0'));
    switch (entry.kind) {
    case LogEntry::Request:
    case LogEntry::Answer: {
        const QString dir = entry.kind == LogEntry::Request ? QStringLiteral(">") : QStringLiteral("<");
        return QStringLiteral("%1 %2 %3  \"%4\"")
            .arg(time, dir, QString::fromLatin1(entry.bytes.toHex(' ')), printable(entry.bytes));
    }
    case LogEntry::Note:
        break;
    }
    return QStringLiteral("%1 # %2").arg(time, entry.text);
}

QString RequestLog::to_text() const
{
    QStringList lines;
    for (const LogEntry &e : m_entries)
        lines << format(e);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace sim
