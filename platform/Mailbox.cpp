#include "platform/Mailbox.h"

#include <sys/eventfd.h>
#include <unistd.h>


#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace korvane {

Mailbox::Mailbox(QObject* parent) : QObject(parent) {
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) throw std::runtime_error("no event counter for the mailbox");
    m_notifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
}

Mailbox::~Mailbox() {
    m_notifier.reset();  // before its descriptor goes
    ::close(m_wakeFd);
}

void Mailbox::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Mailbox::Drain() {
    std::uint64_t count = 0;
    while (::read(m_wakeFd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    // One task at a time, taken out under the lock: a task may post more, or
    // (through a stop's wait) drain the mailbox itself.
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty()) return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

}  // namespace korvane
