#pragma once

#include "sim_types.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Faults a unit can be told to have, switched on and off by name so that a
// test can produce what a field line produces. A fault is written
//
//     NAME[=ARG][@CODE,CODE...][:TIMES]
//
// "@" limits it to requests with those command codes (0x.. hex or decimal),
// ":TIMES" to the first TIMES matching requests or answers; after that the
// fault is gone. The names and their arguments are listed by Faults::help().
namespace sim {

enum class FaultKind {
    Silence,       // request not heard, no answer
    SilentAfter,   // hears n requests, then nothing more
    BadChecksum,   // answer's checksum is wrong (the command was executed)
    Split,         // answer in pieces, gap apart
    Delay,         // answer goes out late
    Stale,         // stray bytes go out before the answer
    Babble,        // endless bytes without CR instead of answers
    Refuse,        // chosen commands are not executed and not answered
    RefuseBad,     // chosen commands are not executed, answered with a bad checksum
    SpeedCheck,    // hears only when the line runs at the unit's speed
    SpeedSilent,   // set_line_speed switches without answering
    UpperHex,      // answers in upper-case hex digits
    LoaderStall,   // loader does not acknowledge line n until re-entered
    LoaderReject,  // loader answers a wrong byte to line n
    LoaderFail,    // as LoaderReject once, then the unit stays in its loader
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    QList<quint8> codes;  // empty: every command
    int times = -1;       // matching uses left; -1: unlimited
    int n = 0;            // request or line number argument
    Usec time = 0;        // delay, gap, babble interval
    int pieces = 2;
    QByteArray text;     // stale bytes
    quint8 byte = 0x55;  // loader rejection byte

    bool matches(quint8 code) const { return codes.isEmpty() || codes.contains(code); }
};

// What happens to a request addressed to the unit, decided before it is executed.
struct Admission {
    bool heard = true;    // false: as if it never arrived
    bool execute = true;  // false: refused, the state stays as it was
    bool answer = true;   // false: no answer
    bool bad_checksum = false;
    QString why;
};

// How an answer goes out.
struct AnswerShape {
    bool bad_checksum = false;
    bool upper_case = false;
    int pieces = 1;
    Usec gap = 0;
    Usec delay = 0;
    QByteArray stale;
};

class Faults {
public:
    // Parses and adds a fault; on a bad fault text returns false and says why.
    bool add(const QString &fault_text, QString *error = nullptr);
    void add(const Fault &fault);
    // Removes every fault of that name; false when there was none.
    bool remove(const QString &name);
    void clear();
    bool has(FaultKind kind) const;
    bool isEmpty() const { return m_faults.isEmpty(); }
    const QList<Fault> &list() const { return m_faults; }
    QStringList describe() const;

    static QString name_of(FaultKind kind);
    // One line per fault: syntax and meaning.
    static QString help();

    // Decides about a request for this unit; uses up counted faults.
    Admission admit(quint8 code);
    // Decides how the answer to a request with that code goes out.
    AnswerShape shape(quint8 code);

    bool babble(Usec *interval) const;
    bool speed_check() const { return has(FaultKind::SpeedCheck); }
    bool speed_silent() const { return has(FaultKind::SpeedSilent); }
    // Loader line (1-based) after which the loader stalls; 0 for none.
    int loader_stall_line() const;
    bool loader_reject(int line, quint8 *byte) const;
    // A loader-fail fault for line: true with its byte, and the fault is gone.
    bool take_loader_fail(int line, quint8 *byte);

private:
    void use(int index);  // counts one use of a :TIMES fault
    void drop_used_up();

    QList<Fault> m_faults;
    int m_heard = 0;  // requests heard, for silent-after
};

}  // namespace sim
