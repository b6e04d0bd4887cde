// Counts the heap allocations one thread makes between Start and Stop. The
// test program that links AllocationCounter.cpp replaces malloc and its
// relatives process-wide (operator new, av_malloc and the libraries all end
// there), so it only goes into a program of its own and never into a build
// with sanitizers, which replace them too.
//
// Each counted allocation is put down to the module that asked for it: the
// first caller past the allocator, the C++ runtime and libavutil's memory
// functions. Code of this program (the player's code is linked in statically)
// counts as the player's own; anything else names its library.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace korvane::testing {

// Allocations made from the same call stack (cut after the third frame of the
// player's code).
struct AllocationSite {
    std::string module;              // "korvane" for the player's code, else the library's file name
    std::size_t count = 0;
    std::size_t largest = 0;         // bytes
    std::vector<std::string> stack;  // innermost first, symbols demangled where known
};

struct AllocationReport {
    std::size_t count = 0;                          // every allocation seen
    std::size_t largest = 0;                        // bytes of the largest one
    std::map<std::string, std::size_t> perModule;   // module -> count
    std::vector<AllocationSite> sites;              // most frequent first

    std::size_t Own() const;  // allocations the player's code asked for
    // Allocations of the modules whose file name starts with prefix ("libswscale.so").
    std::size_t OfModule(const std::string& prefix) const;
    std::string Describe() const;
};

// Only the calling thread's allocations are counted. Not reentrant: one
// Start, then one Stop on the same thread.
void StartCountingAllocations();
AllocationReport StopCountingAllocations();

inline constexpr const char* kOwnModule = "korvane";

}  // namespace korvane::testing
