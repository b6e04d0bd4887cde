// A FrameReader with the buffers a caller hands it, for the reader tests.
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
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> text;
    FrameHeader header;
    FrameExtension extension;
    CaptionDescriptor caption;

    int OpenBytes(const std::vector<std::uint8_t>& bytes, const std::string& name = "rec.MP4") {
        return reader.Open(dir.Write(name, bytes));
    }
    int Open(const RecordingWriter& writer, const std::string& name = "rec.MP4") {
        return OpenBytes(writer.Bytes(), name);
    }
    int First() { return reader.ReadFirst(&header, &extension, data, &caption, text); }
    int Next() { return reader.ReadNext(&header, &extension, data, &caption, text); }
    int Previous() { return reader.ReadPrevious(&header, &extension, data, &caption, text); }
    int KeyFrame(const FrameHeader& of, int commit) {
        return reader.ReadKeyFrame(of, &header, &extension, data, commit);
    }
    // Opens the recording, reads its first record and then `nexts` more;
    // fails naming the first call that did not return 1.
    ::testing::AssertionResult ReadTo(const RecordingWriter& writer, int nexts) {
        if (Open(writer) != 1) return ::testing::AssertionFailure() << "Open failed";
        if (First() != 1) return ::testing::AssertionFailure() << "ReadFirst failed";
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

inline SystemTime TimeAt(int second, int ms = 0) { return MakeTime(2026, 3, 14, 10, 20, second, ms); }

}  // namespace korvane::testing
