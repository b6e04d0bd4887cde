#include "audio/WaveOutput.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <new>

namespace korvane {

namespace {

// Free blocks kept for reuse; more than this are given back to the heap.
constexpr std::size_t kMaxFreeBlocks = 16;
// Output is stereo: the one recorded channel goes to both sides, each with its gain.
constexpr int kOutputChannels = 2;
// How much longer than the queued audio lasts CloseOutput waits for it.
constexpr std::chrono::milliseconds kDrainMargin{250};

// SDL's buffer size in frames: a power of two of about 1/32 s (32 ms at
// 8 kHz), short enough that play with sound can keep the queue shallow.
Uint16 BufferFrames(std::uint32_t rate) {
    std::uint32_t frames = 256;
    while (frames < rate / 32 && frames < 4096) frames *= 2;
    return static_cast<Uint16>(frames);
}

std::int16_t Scale(std::int32_t sample, std::int32_t gain) {
    if (gain == kFullVolume) return static_cast<std::int16_t>(sample);
    return static_cast<std::int16_t>(static_cast<std::int64_t>(sample) * gain / kFullVolume);
}

}  // namespace

WaveOutput::WaveOutput() = default;

WaveOutput::~WaveOutput() {
    m_closeDrainLimit = std::chrono::milliseconds{0};
    CloseOutput();
}

int WaveOutput::OpenOutput(std::uint32_t bits, std::uint32_t rate) {
    if (m_device) CloseOutput();
    m_outResult = kWaveOk;

    auto subsystem = std::make_unique<SdlAudioSubsystem>();
    if (!subsystem->Started()) {
        m_outResult = kWaveNoDriver;
        return 0;
    }
    // -1 means the driver cannot list its devices; its default one may still open.
    const int devices = SDL_GetNumAudioDevices(0);
    if (devices == 0) {
        m_outResult = kWaveNoDriver;
        return 0;
    }
    if ((bits != 8 && bits != 16) || rate == 0 || rate > static_cast<std::uint32_t>(INT_MAX)) {
        m_outResult = kWaveBadFormat;
        return 0;
    }

    m_bytesPerSample = bits / 8;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kOutputChannels;
    wanted.samples = BufferFrames(rate);
    wanted.callback = &WaveOutput::AudioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // callback always fills exactly the format asked for.
    SdlAudioDevice device(SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0));
    if (!device) {
        m_outResult = kWaveError;
        return 0;
    }
    m_bufferFrames = obtained.samples;
    {
        // Until the device's first request, which comes as soon as it is
        // started, the play clock reads as if it were asking now.
        std::lock_guard lock(m_queueMutex);
        m_framesWritten = m_framesPlayed = m_fillStart = m_fillTaken = 0;
        m_tFill = std::chrono::steady_clock::now();
        m_filled = false;
    }
    m_subsystem = std::move(subsystem);
    m_device = std::move(device);
    m_bits = bits;
    m_rate = rate;
    ++m_openCount;
    m_outputOpen = true;
    SDL_PauseAudioDevice(m_device.Id(), 0);
    return 1;
}

int WaveOutput::Write(std::span<const std::uint8_t> block) {
    if (!m_outputOpen) return 0;
    const std::size_t length = block.size() - block.size() % m_bytesPerSample;

    std::list<Block> node;
    {
        std::lock_guard lock(m_queueMutex);
        if (!m_free.empty()) node.splice(node.begin(), m_free, m_free.begin());
    }
    try {
        if (node.empty()) node.emplace_back();
        node.front().bytes.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length));
    } catch (const std::bad_alloc&) {
        m_outResult = kWaveNoMemory;
        return 0;
    }

    std::list<Block> surplus;  // freed after the lock is let go
    {
        std::lock_guard lock(m_queueMutex);
        ++m_blocksQueued;
        m_queuedBytes += length;
        m_framesWritten += length / m_bytesPerSample;
        m_queued.splice(m_queued.end(), node);
        if (m_free.size() > kMaxFreeBlocks) {
            surplus.splice(surplus.begin(), m_free, std::next(m_free.begin(), kMaxFreeBlocks), m_free.end());
        }
    }
    m_outResult = kWaveOk;
    return 1;
}

std::uint32_t WaveOutput::CloseOutput() {
    if (!m_device) return 0;
    if (m_closeDrainLimit > std::chrono::milliseconds{0}) {
        WaitUntilPlayed(std::min(QueuedDuration() + kDrainMargin, m_closeDrainLimit));
    }
    m_outputOpen = false;
    m_device.Reset();  // stops SDL's audio thread: no callback runs after this
    {
        std::lock_guard lock(m_queueMutex);
        ReleaseAllQueued();
    }
    m_subsystem.reset();
    return 0;
}

int WaveOutput::SetVolume(std::uint16_t left, std::uint16_t right) {
    if (!m_outputOpen) return 0;
    m_volume = (static_cast<std::uint32_t>(right) << 16) | left;
    m_result = kWaveOk;
    return 1;
}

