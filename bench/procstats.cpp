#include "procstats.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

MemoryStatus ReadMemoryStatus()
{
    MemoryStatus status;
    std::FILE *file = std::fopen("/proc/self/status", "r");
    if (!file)
        return status;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            status.rssKb = std::strtol(line + 6, nullptr, 10);
        else if (std::strncmp(line, "VmHWM:", 6) == 0)
            status.hwmKb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(file);
    return status;
}

bool ResetPeakMemory()
{
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

long PageFaults()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}
