#pragma once

#include <QByteArray>
#include <QString>

namespace level_signal {
class Series;
}

// The recorded polls as a table: "time_s,level_mV,state", one row per
// answered poll. The window's export and `mirval-cli monitor --csv` print the
// same rows.
namespace level_csv {

QString header();

// time_ms since the recording began, with three decimals in seconds; the
// level with two decimals, empty without one; the state row's text.
QString row(qint64 time_ms, bool has_level, float level_mv, int state_row);

// Header and one row per answered poll, each line ended by LF, in UTF-8.
QByteArray file_bytes(const level_signal::Series &series);

}  // namespace level_csv
