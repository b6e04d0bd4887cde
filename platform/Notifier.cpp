#include "platform/Notifier.h"

#include <cstdio>

namespace korvane {

void StderrNotifier::ShowMessage(std::string_view text) {
    std::string line;
    {
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(text);
    }
    if (m_print) {
        line.append("message: ").append(text).append("\n");
        std::fputs(line.c_str(), stderr);
    }
}

std::vector<std::string> StderrNotifier::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void StderrNotifier::Clear() {
    std::lock_guard lock(m_mutex);
    m_messages.clear();
}

}  // namespace korvane
