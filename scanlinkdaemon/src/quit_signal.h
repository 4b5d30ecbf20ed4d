#pragma once

// SIGQUIT ends the listener's accept loop and the connection processes'
// command loops. The handler only clears the run flag; the loops write its
// log line when they find the flag cleared.

#include <csignal>

// The run flag, set at start and cleared by SIGQUIT.
extern volatile sig_atomic_t flag;

// Installs `handler` for SIGQUIT without SA_RESTART, so blocking calls are
// interrupted. False when sigaction fails.
bool installQuitHandler();

// Blocks SIGQUIT outside the waits of `waitForInput`, so that a signal that
// comes between a check of `flag` and the next wait still interrupts that wait.
void holdQuitSignalOutsideWaits();
// Lets SIGQUIT interrupt every blocking call again (the data processes).
void releaseQuitSignal();

// Writes the handler's line to the info log once, after a SIGQUIT came in.
void logQuitSignal();
