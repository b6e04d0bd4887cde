#include "fuzz/RecordingSeeds.h"

#include <algorithm>

#include "fuzz/RecordingDrive.h"
#include "recording/RecordReader.h"
#include "recording/RecordLayout.h"
#include "authoring/RecordingWriter.h"

namespace korvane::fuzzing {
namespace {

using testing::AddMilliseconds;
using testing::MakeCaption;
using testing::MakeExtension;
using testing::MakeTime;
using testing::RecordingWriter;
using testing::RecordSpec;

constexpr std::uint8_t kMpeg4 = 5;
constexpr std::uint8_t kPcm = 1;

// Bytes that look like the start of an MPEG-4 picture (start code, then the
// picture kind), followed by filler that differs per record.
std::vector<std::uint8_t> Picture(std::size_t size, std::uint8_t seed, bool key) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i * 13);
    const std::uint8_t start[] = {0x00, 0x00, 0x01, 0xB6, static_cast<std::uint8_t>(key ? 0x10 : 0x50)};
    for (std::size_t i = 0; i < sizeof start && i < size; ++i) bytes[i] = start[i];
    return bytes;
}

std::vector<std::uint8_t> Audio(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + (i & 0x3F));
    return bytes;
}

SystemTime At(int ms) { return AddMilliseconds(MakeTime(2024, 3, 14, 10, 0, 0, 0), ms); }

// A camera's group of pictures: one key picture and `dependents` after it.
void AddGroup(RecordingWriter& w, int camera, int dependents, int& clock, std::size_t size = 600) {
    w.AddVideo(camera, kMpeg4, kFrameKey, Picture(size * 3, static_cast<std::uint8_t>(clock), true),
               At(clock));
    clock += 40;
    for (int i = 0; i < dependents; ++i, clock += 40)
        w.AddVideo(camera, kMpeg4, kFrameDependent,
                   Picture(size, static_cast<std::uint8_t>(clock + i), false), At(clock));
}

RecordingWriter Kind514(int camera) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(camera, 1);
    w.Header().setNameCamera(camera, 1);
    return w;
}

RecordSpec Video(int camera, std::uint8_t frameType, std::size_t size, std::uint8_t seed, int clock) {
    RecordSpec entry;
    entry.header.camera = static_cast<std::uint8_t>(camera);
    entry.header.mediaKind = kMediaVideo;
    entry.header.codec = kMpeg4;
    entry.header.resolution = 15;
    entry.header.frameType = frameType;
    entry.header.timeStamp = At(clock);
    entry.data = Picture(size, seed, frameType == kFrameKey);
    return entry;
}

struct Cut {
    int recordings = 1;
    bool reversed = false;
    std::uint8_t first = 0, second = 0;
};

Seed Make(std::string name, const RecordingWriter& w, std::size_t records, std::size_t read, Cut cut = {}) {
    Seed seed{std::move(name), w.Bytes(), static_cast<std::size_t>(std::max(cut.recordings, 1)), records, read};
    SetControl(seed.bytes, cut.recordings, cut.reversed, cut.first, cut.second);
    return seed;
}

}  // namespace

