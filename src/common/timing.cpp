#include "common/timing.h"

Timing &timing()
{
    static Timing t;
    return t;
}
