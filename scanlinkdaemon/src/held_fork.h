#pragma once

// Forking a child that the parent holds by a process descriptor (pidfd). The
// child waits at a gate until its parent lets it go, so its pid cannot end
// and be taken by another process before the parent holds it.

#include <sys/types.h>

struct HeldChild {
    pid_t pid = -1;   // 0 in the child; -1 when no child runs
    int pidFd = -1;   // the parent's handle on the child
    int gate = -1;    // the parent's end of the gate; closing it lets the child go
};

// In the parent: the held child, not yet released; pid -1 when it could not be
// created or held (a child that could not be held is killed before it runs).
// In the child: pid 0, returned once the parent released it.
HeldChild forkHeld();

// Lets the child run (nothing when it was let go already).
void releaseChild(HeldChild& child);
