#pragma once

#include "common/timing.h"

#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

// mirval-cli: one command per run, over the core library. Results go to
// standard output (or one JSON document with --json), messages to standard
// error.
namespace cli {

// Exit status.
enum Exit : int {
    Success = 0,
    UnitFailed = 1,  // the unit did not answer or did not confirm
    Usage = 2,       // wrong command line or a value the unit's lists do not hold
    FileProblem = 3,
    PortFailed = 4,  // the port did not open, or it went away during the command
};

// A command's own arguments: positional ones in order, options with a value,
// flags.
struct Args {
    QStringList positional;
    QHash<QString, QString> values;
    QSet<QString> flags;
};

struct Context {
    QString port;       // --port (the first, where several are given)
    QStringList ports;  // every --port, in order
    int address = -1;   // --address; -1: not given
    int speed = 57600;
    // The time constants of the command's unit sessions.
    Timing timing;
    bool json = false;
    Args args;

    // The JSON document of the command; "command", "ok", "exit" and "error"
    // are added when it ends.
    QJsonObject result;
    // Set by a command that wrote its JSON documents itself (monitor).
    bool json_streamed = false;
    QString error;
    // Why the port did not open or went away ("busy", "vanished", ...): the
    // JSON document's "reason"; with the text for the second line.
    QString port_reason;
    QString port_reason_text;
    // A line of a site-wide command: messages are kept in error, not printed.
    bool quiet = false;

    // One result line on standard output; nothing in JSON mode.
    void out(const QString &line) const;
    // Tells text on standard error and returns code; the first such text is
    // the JSON document's "error".
    int fail(int code, const QString &text);
    // fail(UnitFailed, "Нет ответа от блока!").
    int no_answer();
    // Whether standard error is a terminal (progress lines go there only then).
    bool progress_shown() const;
    // A progress line on standard error, overwritten by the next one; an
    // empty text clears it.
    void progress(const QString &text) const;
    // Where progress texts go instead of standard error (a line of a site
    // command: its row of the status); progress_shown() is true then.
    std::function<void(const QString &)> progress_sink;

    // The --channel option (1..4, default 1); 0 after a usage failure.
    int channel();
    // The command's first positional argument (a file, a list name).
    QString file_argument() const { return args.positional.value(0); }
};

// One command of the table.
struct Command {
    const char *name;
    const char *usage;  // arguments after the name
    const char *help;   // what it does (UTF-8)
    // Lines: one or more --port, no --address. UnitOrLines: Unit with
    // --address, Lines with --port alone, Nothing without --port.
    enum Needs { Nothing, Port, Unit, Lines, UnitOrLines } needs;
    QStringList value_options;  // options taking a value, without "--"
    QStringList flag_options;
    int min_positional;
    int max_positional;
    int (*run)(Context &context);
    // With this many positional arguments the command works on files alone
    // and needs no port (0: never).
    int offline_positional = 0;
};

const QList<Command> &commands();

// Writes a line to standard error / standard output (UTF-8).
void print_err(const QString &line);
void print_out(const QString &line);

}  // namespace cli
