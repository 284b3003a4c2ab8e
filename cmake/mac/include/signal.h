// <signal.h> as a Mac has it: glibc's, plus the signals a Mac has and Linux
// lacks (values from Apple's <sys/signal.h>: "SIGEMT 7 EMT instruction",
// "SIGINFO 29 information request").
#include_next <signal.h>

#ifndef ASSISTANT_MAC_SIGNAL_H
#define ASSISTANT_MAC_SIGNAL_H

#define SIGEMT 7
#define SIGINFO 29

#endif
