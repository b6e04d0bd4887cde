// Once a first pass has set up the decoder, its pools and the scaler, a second
// pass makes no scaler and no decoded picture buffer: the only picture-sized
// requests are the shown pictures' rows, one each, and each picture costs only
// a few small requests of its own besides. This program replaces malloc and
// its relatives (where operator new, av_malloc and the libraries end), so it
// stands alone, never sanitized.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>

#include <algorithm>
#include <array>
#include <map>
#include <filesystem>
#include <sstream>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "decode/PictureConverter.h"
#include "decode/PicturePipeline.h"
#include "tests/support/GuiApp.h"

extern "C" {  // glibc's allocator under its internal names
void* __libc_malloc(std::size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace korvane::testing {
namespace {

constexpr int kDepth = 16;
constexpr std::size_t kKept = 4096;  // allocations whose stacks are kept
constexpr int kHookFrames = 2;       // Note() and the replaced function
// The decoded picture, its frame reference and lines, the shown picture and its lines.
constexpr std::size_t kSmallRequestsPerPicture = 12;

// Written only by the counting thread between Start and Stop.
std::array<std::pair<int, std::array<void*, kDepth>>, kKept> g_stacks;
std::size_t g_count = 0, g_large = 0, g_largeFrom = 0;  // requests of at least g_largeFrom bytes
thread_local bool t_counting = false;
thread_local bool t_inHook = false;  // backtrace() may allocate, loading the unwinder at first

__attribute__((noinline)) void Note(std::size_t bytes) {
    if (!t_counting || t_inHook) return;
    t_inHook = true;
    if (g_count < kKept) g_stacks[g_count].first = backtrace(g_stacks[g_count].second.data(), kDepth);
    ++g_count;
    g_large += bytes >= g_largeFrom;
    t_inHook = false;
}

void StartCounting(std::size_t largeFrom) {
    g_count = g_large = 0;
    g_largeFrom = largeFrom;
    t_counting = true;
}

struct Report {
    std::size_t own = 0, scaler = 0;
    std::string text;  // allocations per module, and the stacks of our own
};

// Each allocation is put down to the first caller past the allocator, the C++
// runtime and libavutil's memory functions (which serve whoever calls them).
// This program's code, the player's linked in statically, is "korvane".
Report StopCounting() {
    t_counting = false;
    Report report;
    Dl_info self{}, info{};
    dladdr(reinterpret_cast<void*>(&StartCounting), &self);
    std::map<std::string, std::size_t> perModule;
    std::string stacks;
    for (std::size_t i = 0; i < std::min(g_count, kKept); ++i) {
        const auto& [depth, frames] = g_stacks[i];
        std::string module = "?";
        for (int f = kHookFrames; f < depth && module == "?"; ++f) {
            if (dladdr(frames[f], &info) == 0) continue;
            const std::string name = info.dli_fbase == self.dli_fbase
                                         ? "korvane" : std::filesystem::path(info.dli_fname).filename().string();
            static constexpr const char* kPassOn[] = {"libc.so", "libstdc++.so", "libgcc_s.so", "libavutil.so"};
            const auto passesOn = [&](const char* runtime) { return name.rfind(runtime, 0) == 0; };
            if (std::none_of(std::begin(kPassOn), std::end(kPassOn), passesOn)) module = name;
        }
        ++perModule[module];
        report.own += module == "korvane";
        report.scaler += module.rfind("libswscale.so", 0) == 0;
        if (module != "korvane") continue;
        char** names = backtrace_symbols(frames.data() + kHookFrames, std::min(depth - kHookFrames, 8));
        for (int f = 0; names && f < std::min(depth - kHookFrames, 8); ++f) stacks += "\n    " + std::string(names[f]);
        std::free(names);
    }
    std::ostringstream text;
    text << g_count << " allocations, " << g_large << " picture-sized;";
    for (const auto& [module, n] : perModule) text << ' ' << module << ": " << n << ';';
    report.text = text.str() + stacks;
    return report;
}

// Every picture gets the recorded caption drawn in, and the stream line from its extension block.
TEST(SteadyDecoding, SecondPass_MakesNoScalerNorDecodedPictureBuffer_AndFewSmallRequests) {
    EnsureGuiApp();
    Caption caption = MakeCaption("Harbor Street Market  #0001", 16, 16);
    caption.descriptor.textLength = static_cast<std::uint32_t>(caption.text.size());
    const std::span captionText(reinterpret_cast<const std::uint8_t*>(caption.text.data()), caption.text.size());
    const struct { const char* file; std::uint8_t codec; std::uint16_t width, height; } cases[] = {
        {"h264_1280x720.h264", 11, 1280, 720}, {"h264_704x480.h264", 10, 704, 480}, {"mpeg4_704x480.m4v", 5, 704, 480},
        {"xvid_704x480.m4v", 8, 704, 480}, {"mjpeg_704x480.mjpeg", 9, 704, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::vector<VideoFrame> frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/" + c.file);
        ASSERT_GE(frames.size(), 10u);
        const FrameExtension extension = MakeExtension(c.width, c.height, "Loading bay");
        PicturePipeline decoding;
        PictureConverter converter;
        PictureHandle shown;
        auto pass = [&] {
            int pictures = 0;
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const FrameHeader h{
                    .timeStamp = AddMilliseconds(MakeTime(2024, 3, 14, 9, 30, 0, 0), static_cast<std::int64_t>(i) * 40),
                    .mediaKind = kMediaVideo, .codec = c.codec,
                    .frameType = static_cast<std::uint8_t>(frames[i].key ? kFrameKey : kFrameDependent),
                    .dataLength = static_cast<std::uint32_t>(frames[i].bytes.size()), .extFlags = 1};
                DecodeResult decoded = decoding.Decode(h, extension, frames[i].bytes, &caption.descriptor, captionText, true);
                if (decoded.picture) shown = converter.Convert(*decoded.picture, {});
                pictures += decoded.status;
            }
            return pictures;
        };
        ASSERT_EQ(pass(), static_cast<int>(frames.size())) << "warm-up pass";
        // A luma plane is width x height bytes; the shown rows three times that.
        StartCounting(std::size_t(c.width) * c.height);
        const int pictures = pass();
        const Report report = StopCounting();
        EXPECT_EQ(pictures, static_cast<int>(frames.size()));
        EXPECT_LE(report.own, kSmallRequestsPerPicture * frames.size()) << report.text;
        EXPECT_EQ(report.scaler, 0u) << "the scaler is made anew: " << report.text;
        EXPECT_EQ(g_large, frames.size()) << "a decoded picture buffer per picture: " << report.text;
    }
}

}  // namespace
}  // namespace korvane::testing

// Every request is counted when its thread counts, then served by glibc.
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
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    korvane::testing::Note(size);
    return (*out = __libc_memalign(alignment, size)) ? 0 : ENOMEM;
}
}  // extern "C"
