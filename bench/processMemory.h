#pragma once
// The memory the benchmark's own process holds, from /proc/self.

#include <fstream>
#include <malloc.h>
#include <string>

namespace bench {

// A line of /proc/self/status in KiB: "VmRSS:" (held now), "VmHWM:" (peak).
inline long statusKiB(const char* wanted) {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == wanted) {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// Gives freed memory back and sets the peak to what the process then holds,
// so that the next peak is that of what follows.
inline void resetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace bench
