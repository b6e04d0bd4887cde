// One player at a time: a lock file named "Avoid Second Korvane" in the
// user's runtime folder. A lock left behind by a process that has died is
// taken over; a lock held by a running process means another player runs.
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace korvane {

inline constexpr const char* kInstanceLockName = "Avoid Second Korvane";

enum class InstanceLock { Acquired, AlreadyRunning, Error };

class SingleInstance {
public:
    // folder: where the lock lives; empty for the user's runtime folder
    // (the temporary folder when the system names none).
    explicit SingleInstance(const QString& folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock and keeps it until this object dies.
    InstanceLock Acquire();
    QString LockFilePath() const { return m_path; }

    static QString DefaultFolder();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

}  // namespace korvane
