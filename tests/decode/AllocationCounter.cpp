#include "tests/decode/AllocationCounter.h"

#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

// glibc's allocator under its internal names; the replacements below count
// and then hand every request to it.
extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void* __libc_valloc(std::size_t size);
void* __libc_pvalloc(std::size_t size);
}

namespace korvane::testing {
namespace {

constexpr int kDepth = 16;
constexpr std::size_t kKept = 4096;  // allocations whose stacks are kept
constexpr int kHookFrames = 2;       // Note() and the replaced function

struct Recorded {
    int depth;
    std::array<void*, kDepth> frames;
};

// Written only by the counting thread between Start and Stop, read after Stop.
std::array<Recorded, kKept> g_recorded;
std::size_t g_count = 0;
std::size_t g_largest = 0;
thread_local bool t_counting = false;
thread_local bool t_inHook = false;  // backtrace() may allocate

__attribute__((noinline)) void Note(std::size_t bytes) {
    if (!t_counting || t_inHook) return;
    t_inHook = true;
    if (g_count < kKept) g_recorded[g_count].depth = backtrace(g_recorded[g_count].frames.data(), kDepth);
    ++g_count;
    g_largest = std::max(g_largest, bytes);
    t_inHook = false;
}

// The module of a code address: "korvane" for this program, else the library's file name.
std::string ModuleOf(void* address, const void* ownBase) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "?";
    if (info.dli_fbase == ownBase) return kOwnModule;
    const char* slash = std::strrchr(info.dli_fname, '/');
    return slash ? slash + 1 : info.dli_fname;
}

// The allocator and the runtimes only pass a request on. libavutil's memory,
// buffer and frame functions serve whoever calls them, so a buffer reference
// the player takes per record is the player's.
bool PassesOn(const std::string& module) {
    for (const char* runtime : {"libc.so", "libstdc++.so", "libgcc_s.so", "libavutil.so"}) {
        if (module.rfind(runtime, 0) == 0) return true;
    }
    return false;
}

}  // namespace

void StartCountingAllocations() {
    std::array<void*, 4> warm{};  // the first backtrace() loads the unwinder, which allocates
    backtrace(warm.data(), static_cast<int>(warm.size()));
    g_count = 0;
    g_largest = 0;
    t_counting = true;
}

AllocationReport StopCountingAllocations() {
    t_counting = false;
    AllocationReport report{g_count, g_largest, {}, {}};
    Dl_info self{};
    dladdr(reinterpret_cast<void*>(&StartCountingAllocations), &self);
    for (std::size_t i = 0; i < std::min(g_count, kKept); ++i) {
        const Recorded& r = g_recorded[i];
        std::string module = "?";
        for (int f = kHookFrames; f < r.depth && module == "?"; ++f) {
            const std::string candidate = ModuleOf(r.frames[f], self.dli_fbase);
            if (!PassesOn(candidate)) module = candidate;
        }
        ++report.perModule[module];
        const int shown = r.depth - kHookFrames;
        const std::unique_ptr<char*, decltype(&std::free)> names(
            backtrace_symbols(r.frames.data() + kHookFrames, shown), &std::free);
        std::string stack = module + ":";
        for (int f = 0; names && f < std::min(shown, 8); ++f) stack += std::string("\n    ") + names.get()[f];
        ++report.stacks[stack];
    }
    if (g_count > kKept) report.perModule["(not traced)"] += g_count - kKept;
    return report;
}

std::size_t AllocationReport::OfModule(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& [module, count] : perModule) n += module.rfind(prefix, 0) == 0 ? count : 0;
    return n;
}

std::string AllocationReport::Describe() const {
    std::ostringstream text;
    text << count << " allocations, the largest " << largest << " bytes;";
    for (const auto& [module, n] : perModule) text << ' ' << module << ": " << n << ';';
    for (const auto& [stack, n] : stacks) text << "\n  " << n << " x for " << stack;
    return text.str();
}

}  // namespace korvane::testing

// The replacements: every request is counted when its thread counts, then
// served by glibc.
extern "C" {
void* malloc(std::size_t size) { return korvane::testing::Note(size), __libc_malloc(size); }
void free(void* pointer) { __libc_free(pointer); }
void* calloc(std::size_t count, std::size_t size) {
    return korvane::testing::Note(count * size), __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) { return korvane::testing::Note(size), __libc_realloc(pointer, size); }
void* memalign(std::size_t alignment, std::size_t size) {
    return korvane::testing::Note(size), __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return korvane::testing::Note(size), __libc_memalign(alignment, size);
}
void* valloc(std::size_t size) { return korvane::testing::Note(size), __libc_valloc(size); }
void* pvalloc(std::size_t size) { return korvane::testing::Note(size), __libc_pvalloc(size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    korvane::testing::Note(size);
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *out = pointer;
    return 0;
}
}  // extern "C"
