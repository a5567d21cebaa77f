#pragma once

#include "channels/list_texts.h"
#include "config/config_check.h"
#include "config/config_diff.h"
#include "config/unit_config.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// A whole-unit configuration in human terms: each value with its list text and
// unit, as the form shows it; and where two configurations differ.
namespace cli {

using lists::in_list;

// "140 мВ" for a code of the list; "код N (нет в списке)" for one outside it.
QString value_text(lists::List list, qint32 code);
// The pairs of a pairing mask: "1+2, 3+4", or "нет".
QString cross_text(qint32 mask);
// value_text, or cross_text for the pairing mask (config_values::kCrossMask).
QString code_text(lists::List list, qint32 code);

// The lines of `show`.
QStringList config_lines(const UnitConfig &config);
QJsonObject config_json(const UnitConfig &config);

struct Difference {
    int channel;  // 1..4, or 0 for the unit-wide values
    QString what;
    QString expected;  // the file's
    QString actual;    // the unit's
};

// A row of config_diff::compare in words: expected holds A's value, actual B's.
Difference difference(const config_diff::Row &row);

// Where the unit's configuration differs from the file's (config_diff::compare).
QList<Difference> config_differences(const UnitConfig &file, const UnitConfig &unit);
// "Канал N", or "Блок" for channel 0.
QString place_text(int channel);
QString difference_line(const Difference &d);
QJsonObject difference_json(const Difference &d);
// Two files compared: expected is the first file's value, actual the second's.
QString files_difference_line(const Difference &d);
QJsonObject files_difference_json(const Difference &d);

// A value outside its list: "Канал 1: Импульс: 250".
QString bad_value_line(const config_check::BadValue &b);
QJsonObject bad_value_json(const config_check::BadValue &b);

// The values of the file, among those compared, that the unit holds as
// another value; actual is what it holds.
QList<Difference> held_otherwise(const UnitConfig &file);
QString held_otherwise_line(const Difference &d);

}  // namespace cli
