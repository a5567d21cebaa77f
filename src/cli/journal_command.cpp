// The change journal: every change the window and the tool made to a unit.
#include "commands.h"
#include "services/change_journal.h"

#include <QJsonArray>

namespace cli {

namespace {

QString result_text(journal::Result result)
{
    switch (result) {
    case journal::Result::Confirmed:
        return QStringLiteral("подтверждено");
    case journal::Result::Refused:
        return QStringLiteral("отказ");
    case journal::Result::NoAnswer:
        break;
    }
    return QStringLiteral("нет ответа");
}

QString shown(const journal::Value &value)
{
    if (!value.known())
        return QStringLiteral("?");
    return value.text.isEmpty() ? QString::number(*value.code) : value.text;
}

QStringList row(const journal::Entry &e)
{
    return {e.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
            e.port.isEmpty() ? QStringLiteral("-") : e.port,
            e.address ? QString::number(e.address) : QStringLiteral("-"),
            e.version.isEmpty() ? QStringLiteral("-") : e.version,
            e.channel ? QString::number(e.channel) : QStringLiteral("-"),
            e.label,
            QStringLiteral("%1 → %2").arg(shown(e.old_value), shown(e.new_value)),
            result_text(e.result)};
}

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
    QList<QStringList> rows{{QStringLiteral("Время"), QStringLiteral("Порт"), QStringLiteral("Адрес"),
                             QStringLiteral("Версия"), QStringLiteral("Канал"), QStringLiteral("Параметр"),
                             QStringLiteral("Было → стало"), QStringLiteral("Результат")}};
    for (const journal::Entry &e : entries) {
        array.append(journal::to_json(e));
        rows << row(e);
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
