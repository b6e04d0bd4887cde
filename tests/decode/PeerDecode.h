// The independent peer for decoder tests: the ffmpeg command-line tool, and comparisons with it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::testing {

using Bgr24 = std::vector<std::uint8_t>;

// Every picture ffmpeg decodes from the file, width x height BGR24, top row first; extraArgs go
// before the output options ("-vf crop=..."). Fails the test, giving nothing, without whole pictures.
std::vector<Bgr24> FfmpegPictures(const std::string& path, int width, int height,
                                  const std::string& extraArgs = "");
// Runs ffmpeg quietly with the arguments; true when it exits with 0.
bool RunFfmpeg(const std::string& arguments);
// Peak signal-to-noise ratio of two equally long pictures in dB; 99 when identical.
double Psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
Bgr24 FlipRows(std::span<const std::uint8_t> picture, int width, int height);
std::string ShellQuote(const std::string& text);

}  // namespace korvane::testing
