#include "desktop/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace korvane {

QString SingleInstance::DefaultFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

SingleInstance::SingleInstance(const QString& folder) {
    const QString where = folder.isEmpty() ? DefaultFolder() : folder;
    m_path = QDir(where).filePath(QString::fromLatin1(kInstanceLockName) + QStringLiteral(".lock"));
}

SingleInstance::~SingleInstance() = default;

InstanceLock SingleInstance::Acquire() {
    if (m_lock && m_lock->isLocked()) return InstanceLock::Acquired;
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) return InstanceLock::Error;
    m_lock = std::make_unique<QLockFile>(m_path);
    // Held for the life of the process: age alone never makes the lock stale.
    // tryLock takes over a lock file whose writer has died (or another program
    // now has its process id) and one it cannot read.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return InstanceLock::Acquired;
    return m_lock->error() == QLockFile::LockFailedError ? InstanceLock::AlreadyRunning : InstanceLock::Error;
}

}  // namespace korvane
