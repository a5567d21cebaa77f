#pragma once

#include "channels/list_texts.h"
#include "services/change_journal.h"

// Taking back the last change confirmed on a unit: which value to send again.
namespace journal {

struct Undo {
    enum Kind {
        Nothing,  // nothing to take back; reason says why
        List,     // list on channel (0: unit-wide) back to code
        Cross,    // the pairing mask back to code
    };
    Kind kind = Nothing;
    lists::List list = lists::Porog;
    int channel = 0;
    qint32 code = 0;
    Entry change;  // the change taken back
    QString reason;
};

// entries: one unit's, oldest first. The last confirmed change decides (one
// that sent the value already held is passed over):
// a list value or the pairing with a known previous value is taken back;
// a preset (it changed the whole channel), the clock, the log, a
// configuration or firmware write cannot be, and nothing older is taken
// back in its place.
Undo last_undo(const QList<Entry> &entries);

}  // namespace journal
