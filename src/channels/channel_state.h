#pragma once

#include <QString>

// What a channel's state byte (status poll, get_unit_status) means: one of
// the eight rows the main window's state label shows.
namespace channel_state {

constexpr int kRows = 8;

// Row for a state byte reported by the unit, or -1 when the byte is not one
// the label shows.
int row_for_byte(int state_byte);

// Row the state label shows after a poll reported state_byte while it
// showed previous_row: a byte it does not show leaves the row as it was.
int shown_row(int previous_row, int state_byte);

// Text of a row ("Норма", "Тревога", ...); row 0 is the blank label, rows
// outside the table show as row 0.
QString row_text(int row);

}  // namespace channel_state
