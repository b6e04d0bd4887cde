// Walks a recording record by record for one camera: to the first record, to
// the physically next one, back along prevOffset, and to a picture's key
// record. Each move fills the caller's buffers and makes the record current.
//
// A move that cannot be made returns 0 and leaves the reader, and every
// buffer given to it, as they were. Beyond the format's own rules a record is
// refused when its lengths exceed the caller's buffers, when it runs past the
// end of the file, or when its prevOffset does not lie before it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Notifier.h"
#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"
#include "recording/RecordReader.h"

namespace korvane {


class FrameReader {
public:
    explicit FrameReader(Notifier& notifier);
    virtual ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    int Open(const std::string& path);
    void Close();

    int ReadFirst(FrameHeader* header, FrameExtension* extension, std::span<std::uint8_t> data,
                  CaptionDescriptor* caption, std::span<std::uint8_t> captionText);
    int ReadNext(FrameHeader* header, FrameExtension* extension, std::span<std::uint8_t> data,
                 CaptionDescriptor* caption, std::span<std::uint8_t> captionText);
    int ReadPrevious(FrameHeader* header, FrameExtension* extension, std::span<std::uint8_t> data,
                     CaptionDescriptor* caption, std::span<std::uint8_t> captionText);
    // Reads the record of the selected camera at `offset` (a record of the
    // chain, with its marker), wherever the reader stands.
    int ReadAt(std::uint32_t offset, FrameHeader* header, FrameExtension* extension, std::span<std::uint8_t> data,
               CaptionDescriptor* caption, std::span<std::uint8_t> captionText);
    // Reads the record at keyFrameOffset of `of`, data and caption together
    // (max(dataLength, totalLength) bytes). With commit non-zero the record
    // becomes current.
    int ReadKeyFrame(const FrameHeader& of, FrameHeader* header, FrameExtension* extension,
                     std::span<std::uint8_t> data, int commit);
    int CopyFileHeader(RecordingFileHeader* out) const;

    // Where the reader stands, to come back to after a walk that went astray.
    struct Position {
        std::uint32_t offset = 0;
        RecordPrefix prefix;
        FrameHeader header;
        FrameExtension extension;
        bool extensionCounted = false;
    };
    Position Tell() const {
        return {m_currentOffset, m_currentPrefix, m_currentHeader, m_currentExtension, m_currentExtensionCounted};
    }
    void Restore(const Position& at) {
        m_currentOffset = at.offset;
        m_currentPrefix = at.prefix;
        m_currentHeader = at.header;
        m_currentExtension = at.extension;
        m_currentExtensionCounted = at.extensionCounted;
    }

    bool IsOpen() const { return m_open; }
    std::uint32_t SelectedCamera() const { return m_camera; }
    // From now on the moves accept that camera's records (0-based). The
    // current record stays where it is; the next Open picks again from the
    // file header.
    void SelectCamera(std::uint32_t camera) { m_camera = camera; }
    std::uint32_t CurrentOffset() const { return m_currentOffset; }
    const RecordPrefix& CurrentPrefix() const { return m_currentPrefix; }
    const FrameHeader& CurrentHeader() const { return m_currentHeader; }
    const FrameExtension& CurrentExtension() const { return m_currentExtension; }
    const RecordingFileHeader& FileHeader() const { return m_fileHeader; }
    const std::string& Path() const { return m_path; }

private:
    enum class Move { First, Next, Previous, At };
    int ReadRecordAt(std::uint64_t offset, Move move, FrameHeader* header, FrameExtension* extension,
                     std::span<std::uint8_t> data, CaptionDescriptor* caption,
                     std::span<std::uint8_t> captionText);
    bool InChain(std::uint64_t offset) const;
    void MakeCurrent(const LocatedRecord& record);

    Notifier& m_notifier;
    RecordFile m_file;
    std::string m_path;
    bool m_open = false;
    std::uint32_t m_camera = 0;
    std::uint32_t m_currentOffset = 0;
    bool m_currentExtensionCounted = false;  // the current record's own block has its marker
    RecordPrefix m_currentPrefix;
    FrameHeader m_currentHeader;
    FrameExtension m_currentExtension;
    RecordingFileHeader m_fileHeader;
};

}  // namespace korvane
