// Waiting for input on the C runtime's descriptors: the converters' answer pipes and the
// pipes that wake a run (a stop asked for, finished work handed over). One call for every
// system: poll on POSIX; on Windows, where anonymous pipes cannot be waited on together
// with other handles, PeekNamedPipe on each in turn, with pauses that grow from 1 to 10 ms
// while nothing comes.
#pragma once

#include <vector>

// A pipe that wakes a waiting loop: its read end is waited on, and WakeWith may be called
// from a signal handler or a console's control handler. Both ends are closed on exec; the
// write end never blocks. False when the system has no pipe to give: both stay -1.
bool MakeWakePipe(int (&ends)[2]);
void WakeWith(int writeEnd, char value);
void CloseWakePipe(int (&ends)[2]);

// Waits up to `timeoutMs` (0: only a look) until one of `descriptors` (-1 entries are
// passed over) has input to read or has lost its writer. `ready` gets one flag per
// descriptor. Returns how many are ready, 0 at the time-out, -1 when the wait failed.
int WaitForInput(const std::vector<int>& descriptors, std::vector<bool>& ready, int timeoutMs);
