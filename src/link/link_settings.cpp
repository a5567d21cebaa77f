#include "link/link_settings.h"

#include <iterator>

thread_local LinkSettings link_settings;

template <typename T, int N> static int lookup(const T (&table)[N], int index, int fallback)
{
    return (index >= 0 && index < N) ? table[index] : table[fallback];
}

int MREP()
{
    return lookup(LinkSettings::repeats, link_settings.repeat_index, 1);
}

int MWAIT()
{
    return lookup(LinkSettings::waits, link_settings.wait_index, 10);
}

int speed_of_index(int index)
{
    if (index < 0 || index >= int(std::size(LinkSettings::speeds)))
        return 0;
    return LinkSettings::speeds[index];
}
