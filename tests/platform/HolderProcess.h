// The lock holder program (tests/platform/LockHolder.cpp) running in a
// process of its own: a second player as far as the lock is concerned.
#pragma once

#include <QProcess>
#include <QString>

namespace korvane::testing {

class HolderProcess {
public:
    explicit HolderProcess(const QString& folder) {
        m_process.setProgram(QString::fromLocal8Bit(KORVANE_LOCK_HOLDER));
        m_process.setArguments({folder});
        m_process.start();
    }
    ~HolderProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // The outcome the holder printed.
    QString Outcome() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000)) return QStringLiteral("no answer");
        }
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    // Lets the holder end normally, releasing its lock.
    bool Release() {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
    }
    // Ends the holder the hard way: its lock file stays behind.
    bool Kill() {
        m_process.kill();
        return m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

}  // namespace korvane::testing
