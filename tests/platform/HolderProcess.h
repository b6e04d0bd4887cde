// The lock holder program (tests/platform/LockHolder.cpp) in a process of
// its own: a second player as far as the lock is concerned. Started with
// posix_spawn from here rather than by QProcess: a fork made inside Qt is
// hidden from ThreadSanitizer, which then loses the main thread's locks for
// the rest of the test program.
#pragma once

#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace korvane::testing {

class HolderProcess {
public:
    explicit HolderProcess(const QString& folder) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0) return;
        if (::pipe2(out, O_CLOEXEC) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const std::string program = KORVANE_LOCK_HOLDER, argument = folder.toStdString();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
        if (::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];  // the holder keeps its lock until this closes
        m_output = out[0];
    }
    ~HolderProcess() {
        Kill();
        if (m_input >= 0) ::close(m_input);
        if (m_output >= 0) ::close(m_output);
    }
    HolderProcess(const HolderProcess&) = delete;
    HolderProcess& operator=(const HolderProcess&) = delete;

    // The outcome the holder printed.
    QString Outcome() {
        std::string line;
        char c = 0;
        while (m_output >= 0) {
            pollfd ready{m_output, POLLIN, 0};
            if (::poll(&ready, 1, 10000) <= 0 || ::read(m_output, &c, 1) != 1) return QStringLiteral("no answer");
            if (c == '\n') return QString::fromStdString(line);
            line += c;
        }
        return QStringLiteral("no answer");
    }
    // Ends the holder the hard way: its lock file stays behind.
    bool Kill() {
        if (m_pid <= 0) return true;
        ::kill(m_pid, SIGKILL);
        int status = 0;
        const bool ended = ::waitpid(m_pid, &status, 0) == m_pid;
        m_pid = -1;
        return ended;
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
};

}  // namespace korvane::testing
