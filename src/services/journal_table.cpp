#include "services/journal_table.h"

namespace journal {

namespace {

QString shown(const Value &value)
{
    if (!value.known())
        return QStringLiteral("?");
    return value.text.isEmpty() ? QString::number(*value.code) : value.text;
}

}  // namespace

QString result_text(Result result)
{
    switch (result) {
    case Result::Confirmed:
        return QStringLiteral("подтверждено");
    case Result::Refused:
        return QStringLiteral("отказ");
    case Result::NoAnswer:
        break;
    }
    return QStringLiteral("нет ответа");
}

QStringList table_columns()
{
    return {QStringLiteral("Время"),        QStringLiteral("Порт"),     QStringLiteral("Адрес"),
            QStringLiteral("Версия"),       QStringLiteral("Канал"),    QStringLiteral("Параметр"),
            QStringLiteral("Было → стало"), QStringLiteral("Результат")};
}

QStringList table_row(const Entry &e)
{
    const QString none = QStringLiteral("-");
    return {e.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
            e.port.isEmpty() ? none : e.port,
            e.address ? QString::number(e.address) : none,
            e.version.isEmpty() ? none : e.version,
            e.channel ? QString::number(e.channel) : none,
            e.label,
            QStringLiteral("%1 → %2").arg(shown(e.old_value), shown(e.new_value)),
            result_text(e.result)};
}

}  // namespace journal
