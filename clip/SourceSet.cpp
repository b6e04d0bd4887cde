#include "clip/SourceSet.h"

namespace korvane {

bool SourceSet::Open(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        auto source = std::make_unique<HashingSource>();
        if (!source->Open(path)) {
            m_error = "cannot open " + path;
            return false;
        }
        m_total += source->Size();
        m_files.push_back({path, source->Size(), {}});
        m_sources.push_back(std::move(source));
    }
    return true;
}

bool SourceSet::Read(std::uint32_t file, std::uint64_t offset, std::span<std::uint8_t> out) {
    return (file < m_sources.size() && m_sources[file]->Copy(offset, out)) || Fail(file, {});
}

bool SourceSet::Fail(std::uint32_t file, const std::string& why) {
    m_error = "cannot read " + (file < m_files.size() ? m_files[file].path : std::string("a recording")) +
              (why.empty() ? std::string() : ": " + why);
    return false;
}

double SourceSet::Done() const {
    std::uint64_t read = 0;
    for (const auto& source : m_sources) read += source->Position();
    return m_total == 0 ? 1.0 : double(read) / double(m_total);
}

bool SourceSet::Finish(const std::function<bool()>& cancelled) {
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        HashingSource& source = *m_sources[i];
        while (source.Position() < source.Size()) {
            if (!source.ReadAhead()) {
                m_error = "cannot read " + m_files[i].path;
                return false;
            }
            if (cancelled && cancelled()) {
                m_error = "cancelled";
                return false;
            }
        }
        m_files[i].sha256 = source.FinishHash();
        if (m_files[i].sha256.isEmpty()) {
            m_error = "cannot read " + m_files[i].path;
            return false;
        }
    }
    return true;
}

}  // namespace korvane
