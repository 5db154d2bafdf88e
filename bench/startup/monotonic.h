// The clock the timing process and the programs it starts share.
#pragma once

#include <time.h>

inline long long monotonicNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}
