#pragma once

#include "services/change_journal.h"

#include <QStringList>

// The journal as a table of texts, as the window and the tool show it.
namespace journal {

// "подтверждено", "отказ", "нет ответа".
QString result_text(Result result);
// "Время", "Порт", "Адрес", "Версия", "Канал", "Параметр", "Было → стало", "Результат".
QStringList table_columns();
// One entry's texts, by column; "-" for what is not known.
QStringList table_row(const Entry &entry);

}  // namespace journal
