// The lock holder program (tests/platform/LockHolder.cpp) in a process of
// its own: a second player as far as the lock is concerned.
#pragma once

#include <QProcess>

namespace korvane::testing {

class HolderProcess {
public:
    explicit HolderProcess(const QString& folder) { m_process.start(QString::fromLocal8Bit(KORVANE_LOCK_HOLDER), {folder}); }
    ~HolderProcess() { Kill(); }
    // The outcome the holder printed.
    QString Outcome() {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(10000)) return QStringLiteral("no answer");
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    // Ends the holder the hard way: its lock file stays behind.
    bool Kill() {
        if (m_process.state() == QProcess::NotRunning) return true;
        m_process.kill();
        return m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

}  // namespace korvane::testing
