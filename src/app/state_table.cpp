#include "state_table.h"

const StateRow &state_table(int row)
{
    static const QColor grey(0xC0, 0xC0, 0xC0), green(0x00, 0xFF, 0x00), yellow(0xFF, 0xFF, 0x00),
        red(0xFF, 0x00, 0x00), black(0x00, 0x00, 0x00);
    static const StateRow rows[kStateRows] = {
        {QStringLiteral("  "), grey, black},
        {QStringLiteral("Норма"), green, black},
        {QStringLiteral("Обрыв КЧЭ"), yellow, black},
        {QStringLiteral("Замыкание КЧЭ"), yellow, black},
        {QStringLiteral("Неисправность БЭ"), yellow, black},
        {QStringLiteral("Тревога"), red, black},
        {QStringLiteral("Выкл"), grey, black},
        {QStringLiteral("Дк:Норма"), green, black},
    };
    return rows[(row >= 0 && row < kStateRows) ? row : 0];
}

int state_row_for_byte(int state_byte)
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
