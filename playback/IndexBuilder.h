// Builds the set of recordings (the index of each, the tracks of every
// camera) on a thread of its own, with file handles of its own, so that the first picture shows at once and playback goes on
// while the index grows. A new build, a cancel and the builder's end stop a
// running build and join its thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "recording/RecordingSet.h"

namespace korvane {

class IndexBuilder {
public:
    // Both are called on the builder's thread. Progress gets whole percent,
    // each value once; Done gets the set. Neither is called after a cancel.
    using Progress = std::function<void(int percent)>;
    using Done = std::function<void(std::shared_ptr<const RecordingSet> set)>;

    IndexBuilder() = default;
    ~IndexBuilder() { Cancel(); }
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // Cancels a running build, then starts one for path. False when no thread could be started.
    bool Start(std::vector<std::string> paths, Progress progress, Done done);
    // Stops a running build and waits for its thread.
    void Cancel();
    // Waits for a running build to finish.
    void Wait();

private:
    std::thread m_thread;  // started and joined by the owning thread only
    std::atomic<bool> m_cancel{false};
};

}  // namespace korvane
