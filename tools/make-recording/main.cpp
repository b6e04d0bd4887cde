#include <iostream>
#include <string>
#include <vector>

#include "tools/make-recording/MakeRecording.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return korvane::tools::RunMakeRecording(args, std::cout, std::cerr);
}
