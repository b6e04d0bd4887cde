#include "recording/RecordReader.h"

namespace korvane {

const RecordFile* RecordReader::FileOf(std::uint32_t file) {
    if (file >= m_paths.size()) return nullptr;
    auto& held = m_open[file];
    if (!held) {
        auto opened = std::make_unique<RecordFile>();
        if (opened->Open(m_paths[file]) != 0) return nullptr;
        held = std::move(opened);
    }
    return held.get();
}

bool RecordReader::Read(std::uint32_t file, std::uint32_t offset, RecordBuffers& out) {
    const RecordFile* f = FileOf(file);
    if (f == nullptr) return false;
    LocatedRecord record;
    if (f->Locate(offset, record) != LocateResult::Ok) return false;
    const FrameHeader& h = record.header;
    const bool withCaption = record.captionMarked();
    if (h.dataLength > kFrameDataCapacity) return false;
    if (withCaption && record.caption.textLength > out.captionText.size()) return false;
    if (!f->ReadAt(record.dataAt(), out.Data().first(h.dataLength))) return false;
    if (withCaption && !f->ReadAt(record.captionTextAt(), std::span(out.captionText).first(record.caption.textLength)))
        return false;
    out.header = h;
    out.caption = withCaption ? record.caption : CaptionDescriptor{};
    out.extension = record.extensionRead ? record.extension : FrameExtension{};
    return true;
}

}  // namespace korvane
