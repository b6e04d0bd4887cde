// Builds the index of a recording on a thread of its own, with a file handle
// of its own, so that the first picture shows at once and playback goes on
// while the index grows. A new build, a cancel and the builder's end stop a
// running build and join its thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "recording/RecordIndex.h"

namespace korvane {

class IndexBuilder {
public:
    // Both are called on the builder's thread. Progress gets whole percent,
    // each value once; Done gets the index, or null when the recording could
    // not be read. Neither is called after a cancel.
    using Progress = std::function<void(int percent)>;
    using Done = std::function<void(std::shared_ptr<const RecordIndex> index)>;

    IndexBuilder() = default;
    ~IndexBuilder() { Cancel(); }
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // Cancels a running build, then starts one for path. False when no thread could be started.
    bool Start(const std::string& path, Progress progress, Done done);
    // Stops a running build and waits for its thread.
    void Cancel();
    // Waits for a running build to finish.
    void Wait();

private:
    std::thread m_thread;  // started and joined by the owning thread only
    std::atomic<bool> m_cancel{false};
};

}  // namespace korvane
