#include "services/journal_undo.h"

#include "services/journal_entries.h"

#include <algorithm>

namespace journal {

namespace {

Undo nothing(const QString &reason, const Entry &change = Entry())
{
    Undo u;
    u.reason = reason;
    u.change = change;
    return u;
}

}  // namespace

Undo last_undo(const QList<Entry> &entries)
{
    auto last = std::find_if(entries.rbegin(), entries.rend(), [](const Entry &e) {
        // The same value sent again (a refused change put back) changed nothing.
        return e.result == Result::Confirmed && !(e.old_value.code && e.old_value.code == e.new_value.code);
    });
    if (last == entries.rend())
        return nothing(QStringLiteral("В журнале нет подтверждённых изменений этого блока."));
    const Entry &e = *last;
    if (e.key == QLatin1String("PREDUSTANOVKA"))
        return nothing(QStringLiteral("Последнее изменение — предустановка канала %1; она изменила все "
                                      "параметры канала и не отменяется.")
                           .arg(e.channel),
                       e);
    Undo u;
    u.change = e;
    if (e.key == QLatin1String("KROSS")) {
        u.kind = Undo::Cross;
    } else {
        for (int l = 0; l < lists::ListCount; ++l)
            if (l != lists::Pred && list_key(lists::List(l)) == e.key) {
                u.kind = Undo::List;
                u.list = lists::List(l);
            }
        if (u.kind == Undo::Nothing)
            return nothing(QStringLiteral("Последнее изменение («%1») не отменяется.").arg(e.label), e);
    }
    if (!e.old_value.code)
        return nothing(QStringLiteral("Прежнее значение «%1» не известно.").arg(e.label), e);
    u.channel = e.channel;
    u.code = qint32(*e.old_value.code);
    return u;
}

}  // namespace journal
