// The waveform output: mono PCM blocks played through an SDL audio device.
//
// Write copies each block into a queue and returns at once, so the caller may
// reuse its buffer. SDL's audio thread pulls from the front of the queue in
// its callback, turns the samples into 16-bit stereo with the left and right
// volume applied, and hands a block back to the pool of free blocks once its
// last sample has been played: every queued block is released exactly once,
// either played out or, when the output closes before it was played, dropped.
//
// The queue is a pair of std::list (queued, free) guarded by one std::mutex
// that is held only to move a node between the lists or to copy one
// callback's worth of samples. std::list::splice moves nodes without
// allocating, so the callback neither allocates nor frees; all allocation
// (new nodes, growing a node's bytes) happens in Write, on the writer's
// thread, outside the lock. A lock-free ring was not chosen because blocks
// have any length (a PCM record is played as stored) and must be copied
// whole; the mutex is uncontended except for these short moments.
//
// Threads: OpenOutput, Write and CloseOutput come from one thread (the
// play-with-sound worker); SetVolume may come from any thread; the SDL
// callback runs on SDL's audio thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "audio/SdlAudio.h"

namespace korvane {

// Why the last output call failed, kept in m_outResult / m_result.
enum WaveResult : std::uint32_t {
    kWaveOk,
    kWaveError,      // the device refused to open
    kWaveNoDriver,   // no output device at all
    kWaveNoMemory,   // a block could not be allocated
    kWaveBadFormat,  // the sample format cannot be played
};

inline constexpr std::uint16_t kFullVolume = 0xFFFF;

class WaveOutput {
public:
    WaveOutput();
    // Closes the output without playing what is still queued.
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    // Opens the output for mono PCM of `bits` (8 unsigned or 16 signed
    // little-endian) bits a sample at `rate` samples a second, closing an
    // output still open first; blocks are queued without limit. 1 on
    // success; 0 with the reason in OutResult().
    int OpenOutput(std::uint32_t bits, std::uint32_t rate);
    // Copies the block and queues it behind the blocks before it. A trailing
    // part of a sample is left out. 1 when queued; 0 when no output is open
    // (nothing is allocated then) or the copy cannot be allocated.
    int Write(std::span<const std::uint8_t> block);
    // Waits until the queued blocks have played, at most as long as they
    // last plus a margin and never longer than the close drain limit, then
    // closes the device and drops what is still queued. Returns 0 (closing
    // has no failure).
    std::uint32_t CloseOutput();
    // Sets the gains the callback applies from now on: 0 is silence,
    // 0xFFFF plays the samples unchanged. The gains stay with the object
    // when the output is reopened. 1 when an output is open; 0 (and nothing
    // changes) when none is.
    int SetVolume(std::uint16_t left, std::uint16_t right);

    // Sample frames accepted by Write since the output opened.
    std::uint64_t FramesWritten();
    // When the frame `frame` (counted as FramesWritten counts them) goes to
    // the device, reckoned from the device's latest request for samples: the
    // output runs at its sample rate from there on, and a frame not queued
    // by then starts after the buffer that request filled. Nothing when no
    // output is open.
    std::optional<std::chrono::steady_clock::time_point> WhenPlayed(std::uint64_t frame);
    // How long the samples of one request of the device last (0 before the first open).
    std::chrono::microseconds BufferDuration() const;

    // Waits until every queued block has been played, at most `limit`; true
    // when the queue is empty.
    bool WaitUntilPlayed(std::chrono::milliseconds limit);
    // The longest CloseOutput waits for queued blocks to play (one second
    // unless set); 0 drops them at once.
    void SetCloseDrainLimit(std::chrono::milliseconds limit) { m_closeDrainLimit = limit; }

    std::uint32_t OutResult() const { return m_outResult.load(); }
    std::uint32_t Result() const { return m_result.load(); }
    bool IsOutputOpen() const { return m_outputOpen.load(); }
    // Format of the open output; 0 when none is open.
    std::uint32_t OutputBits() const { return m_outputOpen ? m_bits.load() : 0; }
    std::uint32_t OutputRate() const { return m_outputOpen ? m_rate.load() : 0; }
    // Successful opens since construction.
    std::uint64_t OpenCount() const { return m_openCount.load(); }
    // Blocks accepted by Write, and blocks released (played or dropped).
    std::uint64_t BlocksQueued() const { return m_blocksQueued.load(); }
    std::uint64_t BlocksReleased() const { return m_blocksReleased.load(); }
    // SDL's id of the open device, 0 when none is open.
    SDL_AudioDeviceID DeviceId() const { return m_device.Id(); }

private:
    struct Block {
        std::vector<std::uint8_t> bytes;
    };

    static void SDLCALL AudioCallback(void* userdata, Uint8* stream, int length);
    void FillOutput(std::int16_t* out, std::size_t frames);
    // Moves every queued block to the free pool; the caller holds m_queueMutex.
    void ReleaseAllQueued();
    std::chrono::milliseconds QueuedDuration();

    // Owners: the device is declared after the subsystem so that it closes first.
    std::unique_ptr<SdlAudioSubsystem> m_subsystem;
    SdlAudioDevice m_device;

    // Written by OpenOutput before the device starts and left alone while it
    // runs, so the callback reads them without the lock.
    std::size_t m_bytesPerSample = 2;
    std::size_t m_bufferFrames = 0;  // frames one callback fills

    // Used on the thread that opens, writes and closes.
    std::chrono::milliseconds m_closeDrainLimit{1000};

    // Readable from any thread.
    std::atomic<std::uint32_t> m_bits{16};
    std::atomic<std::uint32_t> m_rate{8000};
    std::atomic<std::uint64_t> m_openCount{0};

    std::atomic<bool> m_outputOpen{false};
    std::atomic<std::uint32_t> m_outResult{kWaveOk};
    std::atomic<std::uint32_t> m_result{kWaveOk};
    // Left gain in the low 16 bits, right gain in the high 16 bits.
    std::atomic<std::uint32_t> m_volume{0xFFFFFFFFu};
    std::atomic<std::uint64_t> m_blocksQueued{0};
    std::atomic<std::uint64_t> m_blocksReleased{0};

    // Guarded by m_queueMutex.
    std::mutex m_queueMutex;
    std::condition_variable m_played;
    std::list<Block> m_queued;
    std::list<Block> m_free;
    std::size_t m_frontOffset = 0;   // bytes of the front block already played
    std::size_t m_queuedBytes = 0;   // unplayed bytes in m_queued
    int m_drainWaiters = 0;          // threads waiting on m_played
    // The play clock: frames written and played since the output opened, and
    // the device's latest fill (when, from which frame, how many frames).
    std::uint64_t m_framesWritten = 0;
    std::uint64_t m_framesPlayed = 0;
    std::uint64_t m_fillStart = 0;
    std::size_t m_fillTaken = 0;
    std::chrono::steady_clock::time_point m_tFill{};
    bool m_filled = false;  // the device has asked for samples since the output opened
};

}  // namespace korvane
