#include "playback/PictureCache.h"

#include <algorithm>

namespace korvane {

PictureCache::Groups::iterator PictureCache::Touch(Groups::iterator group) {
    m_groups.splice(m_groups.begin(), m_groups, group);
    return m_groups.begin();
}

void PictureCache::DropLowest(Group& group) {
    const auto lowest = group.pictures.begin();
    m_bytes -= SizeOf(*lowest->second);
    m_byOffset.erase(lowest->first);
    group.pictures.erase(lowest);
}

void PictureCache::DropHighest(Group& group) {
    const auto highest = std::prev(group.pictures.end());
    m_bytes -= SizeOf(*highest->second);
    m_byOffset.erase(highest->first);
    group.pictures.erase(highest);
}

void PictureCache::DropGroup(Groups::iterator group) {
    while (!group->pictures.empty()) DropLowest(*group);
    m_groups.erase(group);
}

void PictureCache::Put(RecordRef group, RecordRef offset, DecodedHandle picture) {
    std::lock_guard lock(m_mutex);
    if (!picture || m_byOffset.count(offset) != 0) return;
    const std::size_t size = SizeOf(*picture);
    if (size > m_bound) return;
    const auto found = std::find_if(m_groups.begin(), m_groups.end(), [group](const Group& g) { return g.key == group; });
    const auto it = found == m_groups.end() ? m_groups.insert(m_groups.begin(), Group{group, {}}) : Touch(found);
    MakeRoom(size);
    it->pictures.emplace(offset, std::move(picture));
    m_byOffset.emplace(offset, it);
    m_bytes += size;
    m_peak = std::max(m_peak, m_bytes);
}

void PictureCache::MakeRoom(std::size_t wanted) {
    while (Over(wanted) && m_groups.size() > m_kept) DropGroup(std::prev(m_groups.end()));
    if (const auto found = m_byOffset.find(m_lastFound); found != m_byOffset.end()) {
        Group& shown = *found->second;
        while (Over(wanted) && std::prev(shown.pictures.end())->first > m_lastFound) DropHighest(shown);
    }
    Group& filling = m_groups.front();
    Group& other = m_groups.back();
    while (Over(wanted) && !filling.pictures.empty()) DropLowest(filling);
    while (Over(wanted) && !other.pictures.empty()) DropLowest(other);
}

DecodedHandle PictureCache::Find(RecordRef offset) {
    std::lock_guard lock(m_mutex);
    const auto at = m_byOffset.find(offset);
    if (at == m_byOffset.end()) return nullptr;
    m_lastFound = offset;
    return Touch(at->second)->pictures.at(offset);
}

std::size_t PictureCache::GroupBytes(RecordRef group) const {
    std::lock_guard lock(m_mutex);
    std::size_t bytes = 0;
    for (const Group& g : m_groups)
        if (g.key == group)
            for (const auto& [offset, picture] : g.pictures) bytes += SizeOf(*picture);
    return bytes;
}

void PictureCache::Clear() {
    std::lock_guard lock(m_mutex);
    m_groups.clear();
    m_byOffset.clear();
    m_bytes = 0;
    m_lastFound = {~0u, ~0u};
}

void PictureCache::SetStreams(std::size_t streams) {
    std::lock_guard lock(m_mutex);
    m_kept = 2 * std::max<std::size_t>(streams, 1);
}

std::size_t PictureCache::Bound() const {
    std::lock_guard lock(m_mutex);
    return m_bound;
}

std::size_t PictureCache::StreamShare() const {
    std::lock_guard lock(m_mutex);
    return m_bound / (m_kept / 2);
}

std::size_t PictureCache::Bytes() const {
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::size_t PictureCache::PeakBytes() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

void PictureCache::SetBound(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_bound = bytes;
    while (m_bytes > m_bound) {
        while (m_groups.size() > 1 && m_groups.back().pictures.empty()) m_groups.pop_back();
        DropLowest(m_groups.back());
    }
    m_peak = m_bytes;
}

}  // namespace korvane