std::uint64_t WaveOutput::FramesWritten() {
    std::lock_guard lock(m_queueMutex);
    return m_framesWritten;
}

std::optional<std::chrono::steady_clock::time_point> WaveOutput::WhenPlayed(std::uint64_t frame) {
    std::lock_guard lock(m_queueMutex);
    if (!m_outputOpen) return std::nullopt;
    if (!m_filled) m_tFill = std::max(m_tFill, std::chrono::steady_clock::now());
    const std::uint64_t fillEnd = m_fillStart + m_fillTaken;
    const std::size_t nextFill = m_filled ? m_bufferFrames : 0;
    const std::int64_t after = frame < fillEnd
                                   ? static_cast<std::int64_t>(frame) - static_cast<std::int64_t>(m_fillStart)
                                   : static_cast<std::int64_t>(nextFill + (frame - fillEnd));
    const auto rate = static_cast<std::int64_t>(std::max<std::uint32_t>(m_rate, 1));
    return m_tFill + std::chrono::microseconds{after * 1'000'000 / rate};
}

std::chrono::microseconds WaveOutput::BufferDuration() const {
    return std::chrono::microseconds{static_cast<std::int64_t>(m_bufferFrames) * 1'000'000 /
                                     std::max<std::uint32_t>(m_rate, 1)};
}

bool WaveOutput::WaitUntilPlayed(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_queueMutex);
    if (m_queued.empty()) return true;
    if (!m_outputOpen) return false;  // nothing plays them
    ++m_drainWaiters;
    const bool played = m_played.wait_for(lock, limit, [this] { return m_queued.empty(); });
    --m_drainWaiters;
    return played;
}

std::chrono::milliseconds WaveOutput::QueuedDuration() {
    std::size_t bytes = 0;
    {
        std::lock_guard lock(m_queueMutex);
        bytes = m_queuedBytes;
    }
    const std::uint64_t samples = bytes / m_bytesPerSample;
    return std::chrono::milliseconds{samples * 1000 / std::max<std::uint32_t>(m_rate, 1)};
}

void WaveOutput::ReleaseAllQueued() {
    m_blocksReleased += m_queued.size();
    m_free.splice(m_free.end(), m_queued);
    m_frontOffset = 0;
    m_queuedBytes = 0;
}

void SDLCALL WaveOutput::AudioCallback(void* userdata, Uint8* stream, int length) {
    if (length <= 0) return;
    const std::size_t frames = static_cast<std::size_t>(length) / (kOutputChannels * sizeof(std::int16_t));
    static_cast<WaveOutput*>(userdata)->FillOutput(reinterpret_cast<std::int16_t*>(stream), frames);
}

void WaveOutput::FillOutput(std::int16_t* out, std::size_t frames) {
    const std::uint32_t volume = m_volume.load(std::memory_order_relaxed);
    const auto left = static_cast<std::int32_t>(volume & 0xFFFF);
    const auto right = static_cast<std::int32_t>(volume >> 16);
    const std::size_t bytesPerSample = m_bytesPerSample;

    const auto now = std::chrono::steady_clock::now();
    std::size_t filled = 0;
    bool wakeWaiters = false;
    {
        std::lock_guard lock(m_queueMutex);
        m_tFill = now;
        m_filled = true;
        m_fillStart = m_framesPlayed;
        while (!m_queued.empty()) {
            const std::vector<std::uint8_t>& bytes = m_queued.front().bytes;
            const std::size_t available = (bytes.size() - m_frontOffset) / bytesPerSample;
            const std::size_t take = std::min(available, frames - filled);
            const std::uint8_t* in = bytes.data() + m_frontOffset;
            for (std::size_t i = 0; i < take; ++i, in += bytesPerSample) {
                const std::int32_t sample =
                    bytesPerSample == 2
                        ? static_cast<std::int16_t>(static_cast<std::uint16_t>(in[0] | (in[1] << 8)))
                        : (static_cast<std::int32_t>(in[0]) - 128) * 256;  // 8-bit PCM is unsigned
                out[(filled + i) * kOutputChannels] = Scale(sample, left);
                out[(filled + i) * kOutputChannels + 1] = Scale(sample, right);
            }
            filled += take;
            m_frontOffset += take * bytesPerSample;
            m_queuedBytes -= take * bytesPerSample;
            if (m_frontOffset + bytesPerSample > bytes.size()) {
                // The block's last sample has been handed to the device: release it.
                m_frontOffset = 0;
                m_free.splice(m_free.end(), m_queued, m_queued.begin());
                ++m_blocksReleased;
                continue;
            }
            break;  // the output is full
        }
        m_fillTaken = filled;
        m_framesPlayed += filled;
        wakeWaiters = m_queued.empty() && m_drainWaiters > 0;
    }
    if (filled < frames) {
        std::memset(out + filled * kOutputChannels, 0,
                    (frames - filled) * kOutputChannels * sizeof(std::int16_t));
    }
    if (wakeWaiters) m_played.notify_all();
}

}  // namespace korvane
