#pragma once

#include <QString>

// The single-instance guard: an advisory lock on "<name>.lock" in $XDG_RUNTIME_DIR (else in a per-user
// folder under /tmp). The lock is held until ReleaseSingleInstance or the end of the process; the kernel
// frees it when the process dies, so a killed copy never blocks the next one.
//
// True when this process holds the lock now; false when another process holds it. When no lock file can
// be made at all, the copy is let through, as the mutex would be.
bool AcquireSingleInstance(const QString& name);
// Gives the lock up early, so that a copy started now can take it.
void ReleaseSingleInstance();
