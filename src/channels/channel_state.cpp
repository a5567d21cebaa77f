#include "channels/channel_state.h"

namespace channel_state {

int row_for_byte(int state_byte)
{
    switch (state_byte) {
    case 0:
    case 16:
        return 1;
    case 1:
    case 17:
        return 5;
    case 2:
    case 18:
        return 4;
    case 4:
    case 20:
        return 2;
    case 8:
    case 24:
        return 6;
    case 32:
    case 33:
    case 48:
    case 49:
        return 3;
    case 129:
    case 145:
        return 7;
    default:
        return -1;
    }
}

int shown_row(int previous_row, int state_byte)
{
    const int row = row_for_byte(state_byte);
    return row >= 0 ? row : previous_row;
}

QString row_text(int row)
{
    static const char *const texts[kRows] = {
        "  ", "Норма", "Обрыв КЧЭ", "Замыкание КЧЭ", "Неисправность БЭ", "Тревога", "Выкл", "Дк:Норма",
    };
    return QString::fromUtf8(texts[(row >= 0 && row < kRows) ? row : 0]);
}

}  // namespace channel_state