std::vector<Seed> MakeSeeds() {
    std::vector<Seed> seeds;

    {  // Two groups of pictures of camera 2, cut into two recordings between them.
        RecordingWriter w = Kind514(2);
        int clock = 0;
        AddGroup(w, 2, 3, clock);
        AddGroup(w, 2, 2, clock);
        seeds.push_back(Make("kind514-one-camera", w, 7, 7, {2, false, 160}));
    }
    {  // Audio blocks of 320 bytes between the pictures of camera 0, in three recordings listed backward.
        RecordingWriter w = Kind514(0);
        int clock = 0;
        w.AddVideo(0, kMpeg4, kFrameKey, Picture(1500, 1, true), At(clock));
        for (int i = 0; i < 3; ++i) {
            w.AddAudio(0, kPcm, Audio(320, static_cast<std::uint8_t>(i)), At(clock + 10));
            w.AddAudio(0, kPcm, Audio(320, static_cast<std::uint8_t>(i + 9)), At(clock + 30));
            clock += 40;
            w.AddVideo(0, kMpeg4, kFrameDependent, Picture(400, static_cast<std::uint8_t>(i), false), At(clock));
        }
        seeds.push_back(Make("kind514-audio", w, 10, 10, {3, true, 80, 170}));
    }
    {  // 33 channels: one extra channel entry before the first record, camera 32.
        RecordingWriter w(kFileKind771, 33);
        int clock = 0;
        AddGroup(w, 32, 1, clock);
        w.AddAudio(32, 10, Audio(160, 4), At(clock));
        AddGroup(w, 32, 0, clock);
        seeds.push_back(Make("kind771-33-channels", w, 4, 4, {2, false, 140}));
    }
    {  // 32 channels: no extra entry.
        RecordingWriter w(kFileKind771, 32);
        int clock = 0;
        AddGroup(w, 0, 2, clock, 300);
        seeds.push_back(Make("kind771-32-channels", w, 3, 3));
    }
    {  // Captions: marked, absent, unmarked, and followed by an extension block.
        RecordingWriter w = Kind514(0);
        RecordSpec key = Video(0, kFrameKey, 1200, 1, 0);
        key.caption = MakeCaption("CAM01 2024/03/14 10:00:00", 8, 16);
        w.Add(key);
        w.Add(Video(0, kFrameDependent, 300, 2, 40));
        RecordSpec unmarked = Video(0, kFrameDependent, 300, 3, 80);
        unmarked.caption = MakeCaption("dropped", 0, 0);
        unmarked.caption->descriptor.captionMarker = 0;
        w.Add(unmarked);
        RecordSpec both = Video(0, kFrameDependent, 300, 4, 120);
        both.caption = MakeCaption("GATE", 100, 200, 0x0000FF00, "DejaVu Sans Mono", 14);
        both.extension = MakeExtension(704, 480, "Gate");
        w.Add(both);
        w.Add(Video(0, kFrameDependent, 300, 5, 160));
        seeds.push_back(Make("captions", w, 5, 5, {2, true, 128}));
    }
    {  // A caption text one byte longer than the reader's buffer: the record is indexed, never read.
        RecordingWriter w = Kind514(0);
        RecordSpec key = Video(0, kFrameKey, 600, 1, 0);
        key.caption = MakeCaption(std::string(kCaptionTextCapacity + 1, 'c'), 4, 4);
        w.Add(key);
        w.Add(Video(0, kFrameDependent, 200, 2, 40));
        w.Add(Video(0, kFrameDependent, 100, 3, 80));
        seeds.push_back(Make("caption-over-buffer", w, 3, 2));
    }
    {  // Extension flags 0x11 and 0x21 flag a block, 0x02 does not.
        RecordingWriter w = Kind514(0);
        RecordSpec key = Video(0, kFrameKey, 900, 1, 0);
        key.extension = MakeExtension(704, 480, "Entrance");
        w.Add(key);
        for (std::uint8_t flags : {0x11, 0x21}) {
            RecordSpec entry = Video(0, kFrameDependent, 200, flags, 40 * flags);
            entry.header.extFlags = flags;
            entry.extension = MakeExtension(352, 240, "flags");
            w.Add(entry);
        }
        RecordSpec plain = Video(0, kFrameDependent, 200, 7, 4000);
        plain.header.extFlags = 0x02;
        w.Add(plain);
        seeds.push_back(Make("extension-flags", w, 4, 4));
    }
    {  // A flagged block without its marker does not count on the chain, so the walk stops at it.
        RecordingWriter w = Kind514(0);
        w.Add(Video(0, kFrameKey, 500, 1, 0));
        RecordSpec odd = Video(0, kFrameDependent, 200, 2, 40);
        odd.extension = MakeExtension(704, 480, "no marker");
        odd.extension->extMarker = 0x1122;
        w.Add(odd);
        w.Add(Video(0, kFrameDependent, 200, 3, 80));
        seeds.push_back(Make("extension-unmarked", w, 2, 2));
    }
    {  // Cameras 1, 0 and 2 interleaved, in three recordings: each camera plays through all of them.
        RecordingWriter w = Kind514(1);
        int clock = 0;
        for (int round = 0; round < 2; ++round)
            for (int camera : {1, 0, 2}) AddGroup(w, camera, 1, clock, 200);
        seeds.push_back(Make("several-cameras", w, 12, 12, {3, false, 64, 160}));
    }
    {  // One camera in three recordings listed backward, each led by a decoder-only record: the
       // second starts after a gap, the third before the second ends.
        RecordingWriter w = Kind514(0);
        for (const int start : {0, 3000, 3060}) {
            w.AddVideo(0, kMpeg4, kFrameDecoderOnly, Picture(40, 9, true), At(start));
            int clock = start;
            AddGroup(w, 0, 3, clock, 150);
        }
        seeds.push_back(Make("three-recordings", w, 15, 15, {3, true, 86, 171}));
    }
    {  // The recorder's clock set back within a recording, and a key offset naming the key.
        RecordingWriter w = Kind514(0);
        const std::uint32_t key = w.AddVideo(0, kMpeg4, kFrameKey, Picture(300, 1, true), At(5000));
        w.AddVideo(0, kMpeg4, kFrameDependent, Picture(100, 2, false), At(5040));
        w.AddVideo(0, kMpeg4, kFrameKey, Picture(300, 3, true), At(1000));
        const std::uint32_t last = w.AddVideo(0, kMpeg4, kFrameDependent, Picture(100, 4, false), At(1040));
        w.PatchU32(last + kPrefixSize + 24, key);
        seeds.push_back(Make("clock-set-back", w, 4, 4));
    }
    {  // Cut in the middle of the third record; dataEnd still names the full length.
        RecordingWriter w = Kind514(0);
        int clock = 0;
        AddGroup(w, 0, 2, clock);
        w.Truncate(w.Offsets()[2] + 100);
        seeds.push_back(Make("truncated", w, 2, 2, {2, false, 128}));
    }
    {  // dataEnd ends the chain before the end of the file.
        RecordingWriter w = Kind514(0);
        int clock = 0;
        AddGroup(w, 0, 3, clock, 250);
        w.SetDataEnd(w.Offsets()[2]);
        seeds.push_back(Make("data-end-short", w, 2, 2));
    }
    {  // Links that lead nowhere useful: a key offset onto a dependent picture, one beyond
       // dataEnd, a prevOffset forward, and a first record without its marker.
        RecordingWriter w = Kind514(0);
        int clock = 0;
        AddGroup(w, 0, 3, clock, 200);
        const auto& at = w.Offsets();
        w.PatchU16(at[0] + kPrefixSize, 0);
        w.PatchU32(at[1], at[3]);
        w.PatchU32(at[2] + kPrefixSize + 24, at[1]);
        w.PatchU32(at[3] + kPrefixSize + 24, 0x7FFFFFFF);
        seeds.push_back(Make("bad-links", w, 4, 4, {2, false, 128}));
    }
    {  // A dataLength near 2^32 in the second record.
        RecordingWriter w = Kind514(0);
        int clock = 0;
        AddGroup(w, 0, 2, clock, 100);
        w.PatchU32(w.Offsets()[1] + kPrefixSize + 28, 0xFFFFFFF0u);
        seeds.push_back(Make("length-wraps", w, 1, 1));
    }
    {  // Records without data: a key picture, an audio block, a picture with only an extension.
        RecordingWriter w = Kind514(0);
        w.Add(Video(0, kFrameKey, 0, 1, 0));
        w.AddAudio(0, kPcm, {}, At(10));
        RecordSpec ext = Video(0, kFrameDependent, 0, 2, 40);
        ext.extension = MakeExtension(704, 480, "empty");
        w.Add(ext);
        w.Add(Video(0, kFrameDependent, 10, 3, 80));
        seeds.push_back(Make("empty-records", w, 4, 4));
    }
    {  // A header and nothing else.
        RecordingWriter w = Kind514(0);
        seeds.push_back(Make("header-only", w, 0, 0));
    }
    {  // Shorter than a file header: no index.
        RecordingWriter w = Kind514(0);
        Seed seed{"short-file", w.Bytes()};
        seed.bytes.resize(100);
        seeds.push_back(std::move(seed));
    }
    return seeds;
}

}  // namespace korvane::fuzzing
