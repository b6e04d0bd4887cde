#include "tests/decode/PeerDecode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace korvane::testing {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<Bgr24> FfmpegPictures(const std::string& path, int width, int height, const std::string& extraArgs) {
    const std::string command = "ffmpeg -v error -nostdin -threads 1 -i " + ShellQuote(path) + " " + extraArgs +
                                " -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    Bgr24 bytes, chunk(1 << 16);
    for (std::size_t n; pipe && (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    const int status = pipe ? ::pclose(pipe) : -1;
    const auto size = static_cast<std::ptrdiff_t>(width) * height * 3;
    std::vector<Bgr24> pictures;
    if (status != 0 || bytes.empty() || bytes.size() % static_cast<std::size_t>(size) != 0)
        ADD_FAILURE() << command << " exited with " << status << " after " << bytes.size() << " bytes";
    else
        for (auto at = bytes.begin(); at != bytes.end(); at += size) pictures.emplace_back(at, at + size);
    return pictures;
}

bool RunFfmpeg(const std::string& arguments) {
    return std::system(("ffmpeg -v error -nostdin -y " + arguments).c_str()) == 0;
}

double Psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() != b.size() || a.empty()) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return sum == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

Bgr24 FlipRows(std::span<const std::uint8_t> picture, int width, int height) {
    const auto row = static_cast<std::ptrdiff_t>(width) * 3;
    Bgr24 flipped(picture.size());
    for (int y = 0; y < height; ++y) std::copy_n(picture.begin() + row * y, row, flipped.end() - row * (y + 1));
    return flipped;
}

}  // namespace korvane::testing
