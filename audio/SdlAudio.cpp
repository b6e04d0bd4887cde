#include "audio/SdlAudio.h"

namespace korvane {

SdlAudioSubsystem::SdlAudioSubsystem() {
    // The player is a Qt program: SDL must not take over SIGINT and SIGTERM.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Korvane");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Recording sound");
    m_started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

SdlAudioSubsystem::~SdlAudioSubsystem() {
    if (m_started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace korvane
