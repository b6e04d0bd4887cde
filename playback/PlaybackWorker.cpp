#include "playback/PlaybackWorker.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <system_error>

#include "platform/DebugLog.h"

namespace korvane {

PlaybackWorker::~PlaybackWorker() {
    m_continue = 0;
    m_wake.notify_all();
    // A worker may be in a blocking call into this (GUI) thread: keep
    // serving events until it has ended.
    while (m_running.load() != 0) WaitWithMessages(kStopSlice);
    Join();
}

void PlaybackWorker::Init(void* argument, Procedure procedure, int repeat) {
    m_argument = argument;
    m_procedure = procedure;
    m_repeat = repeat;
}

void PlaybackWorker::Join() {
    if (m_thread.joinable()) m_thread.join();
}

int PlaybackWorker::StartThread() {
    if (m_running.load() != 0) return 0;  // never two threads on one loop
    Join();
    // Raised before the thread exists, so that a stop issued right after the
    // start is seen by the worker.
    m_running = 1;
    m_continue = 1;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_running = 0;
        m_continue = 0;
        return 0;
    }
    return 1;
}

void PlaybackWorker::Run() {
    for (;;) {
        bool pause = true;
        if (m_procedure != nullptr && m_continue.load() != 0) {
            if (m_procedure(m_argument) == -1) {
                m_continue = 0;
                pause = false;
            }
        }
        if (pause) WaitUnlessStopped(kPassPause);
        if (m_continue.load() == 0 || m_repeat == 0) break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_running = 0;
    }
    m_wake.notify_all();
}

bool PlaybackWorker::WaitUnlessStopped(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, duration, [this] { return m_continue.load() == 0; });
}

void PlaybackWorker::WaitWithMessages(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        // Queued calls (a worker's blocking hop included) run here; user
        // input waits until the stop is over.
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_running.load() == 0; }))
            return;
    }
}

int PlaybackWorker::StopThread() {
    {
        std::lock_guard lock(m_mutex);
        m_continue = 0;
    }
    m_wake.notify_all();
    DebugLine("CNCCPThread::StopThread => try finish \n");
    for (int i = 0; i < kStopWaits; ++i) {
        WaitWithMessages(kStopSlice);
        if (m_running.load() == 0) {
            Join();
            // What the worker posted before it ended (the end of playback
            // among it) is handled now, not after a later start.
            if (QCoreApplication::instance() != nullptr)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return 1;
        }
    }
    DebugLine("CNCCPThread::StopThread => Non complete finish \n");
    return 0;
}

}  // namespace korvane
