#include "link/link_settings.h"

#include <iterator>

template <typename T, int N> static int lookup(const T (&table)[N], int index, int fallback)
{
    return (index >= 0 && index < N) ? table[index] : table[fallback];
}

int LinkSettings::MREP() const
{
    return lookup(repeats, repeat_index, 1);
}

int LinkSettings::MWAIT() const
{
    return lookup(waits, wait_index, 10);
}

int speed_of_index(int index)
{
    if (index < 0 || index >= int(std::size(LinkSettings::speeds)))
        return 0;
    return LinkSettings::speeds[index];
}
