// A FrameReader with the buffers a caller hands it, and the recordings the reader tests write.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/Notifier.h"
#include "recording/FrameReader.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

struct ReaderHarness {
    explicit ReaderHarness(std::size_t dataCapacity = 1 << 20, std::size_t textCapacity = kCaptionTextCapacity)
        : data(dataCapacity, 0xEE), text(textCapacity, 0xEE) {}

    StderrNotifier notifier{false};
    FrameReader reader{notifier};
    TempDir dir;
    std::vector<std::uint8_t> data, text;
    FrameHeader header;
    FrameExtension extension;
    CaptionDescriptor caption;

    int OpenBytes(const std::vector<std::uint8_t>& bytes) { return reader.Open(dir.Write("rec.MP4", bytes)); }
    int Open(const RecordingWriter& writer) { return OpenBytes(writer.Bytes()); }
    int First() { return reader.ReadFirst(&header, &extension, data, &caption, text); }
    int Next() { return reader.ReadNext(&header, &extension, data, &caption, text); }
    int Previous() { return reader.ReadPrevious(&header, &extension, data, &caption, text); }
    int KeyFrame(const FrameHeader& of, int commit) { return reader.ReadKeyFrame(of, &header, &extension, data, commit); }
    // Opens the recording and reads its first record and `nexts` more, naming the call that failed.
    ::testing::AssertionResult ReadTo(const RecordingWriter& writer, int nexts) {
        if (Open(writer) != 1 || First() != 1) return ::testing::AssertionFailure() << "Open or ReadFirst failed";
        for (int i = 1; i <= nexts; ++i)
            if (Next() != 1) return ::testing::AssertionFailure() << "ReadNext " << i << " failed";
        return ::testing::AssertionSuccess();
    }
};

// Payload bytes that differ per record so that a test can tell records apart.
inline std::vector<std::uint8_t> Payload(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}
inline std::vector<std::uint8_t> Bytes(const std::vector<std::uint8_t>& v, std::size_t n) {
    return {v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n)};
}
inline SystemTime TimeAt(int second, int ms = 0) { return MakeTime(2026, 3, 14, 10, 20, second, ms); }

// A picture of camera 0 whose payload is Payload(size, size).
inline RecordSpec Video(std::size_t size, std::uint8_t frameType = kFrameKey, std::optional<Caption> caption = {},
                        std::optional<FrameExtension> extension = {}) {
    RecordSpec e;
    e.header.frameType = frameType;
    e.data = Payload(size, static_cast<std::uint8_t>(size));
    e.caption = std::move(caption);
    e.extension = std::move(extension);
    return e;
}

}  // namespace korvane::testing
