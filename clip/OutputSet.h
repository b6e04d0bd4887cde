// Every file one export writes, each under a temporary name until the whole
// export is complete: Commit names them all, and when any part fails (or the
// export fails before) none of them is left behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "clip/HashedOutput.h"

namespace korvane {

class OutputSet {
public:
    // A new file to write; nullptr (with Error()) when it cannot be created.
    HashedOutput* Add(const std::string& path);
    bool Commit();
    const std::vector<std::unique_ptr<HashedOutput>>& Files() const { return m_files; }
    const std::string& Error() const { return m_error; }

private:
    std::vector<std::unique_ptr<HashedOutput>> m_files;
    std::string m_error;
};

}  // namespace korvane
