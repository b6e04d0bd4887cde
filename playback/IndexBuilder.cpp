#include "playback/IndexBuilder.h"

#include <system_error>

namespace korvane {

bool IndexBuilder::Start(std::vector<std::string> paths, Progress progress, Done done) {
    Cancel();
    m_cancel = false;
    try {
        m_thread = std::thread([this, paths = std::move(paths), progress = std::move(progress), done = std::move(done)] {
            auto set = RecordingSet::Build(paths, &m_cancel, progress);
            if (!set || m_cancel.load()) return;
            done(std::make_shared<const RecordingSet>(std::move(*set)));
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void IndexBuilder::Cancel() {
    m_cancel = true;
    Wait();
}

void IndexBuilder::Wait() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace korvane
