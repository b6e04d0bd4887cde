// Message boxes: texts the user must see. The application installs the
// notifier that fits the run (a modal dialog on the desktop, stderr when
// headless); lower layers receive it by reference and never know which.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

class Notifier {
public:
    virtual ~Notifier() = default;
    // Shows the text with one OK button and returns when it was acknowledged.
    virtual void ShowMessage(std::string_view text) = 0;
};

// Headless runs and tests: prints "message: <text>" on stderr and keeps
// every text so that a test can see what the user would have seen.
class StderrNotifier final : public Notifier {
public:
    explicit StderrNotifier(bool print = true) : m_print(print) {}
    void ShowMessage(std::string_view text) override;
    std::vector<std::string> Messages() const;
    void Clear();

private:
    bool m_print;
    mutable std::mutex m_mutex;  // guards m_messages: worker threads may report too
    std::vector<std::string> m_messages;
};

}  // namespace korvane
