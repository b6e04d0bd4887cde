// Owners for SDL's audio: the audio subsystem (initialised on construction,
// quit on destruction; SDL counts nested initialisations) and one opened
// output device (closed on destruction, which also stops and joins SDL's
// audio thread for it).
#pragma once

#include <SDL.h>

#include <utility>

namespace korvane {

class SdlAudioSubsystem {
public:
    // Starts the audio subsystem with the driver SDL picks (or the one named
    // by SDL_AUDIODRIVER). Check Started() before using it.
    SdlAudioSubsystem();
    ~SdlAudioSubsystem();
    SdlAudioSubsystem(const SdlAudioSubsystem&) = delete;
    SdlAudioSubsystem& operator=(const SdlAudioSubsystem&) = delete;

    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

class SdlAudioDevice {
public:
    SdlAudioDevice() = default;
    explicit SdlAudioDevice(SDL_AudioDeviceID id) : m_id(id) {}
    ~SdlAudioDevice() { Reset(); }
    SdlAudioDevice(SdlAudioDevice&& other) noexcept : m_id(std::exchange(other.m_id, 0)) {}
    SdlAudioDevice& operator=(SdlAudioDevice&& other) noexcept {
        if (this != &other) {
            Reset();
            m_id = std::exchange(other.m_id, 0);
        }
        return *this;
    }
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    SDL_AudioDeviceID Id() const { return m_id; }
    explicit operator bool() const { return m_id != 0; }
    void Reset() {
        if (m_id != 0) SDL_CloseAudioDevice(std::exchange(m_id, 0));
    }

private:
    SDL_AudioDeviceID m_id = 0;
};

}  // namespace korvane
