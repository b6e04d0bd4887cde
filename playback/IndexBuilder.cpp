#include "playback/IndexBuilder.h"

#include <system_error>

namespace korvane {

bool IndexBuilder::Start(const std::string& path, Progress progress, Done done) {
    Cancel();
    m_cancel = false;
    try {
        m_thread = std::thread([this, path, progress = std::move(progress), done = std::move(done)] {
            RecordFile file;
            std::optional<RecordIndex> index;
            if (file.Open(path) == 0) {
                int reported = -1;
                index = RecordIndex::Build(file, &m_cancel, [&](std::uint64_t walked, std::uint64_t total) {
                    const int percent = total == 0 ? 100 : static_cast<int>(walked * 100 / total);
                    if (percent == reported || !progress) return;
                    reported = percent;
                    progress(percent);
                });
            }
            if (m_cancel.load()) return;
            done(index ? std::make_shared<const RecordIndex>(std::move(*index)) : nullptr);
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
