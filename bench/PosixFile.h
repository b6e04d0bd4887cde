// A file descriptor for the benchmarks' plain reads and writes, closed when it goes.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace korvane::bench {

class PosixFile {
public:
    explicit PosixFile(const std::string& path, int flags = O_RDONLY)
        : m_fd(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (m_fd < 0) throw std::runtime_error("cannot open " + path);
    }
    ~PosixFile() { ::close(m_fd); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace korvane::bench
