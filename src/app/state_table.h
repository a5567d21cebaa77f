#pragma once

#include "channels/channel_state.h"

#include <QColor>
#include <QString>

// The looks of the channel-state label.
struct StateRow {
    QString text;
    QColor background;
    QColor foreground;
};

constexpr int kStateRows = channel_state::kRows;
const StateRow &state_table(int row);

// Row of the state table for a state byte reported by the unit, or -1 when the
// byte is not one the label shows.
int state_row_for_byte(int state_byte);
