#include "playback/SoundPath.h"

#include <algorithm>

namespace korvane {
namespace {

constexpr int kVolumeStep = 12288;  // level 5: 61,440 of 65,535

}  // namespace

void SoundPath::SetVolume(int level) {
    m_volumeLevel = std::clamp(level, 0, 5);
    ApplyVolume();
}

// The output keeps its gains only while it is open; every open starts it at
// full volume, so the user's level is applied again after each one.
void SoundPath::ApplyVolume() {
    const int level = m_volumeLevel.load();
    const auto gain = level < 0 ? kFullVolume : static_cast<std::uint16_t>(level * kVolumeStep);
    m_waveOut.SetVolume(gain, gain);
}

}  // namespace korvane
