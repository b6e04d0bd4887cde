#include "playback/CNCCPThread.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <system_error>

#include "platform/DebugLog.h"

namespace korvane {

CNCCPThread::~CNCCPThread() {
    m_bContinue = 0;
    m_wake.notify_all();
    // A worker may be in a blocking call into this (GUI) thread: keep
    // serving events until it has ended.
    while (m_bRunning.load() != 0) WaitWithMessages(kStopSlice);
    Join();
}

void CNCCPThread::Init(void* argument, Procedure procedure, int repeat) {
    m_pArg = argument;
    m_pfnProc = procedure;
    m_bRepeat = repeat;
}

void CNCCPThread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

int CNCCPThread::StartThread() {
    if (m_bRunning.load() != 0) return 0;  // never two threads on one loop
    Join();
    // Raised before the thread exists, so that a stop issued right after the
    // start is seen by the worker.
    m_bRunning = 1;
    m_bContinue = 1;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_bRunning = 0;
        m_bContinue = 0;
        return 0;
    }
    return 1;
}

void CNCCPThread::Run() {
    for (;;) {
        bool pause = true;
        if (m_pfnProc != nullptr && m_bContinue.load() != 0) {
            if (m_pfnProc(m_pArg) == -1) {
                m_bContinue = 0;
                pause = false;
            }
        }
        if (pause) WaitUnlessStopped(kPassPause);
        if (m_bContinue.load() == 0 || m_bRepeat == 0) break;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bRunning = 0;
    }
    m_wake.notify_all();
}

bool CNCCPThread::WaitUnlessStopped(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, duration, [this] { return m_bContinue.load() == 0; });
}

void CNCCPThread::WaitWithMessages(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        // Queued calls (a worker's blocking hop included) run here; user
        // input waits until the stop is over.
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return m_bRunning.load() == 0; }))
            return;
    }
}

int CNCCPThread::StopThread() {
    {
        std::lock_guard lock(m_mutex);
        m_bContinue = 0;
    }
    m_wake.notify_all();
    DebugLine("CNCCPThread::StopThread => try finish \n");
    for (int i = 0; i < kStopWaits; ++i) {
        WaitWithMessages(kStopSlice);
        if (m_bRunning.load() == 0) {
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
