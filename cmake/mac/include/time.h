// <time.h> as a Mac has it: glibc's, plus the Darwin clock that stands still
// while the machine sleeps (value from Apple's <time.h>; clock_gettime(3):
// "CLOCK_UPTIME_RAW clock that increments monotonically, in the same manner
// as CLOCK_MONOTONIC_RAW, but that does not increment while the system is
// asleep").
#include_next <time.h>

#ifndef ASSISTANT_MAC_TIME_H
#define ASSISTANT_MAC_TIME_H

#define CLOCK_UPTIME_RAW 8

#endif
