// The independent peer for decoder tests: the ffmpeg command-line tool,
// decoding a whole file to BGR24 pictures, and the comparisons made against
// what it gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::testing {

using Bgr24 = std::vector<std::uint8_t>;

// Every picture ffmpeg decodes from the file, width x height BGR24, top row
// first. extraArgs go before the output options (e.g. "-vf crop=..."). Fails
// the calling test (and returns nothing) when ffmpeg fails or its output is
// not whole pictures.
std::vector<Bgr24> FfmpegPictures(const std::string& path, int width, int height,
                                  const std::string& extraArgs = "");

// Runs ffmpeg with the given arguments (quiet, no input from stdin); true
// when it exits with 0.
bool RunFfmpeg(const std::string& arguments);

// Peak signal-to-noise ratio of two equally long byte pictures, in dB; 99
// for identical ones.
double Psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// The picture with its rows in the opposite order.
Bgr24 FlipRows(std::span<const std::uint8_t> picture, int width, int height);

std::string ShellQuote(const std::string& text);

}  // namespace korvane::testing
