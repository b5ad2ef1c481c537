#pragma once
// zirky-host's command line: what the operator asked for, or why it cannot be.

#include "bots/Level.h"

#include <string>
#include <vector>

namespace app
{

struct HostCommandLine {
    int port = 7772; // 0: the system picks one
    std::vector<bots::Level> computers; // seated once the first person logs in
    int holdSeconds = 120; // a lost connection's seat waits this long; 0: no hold
    std::string wordFile; // empty: "English" in the working folder
    bool announce = true; // announce the game on the local network
    bool cleanWords = false; // refuse offensive words for everyone
    bool help = false;
    std::string error; // not empty: the command line is wrong, and this says how
};

// `args` excludes the program name. An option's value follows it ("--port 1")
// or is joined with "=" ("--port=1"); given twice, the last one counts.
HostCommandLine parseHostCommandLine(const std::vector<std::string>& args);

std::string hostUsageText();

} // namespace app
