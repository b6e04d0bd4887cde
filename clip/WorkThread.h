// Work handed to a thread of its own, item by item, in order: the thread
// handing items over (reading a source, muxing a clip) does not wait for the
// work. At most `ahead` items wait; handing one more blocks until the thread
// catches up, so memory stays bounded. What the work uses belongs to the
// thread until Finish has joined it; declare the WorkThread after it.
//
// Waking a thread costs a system call, so an idle worker is woken only once
// half of `ahead` items wait (or at Finish) and works them off together, and
// a blocked hander only when there is room again.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane {

template <typename Item>
class WorkThread {
public:
    // `work` runs on the thread for each item; `done`, if given, once after the last.
    WorkThread(std::size_t ahead, std::function<void(Item&)> work, std::function<void()> done = {})
        : m_ahead(std::max<std::size_t>(ahead, 1)),
          m_wakeAt(std::max<std::size_t>(m_ahead / 2, 1)),
          m_work(std::move(work)),
          m_done(std::move(done)),
          m_thread([this] { Loop(); }) {}
    ~WorkThread() { Finish(); }
    WorkThread(const WorkThread&) = delete;
    WorkThread& operator=(const WorkThread&) = delete;

    void Hand(Item item) {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_queue.size() < m_ahead; });
        m_queue.push_back(std::move(item));
        const bool wake = m_workerIdle && m_queue.size() >= m_wakeAt;
        lock.unlock();
        if (wake) m_items.notify_one();
    }

    // Works off everything handed over, runs `done` and joins the thread;
    // nothing may be handed over afterwards.
    void Finish() {
        if (!m_thread.joinable()) return;
        {
            const std::lock_guard lock(m_mutex);
            m_ending = true;
        }
        m_items.notify_one();
        m_thread.join();
    }

private:
    void Loop() {
        std::deque<Item> batch;
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_workerIdle = true;
                m_items.wait(lock, [this] { return m_queue.size() >= m_wakeAt || m_ending; });
                m_workerIdle = false;
                if (m_queue.empty()) break;  // ending, and everything handed over is done
                batch.swap(m_queue);
            }
            m_room.notify_all();
            for (Item& item : batch) m_work(item);
            batch.clear();
        }
        if (m_done) m_done();
    }

    const std::size_t m_ahead, m_wakeAt;
    const std::function<void(Item&)> m_work;
    const std::function<void()> m_done;
    std::mutex m_mutex;
    std::condition_variable m_items;  // items to work, or the end
    std::condition_variable m_room;   // room for the hander
    std::deque<Item> m_queue;         // under m_mutex
    bool m_workerIdle = false;        // under m_mutex
    bool m_ending = false;            // under m_mutex
    std::thread m_thread;             // declared last: started last, joined first
};

}  // namespace korvane
