#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/probe/Probe.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Colours only for a person at a terminal, and never when NO_COLOR is set.
    const bool colour = ::isatty(STDOUT_FILENO) != 0 && std::getenv("NO_COLOR") == nullptr;
    const int status = korvane::probe::runProbeCommand(args, colour, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
