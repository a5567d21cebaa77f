#include "state_table.h"

#include "channels/channel_state.h"

#include <array>

const StateRow &state_table(int row)
{
    static const std::array<StateRow, kStateRows> rows = [] {
        const QColor grey(0xC0, 0xC0, 0xC0), green(0x00, 0xFF, 0x00), yellow(0xFF, 0xFF, 0x00),
            red(0xFF, 0x00, 0x00), black(0x00, 0x00, 0x00);
        const QColor backgrounds[kStateRows] = {grey, green, yellow, yellow, yellow, red, grey, green};
        std::array<StateRow, kStateRows> out;
        for (int i = 0; i < kStateRows; ++i)
            out[size_t(i)] = {channel_state::row_text(i), backgrounds[i], black};
        return out;
    }();
    return rows[size_t((row >= 0 && row < kStateRows) ? row : 0)];
}

int state_row_for_byte(int state_byte)
{
    return channel_state::row_for_byte(state_byte);
}
