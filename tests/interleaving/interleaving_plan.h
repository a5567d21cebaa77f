#pragma once

// The scenario of one seed: what the user does, step by step, and what the
// line and the user do at random moments while each step runs. The same seed
// gives the same scenario; what it meets depends on timing and is traced as
// it runs.
#include <QList>
#include <QString>
#include <QtGlobal>

namespace interleaving {

enum class Kind {
    Start,     // the user picks the unit's port and presses the start button
    Click,     // the user works an enabled control; r picks which and how
    Wait,      // the user watches the window for wait_ms
    World,     // a mirval-sim control line, "unplug" (the simulator killed) or "replug"
    Firmware,  // "Сменить прошивку…" in the version label's menu
    Cancel,    // "Отмена" of the progress dialog that is open
};

struct Event {
    Kind kind = Kind::Click;
    quint32 r = 0;
    QString line;  // World
    // An interrupt: at_ms after its step began or, when after_write is 1 or
    // more, at_ms after the step's after_write-th write to the port (in the
    // middle of an operation).
    int at_ms = 0;
    int after_write = 0;
};

struct Step {
    Event action;
    int wait_ms = 0;
    QList<Event> interrupts;
    QList<int> holds;           // how long each message or viewer stays open, in order
    bool cancel_files = false;  // file dialogs are cancelled
    bool answer_no = false;     // questions are answered "No"
};

// steps + 1 steps; the first connects.
QList<Step> plan(quint32 seed, int steps);

QString text(const Event &event);
QString text(const Step &step);

}  // namespace interleaving
