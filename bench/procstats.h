#pragma once

// What a measuring child reads about itself from the kernel.

// Resident set now and its high-water mark, in KiB, from /proc/self/status.
struct MemoryStatus
{
    long rssKb = 0;
    long hwmKb = 0;
};
MemoryStatus ReadMemoryStatus();

// Sets the high-water mark back to the current resident set (writes "5" to
// /proc/self/clear_refs), so that a peak reached before the measured work does not count.
// False where the kernel does not allow it.
bool ResetPeakMemory();

// Minor and major page faults of this process so far.
long PageFaults();
