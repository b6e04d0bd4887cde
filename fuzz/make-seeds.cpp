// Writes the recording seeds into the folder named on the
// command line (created when missing), one file per seed.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "fuzz/RecordingSeeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        const auto seeds = korvane::fuzzing::MakeSeeds();
        for (const auto& seed : seeds) {
            const auto path = folder / (seed.name + ".rec");
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(seed.bytes.data()),
                      static_cast<std::streamsize>(seed.bytes.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
