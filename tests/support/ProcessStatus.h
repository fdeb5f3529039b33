#pragma once
#include <sys/types.h>

// What the kernel reports about a running process (Linux /proc), for tests that watch a long run.

// Resident memory (VmRSS) in kibibytes, or -1 when the process is gone.
long residentKilobytes(pid_t pid);

// Processor time used so far by all its threads (user + system) in seconds, or -1 when the process is gone.
double processorSeconds(pid_t pid);
