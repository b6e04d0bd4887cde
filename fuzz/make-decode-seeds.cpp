// Writes the decode fuzz target's seeds: pairs of real fixture pictures for
// every codec the pipeline knows, some with extension blocks and captions.
#include <cstdio>
#include <string>

#include "fuzz/DecodeRecordDrive.h"
#include "authoring/FrameSource.h"

using korvane::fuzzing::FuzzRecord;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_decode_seeds FIXTURE_FOLDER CORPUS_FOLDER\n");
        return 2;
    }
    const std::string data = argv[1], corpus = argv[2];
    const struct {
        const char* file;
        int codec;
        int resolution;
        int width, height;
    } streams[] = {
        {"mpeg4_352x240.m4v", 5, 7, 352, 240}, {"mpeg4_352x240.m4v", 6, 7, 352, 240},
        {"mpeg4_352x240.m4v", 7, 7, 352, 240}, {"mpeg4_352x240.m4v", 8, 7, 352, 240},
        {"mjpeg_352x240.mjpeg", 9, 7, 352, 240}, {"h264_704x480.h264", 10, 15, 704, 480},
        {"h264_704x480.h264", 13, 15, 704, 480}, {"h264_704x480.h264", 11, 15, 704, 480},
        {"h264_704x480.h264", 14, 15, 704, 480},
    };
    int n = 0;
    for (const auto& s : streams) {
        const auto frames = korvane::testing::ReadVideoFrames(data + "/" + s.file);
        for (std::uint8_t flags : {std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{7}}) {
            std::vector<FuzzRecord> records;
            for (std::size_t i = 0; i < 2 && i < frames.size(); ++i) {
                FuzzRecord r;
                r.codec = static_cast<std::uint8_t>(s.codec);
                r.frameType = frames[i].key ? 1 : 0;
                r.resolution = static_cast<std::uint8_t>(s.resolution);
                r.flags = flags;
                r.extWidth = static_cast<std::uint16_t>(s.width);
                r.extHeight = static_cast<std::uint16_t>(s.height);
                r.data = frames[i].bytes;
                records.push_back(std::move(r));
            }
            const auto bytes = korvane::fuzzing::EncodeFuzzRecords(records);
            const std::string path = corpus + "/seed-" + std::to_string(n++);
            if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(bytes.data(), 1, bytes.size(), f);
                std::fclose(f);
            }
        }
    }
    std::printf("%d seeds\n", n);
    return 0;
}
