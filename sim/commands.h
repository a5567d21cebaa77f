#pragma once

#include "unit_state.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The unit's command set: what each request does to the unit's state and
// which bytes it answers with (before framing).
namespace sim {

struct CommandInfo {
    quint8 code;
    const char *name;
    int args;          // argument bytes the request must carry after the code
    bool per_channel;  // the first argument is a channel number 1..4
    int min_major;     // lowest major firmware version that knows the command
};

// Every command the unit knows, in code order.
const QList<CommandInfo> &command_table();
const CommandInfo *find_command(quint8 code);

struct CommandOutcome {
    enum Kind {
        NoAnswer,     // unknown, not for this firmware, or a bad argument
        Answer,       // answer holds the answer bytes, checksum not included
        EnterLoader,  // the unit switches to its loader
    };
    Kind kind = NoAnswer;
    QByteArray answer;
    QString note;  // why there is no answer
};

// Executes a request payload (address, code, arguments; checksum removed)
// against the state at time now. The address has been checked by the caller.
// A set command answers with the unit's address and the command code.
CommandOutcome execute(UnitState &state, const QByteArray &payload, Usec now);

}  // namespace sim
