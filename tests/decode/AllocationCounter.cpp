#include "tests/decode/AllocationCounter.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

// glibc's own allocator under its internal names; the replacements below
// count and then hand every request to it.
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

constexpr int kDepth = 24;
constexpr std::size_t kKept = 4096;  // allocations whose stacks are kept for the report
constexpr int kHookFrames = 2;       // Note() and the replaced function

struct Recorded {
    std::size_t bytes;
    int depth;
    std::array<void*, kDepth> frames;
};

// Written only by the counting thread between Start and Stop, read after Stop.
std::array<Recorded, kKept> g_recorded;
std::size_t g_count = 0;
std::size_t g_largest = 0;

thread_local bool t_counting = false;
thread_local bool t_inHook = false;  // backtrace() may allocate the first time

__attribute__((noinline)) void Note(std::size_t bytes) {
    if (!t_counting || t_inHook) return;
    t_inHook = true;
    if (g_count < kKept) {
        Recorded& r = g_recorded[g_count];
        r.bytes = bytes;
        r.depth = backtrace(r.frames.data(), kDepth);
    }
    ++g_count;
    g_largest = std::max(g_largest, bytes);
    t_inHook = false;
}

std::string FileName(const char* path) {
    if (path == nullptr) return "?";
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The allocator and the runtimes that only pass a request on. libavutil's
// memory, buffer and frame functions serve whoever calls them, so their
// allocations go to the caller: a buffer reference the player takes per
// record is the player's, a scaler's tables are libswscale's.
bool PassesOn(const std::string& module) {
    return module.rfind("libc.so", 0) == 0 || module.rfind("libstdc++.so", 0) == 0 ||
           module.rfind("libgcc_s.so", 0) == 0 || module.rfind("libavutil.so", 0) == 0;
}

std::string Symbol(void* address, const void* ownBase) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) return "?";
    std::string module = info.dli_fbase == ownBase ? kOwnModule : FileName(info.dli_fname);
    std::string name = "?";
    if (info.dli_sname != nullptr) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
        name = status == 0 && demangled ? demangled : info.dli_sname;
        std::free(demangled);
        name = name.substr(0, name.find('('));  // without the parameter list
    }
    std::ostringstream text;
    const auto offset = reinterpret_cast<std::uintptr_t>(address) -
                        reinterpret_cast<std::uintptr_t>(info.dli_saddr ? info.dli_saddr : info.dli_fbase);
    text << name << "+0x" << std::hex << offset << " (" << module << ")";
    return text.str();
}

// Where an allocation came from: the module that asked for it (the first
// caller past the hook, the C library and the C++ runtime) and its stack up
// to the third frame of the player's code.
struct Origin {
    std::string module = "?";
    std::vector<void*> frames;
};

Origin OriginOf(const Recorded& r, const void* ownBase) {
    Origin origin;
    int ownFrames = 0;
    for (int i = kHookFrames; i < r.depth && ownFrames < 3; ++i) {
        origin.frames.push_back(r.frames[i]);
        Dl_info info{};
        if (dladdr(r.frames[i], &info) == 0) continue;
        const bool own = info.dli_fbase == ownBase;
        ownFrames += own ? 1 : 0;
        if (origin.module == "?") {
            const std::string module = own ? kOwnModule : FileName(info.dli_fname);
            if (!PassesOn(module)) origin.module = module;
        }
    }
    return origin;
}

}  // namespace

void StartCountingAllocations() {
    // The first backtrace() loads the unwinder, which allocates.
    std::array<void*, 4> warm{};
    backtrace(warm.data(), static_cast<int>(warm.size()));
    g_count = 0;
    g_largest = 0;
    t_counting = true;
}

AllocationReport StopCountingAllocations() {
    t_counting = false;
    AllocationReport report;
    report.count = g_count;
    report.largest = g_largest;

    Dl_info self{};
    dladdr(reinterpret_cast<void*>(&StartCountingAllocations), &self);
    const void* ownBase = self.dli_fbase;
    const std::size_t kept = std::min(g_count, kKept);
    std::map<std::vector<void*>, AllocationSite> sites;
    for (std::size_t i = 0; i < kept; ++i) {
        const Recorded& r = g_recorded[i];
        Origin origin = OriginOf(r, ownBase);
        ++report.perModule[origin.module];
        AllocationSite& site = sites[origin.frames];
        if (site.count++ == 0) {
            site.module = origin.module;
            for (void* frame : origin.frames) site.stack.push_back(Symbol(frame, ownBase));
        }
        site.largest = std::max(site.largest, r.bytes);
    }
    for (auto& [frames, site] : sites) report.sites.push_back(std::move(site));
    std::stable_sort(report.sites.begin(), report.sites.end(),
                     [](const AllocationSite& a, const AllocationSite& b) { return a.count > b.count; });
    if (g_count > kKept) report.perModule["(not traced)"] += g_count - kKept;
    return report;
}

std::size_t AllocationReport::Own() const { return OfModule(kOwnModule); }

std::size_t AllocationReport::OfModule(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& [module, count] : perModule) n += module.rfind(prefix, 0) == 0 ? count : 0;
    return n;
}

std::string AllocationReport::Describe() const {
    std::ostringstream text;
    text << count << " allocations, the largest " << largest << " bytes;";
    for (const auto& [module, n] : perModule) text << ' ' << module << ": " << n << ';';
    for (const AllocationSite& site : sites) {
        text << "\n  " << site.count << " x up to " << site.largest << " bytes for " << site.module << ':';
        for (const std::string& frame : site.stack) text << "\n    " << frame;
    }
    return text.str();
}

}  // namespace korvane::testing

// The replacements. Every request is counted when its thread counts, then
// served by glibc.
extern "C" {

void* malloc(std::size_t size) {
    korvane::testing::Note(size);
    return __libc_malloc(size);
}

void free(void* pointer) { __libc_free(pointer); }

void* calloc(std::size_t count, std::size_t size) {
    korvane::testing::Note(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    korvane::testing::Note(size);
    return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    korvane::testing::Note(size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    korvane::testing::Note(size);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    korvane::testing::Note(size);
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) return ENOMEM;
    *out = pointer;
    return 0;
}

void* valloc(std::size_t size) {
    korvane::testing::Note(size);
    return __libc_valloc(size);
}

void* pvalloc(std::size_t size) {
    korvane::testing::Note(size);
    return __libc_pvalloc(size);
}

}  // extern "C"
