#pragma once
// Invariants of the program's own making. A broken one is a bug, not a state to carry on
// from: debug builds stop at the place it broke, with the condition, file and line on
// standard error; release builds do not check.

#include <cstdio>
#include <cstdlib>

#ifdef NDEBUG
#define QB_ASSERT(condition) ((void)0)
#else
#define QB_ASSERT(condition)                                                                       \
    ((condition)                                                                                   \
         ? (void)0                                                                                 \
         : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition), \
            std::fflush(stderr), std::abort()))
#endif
