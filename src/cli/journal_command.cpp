// The change journal: every change the window and the tool made to a unit.
#include "commands.h"
#include "services/change_journal.h"
#include "services/journal_table.h"

#include <QJsonArray>

namespace cli {

namespace {

// Rows in columns two spaces apart, each as wide as its longest text.
QStringList table(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &r : rows)
        for (int i = 0; i < r.size(); ++i) {
            if (widths.size() <= i)
                widths << 0;
            widths[i] = qMax(widths[i], int(r[i].size()));
        }
    QStringList lines;
    for (const QStringList &r : rows) {
        QStringList cells;
        for (int i = 0; i < r.size(); ++i)
            cells << (i + 1 < r.size() ? r[i].leftJustified(widths[i]) : r[i]);
        lines << cells.join(QStringLiteral("  "));
    }
    return lines;
}

}  // namespace

int run_journal(Context &c)
{
    const journal::ChangeJournal file;
    int skipped = 0;
    const QList<journal::Entry> entries =
        journal::filtered(file.read(&skipped), c.address > 0 ? c.address : 0, c.port);
    if (skipped)
        print_err(QStringLiteral("%1: пропущено поврежденных строк: %2").arg(file.path()).arg(skipped));

    QJsonArray array;
    QList<QStringList> rows{journal::table_columns()};
    for (const journal::Entry &e : entries) {
        array.append(journal::to_json(e));
        rows << journal::table_row(e);
    }
    c.result[QStringLiteral("file")] = file.path();
    c.result[QStringLiteral("entries")] = array;
    if (entries.isEmpty()) {
        c.out(QStringLiteral("Журнал изменений пуст"));
        return Success;
    }
    for (const QString &line : table(rows))
        c.out(line);
    return Success;
}

}  // namespace cli
