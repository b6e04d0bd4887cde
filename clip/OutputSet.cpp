#include "clip/OutputSet.h"

namespace korvane {

HashedOutput* OutputSet::Add(const std::string& path) {
    auto file = std::make_unique<HashedOutput>();
    if (!file->Create(path)) {
        m_error = file->Error();
        return nullptr;
    }
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

bool OutputSet::Commit() {
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i]->Commit()) continue;
        m_error = m_files[i]->Error();
        for (std::size_t j = 0; j < i; ++j) m_files[j]->Withdraw();
        return false;
    }
    return true;
}

}  // namespace korvane
