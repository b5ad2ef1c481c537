// How often a thread has been woken: its voluntary and involuntary context
// switches so far, from /proc. Two readings apart give the wake-ups between.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/types.h>

inline long threadSwitches(pid_t tid)
{
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    std::string line;
    long total = 0;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::atol(line.substr(line.find(':') + 1).c_str());
    return total;
}
