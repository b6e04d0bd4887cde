// Counts the heap allocations one thread makes between Start and Stop. The
// test program that links AllocationCounter.cpp replaces malloc and its
// relatives process-wide (operator new, av_malloc and the libraries all end
// there), so it goes into a program of its own, never into a sanitizer build.
//
// Each allocation is put down to the module that asked for it: the first
// caller past the allocator, the C++ runtime and libavutil's memory functions.
// This program's code (the player's is linked in statically) is "korvane".
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace korvane::testing {

inline constexpr const char* kOwnModule = "korvane";

struct AllocationReport {
    std::size_t count = 0;                         // every allocation seen
    std::size_t largest = 0;                       // bytes of the largest one
    std::map<std::string, std::size_t> perModule;  // module -> count
    std::map<std::string, std::size_t> stacks;     // the asker's stack (as text) -> count

    std::size_t Own() const { return OfModule(kOwnModule); }
    // Allocations of the modules whose file name starts with prefix ("libswscale.so").
    std::size_t OfModule(const std::string& prefix) const;
    std::string Describe() const;
};

// Only the calling thread's allocations count; one Start, then one Stop.
void StartCountingAllocations();
AllocationReport StopCountingAllocations();

}  // namespace korvane::testing
