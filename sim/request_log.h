#pragma once

#include "sim_types.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// What went over a simulated line: every request line the unit side received,
// every chunk of bytes it sent back and notes on what it made of them, each
// with its time. Tests assert request sequences on it; the text form is what
// mirval-sim prints and what two runs can be compared by.
namespace sim {

struct LogEntry {
    enum Kind { Request, Answer, Note };
    Kind kind = Note;
    Usec time = 0;
    QByteArray bytes;  // Request, Answer
    QString text;      // Note
};

class RequestLog {
public:
    using Listener = std::function<void(const LogEntry &)>;

    void add_request(Usec time, const QByteArray &bytes);
    void add_answer(Usec time, const QByteArray &bytes);
    void add_note(Usec time, const QString &text);
    void clear();

    const QList<LogEntry> &entries() const { return m_entries; }
    // Request lines as received (CR included), in order.
    QList<QByteArray> requests() const;
    // Payloads (address, code, arguments) of the well-formed request frames.
    QList<QByteArray> request_payloads() const;
    QList<QByteArray> answers() const;
    QStringList notes() const;

    // Called for every entry as it is added (mirval-sim prints them).
    void set_listener(Listener listener) { m_listener = std::move(listener); }
    // Oldest entries are dropped beyond this many (a babbling line).
    void set_limit(int entries) { m_limit = entries; }
    int dropped() const { return m_dropped; }

    // "   12.345678 > 24 30 31 0d  "$01\r"": seconds, direction (> request,
    // < answer, # note), hex bytes, then the bytes as text.
    static QString format(const LogEntry &entry);
    QString to_text() const;

private:
    void add(LogEntry entry);

    QList<LogEntry> m_entries;
    Listener m_listener;
    int m_limit = 200000;
    int m_dropped = 0;
};

}  // namespace sim
