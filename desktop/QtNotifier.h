// The desktop notifier: a modal message box titled "Korvane" with one OK
// button. A call from another thread hops to the GUI thread and waits there
// until the user has dismissed the box.
#pragma once

#include <QString>

#include "platform/Mailbox.h"
#include "platform/Notifier.h"

namespace korvane {

inline constexpr const char* kMessageBoxTitle = "Korvane";

// Made on the GUI thread, after the application.
class QtNotifier final : public Notifier {
public:
    void ShowMessage(std::string_view text) override;

private:
    static void ShowOnGuiThread(const QString& text);

    Mailbox m_mailbox;  // the hop from other threads
};

}  // namespace korvane
