#include "fuzz/FrameReaderDrive.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/Notifier.h"
#include "recording/FileCheck.h"
#include "recording/FrameReader.h"
#include "recording/RecordLayout.h"

namespace korvane::fuzzing {
namespace {

constexpr int kMaxWalk = 1 << 16;        // bounds every walk, whatever the file says
constexpr std::size_t kCanaryBytes = 64;  // buffer bytes checked to be untouched by a refusal
constexpr std::uint8_t kCanary = 0xA5;
constexpr std::size_t kMaxVisited = 64;

// The recording as an anonymous in-memory file, opened by the reader through
// its /proc path like any other file.
class MemoryFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> bytes) {
        m_fd = ::memfd_create("korvane-recording", MFD_CLOEXEC);
        if (m_fd < 0) return;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool Ok() const { return m_fd >= 0; }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd = -1;
};

template <std::size_t N>
std::array<std::uint8_t, N> Filled(std::uint8_t value) {
    std::array<std::uint8_t, N> bytes;
    bytes.fill(value);
    return bytes;
}

// Values that no move may leave behind unless it succeeded.
const FrameHeader kSentinelHeader = DecodeFrameHeader(Filled<kFrameHeaderSize>(kCanary));
const FrameExtension kSentinelExtension = DecodeExtension(Filled<kExtensionSize>(kCanary));
const CaptionDescriptor kSentinelCaption = DecodeCaption(Filled<kCaptionDescriptorSize>(kCanary));

BufferMode ModeOf(std::uint8_t bits) {
    switch (bits & 3) {
        case 1: return BufferMode::Small;
        case 2: return BufferMode::Empty;
        default: return BufferMode::Player;
    }
}

struct Snapshot {
    std::uint32_t offset = 0;
    RecordPrefix prefix;
    FrameHeader header;
    FrameExtension extension;
    bool operator==(const Snapshot&) const = default;
};

enum class RecordMove { First, Next, Previous, At };

const char* Name(RecordMove move) {
    switch (move) {
        case RecordMove::First: return "ReadFirst";
        case RecordMove::Next: return "ReadNext";
        case RecordMove::Previous: return "ReadPrevious";
        case RecordMove::At: return "ReadAt";
    }
    return "?";
}

// One recording, one reader, and the checks made after each move.
class Session {
public:
    Session(std::span<const std::uint8_t> file, FrameReader& reader, std::span<std::uint8_t> data,
            std::span<std::uint8_t> captionText, DriveReport& report)
        : m_file(file), m_reader(reader), m_data(data), m_captionText(captionText), m_report(report) {
        if (file.size() >= kFileHeaderSize)
            std::copy_n(file.begin(), kFileHeaderSize, m_header.bytes.begin());
    }

    bool Failed() const { return !m_report.failure.empty(); }

    // `target` is the offset ReadAt is asked for.
    bool Record(RecordMove move, bool outs, std::uint32_t target = 0) {
        const Snapshot before = Take();
        Arm();
        FrameHeader* header = outs ? &m_outHeader : nullptr;
        FrameExtension* extension = outs ? &m_outExtension : nullptr;
        CaptionDescriptor* caption = outs ? &m_outCaption : nullptr;
        int result = 0;
        switch (move) {
            case RecordMove::First:
                result = m_reader.ReadFirst(header, extension, m_data, caption, m_captionText);
                break;
            case RecordMove::Next:
                result = m_reader.ReadNext(header, extension, m_data, caption, m_captionText);
                break;
            case RecordMove::Previous:
                result = m_reader.ReadPrevious(header, extension, m_data, caption, m_captionText);
                break;
            case RecordMove::At:
                result = m_reader.ReadAt(target, header, extension, m_data, caption, m_captionText);
                break;
        }
        Begin(Name(move));
        if (result != 0 && result != 1) return Fail("returned " + std::to_string(result));
        if (result == 0) {
            CheckRefused(before);
            return false;
        }
        CheckRecord(move, before, outs, target);
        Visit();
        return !Failed();
    }

    // `of` may be the reader's own current header, as callers pass it; the
    // target is taken before the move can change it.
    bool Key(const FrameHeader& of, int commit, bool outs) {
        const Snapshot before = Take();
        const std::uint32_t target = of.keyFrameOffset;
        Arm();
        const int result = m_reader.ReadKeyFrame(of, outs ? &m_outHeader : nullptr,
                                                 outs ? &m_outExtension : nullptr, m_data, commit);
        Begin(commit != 0 ? "ReadKeyFrame(commit 1)" : "ReadKeyFrame(commit 0)");
        if (result != 0 && result != 1) return Fail("returned " + std::to_string(result));
        if (result == 0) {
            if (commit == 0 || Take() == before) {
                CheckRefused(before);
                return false;
            }
            // A committed refusal may still make the record at the target current.
            if (m_reader.CurrentOffset() != target)
                return Fail("refused, yet moved to " + std::to_string(m_reader.CurrentOffset()) +
                            " instead of the key offset " + std::to_string(target));
            if (target > before.offset)
                return Fail("refused, yet moved forward to " + std::to_string(target));
            const auto stored = StoredHeader(target);
            if (!stored || *stored != m_reader.CurrentHeader())
                return Fail("refused, yet made current a header that is not the one stored there");
            if (m_outHeader != kSentinelHeader || m_outExtension != kSentinelExtension)
                return Fail("refused, yet filled the caller's header or extension");
            return false;
        }

        if (!m_reader.IsOpen()) return Fail("succeeded without an open recording");
        if (target > before.offset)
            return Fail("read a key record after the current one (" + std::to_string(target) + " > " +
                        std::to_string(before.offset) + ")");
        if (target < kFirstRecordOffset || target >= m_header.dataEnd())
            return Fail("read a key record outside the chain at " + std::to_string(target));
        const auto stored = StoredHeader(target);
        if (!stored) return Fail("read a key record whose head is not in the file");
        const FrameHeader& h = *stored;
        if (h.marker != kRecordMarker || h.camera != m_reader.SelectedCamera() ||
            (h.frameType != kFrameKey && h.frameType != kFrameDecoderOnly))
            return Fail("accepted a record that is not a key record of the camera");
        if (outs && m_outHeader != h) return Fail("header out differs from the stored header");
        const std::uint64_t body = h.bodyLength();
        if (body > m_data.size())
            return Fail("record body of " + std::to_string(body) + " bytes exceeds the buffer of " +
                        std::to_string(m_data.size()));
        if (!SameAsFile(m_data.first(body), std::uint64_t{target} + kRecordHeadSize))
            return Fail("data differ from the stored record body");
        FrameExtension expected{};
        if (h.hasExtensionFlag()) {
            const auto block = StoredExtension(std::uint64_t{target} + kRecordHeadSize + body);
            if (!block) return Fail("flagged extension block is not in the file");
            expected = *block;
        }
        if (outs && m_outExtension != expected) return Fail("extension out differs from the file");
        if (commit != 0) {
            if (m_reader.CurrentOffset() != target || m_reader.CurrentHeader() != h ||
                m_reader.CurrentExtension() != expected)
                return Fail("commit did not make the key record current");
        } else if (Take() != before) {
            return Fail("commit 0 changed the current record");
        }
        Visit();
        return !Failed();
    }

    void CopyHeader() {
        RecordingFileHeader out;
        out.bytes.fill(kCanary);
        const RecordingFileHeader untouched = out;
        const int result = m_reader.CopyFileHeader(&out);
        Begin("CopyFileHeader");
        if (m_reader.IsOpen()) {
            if (result != 1) Fail("refused with an open recording");
            else if (out.bytes != m_header.bytes) Fail("copy differs from the file's first bytes");
        } else if (result != 0 || out.bytes != untouched.bytes) {
            Fail("copied a header without an open recording");
        }
    }

    // A key offset taken from a record visited earlier.
    std::uint32_t Visited(std::size_t index) const {
        return m_visited.empty() ? 0 : m_visited[index % m_visited.size()];
    }

    bool Fail(const std::string& what) {
        if (m_report.failure.empty())
            m_report.failure = "move " + std::to_string(m_report.moves) + " " + m_move + ": " + what;
        return false;
    }

private:
    Snapshot Take() const {
        return {m_reader.CurrentOffset(), m_reader.CurrentPrefix(), m_reader.CurrentHeader(),
                m_reader.CurrentExtension()};
    }

    void Arm() {
        m_outHeader = kSentinelHeader;
        m_outExtension = kSentinelExtension;
        m_outCaption = kSentinelCaption;
        std::fill_n(m_data.begin(), std::min(kCanaryBytes, m_data.size()), kCanary);
        std::fill_n(m_captionText.begin(), std::min(kCanaryBytes, m_captionText.size()), kCanary);
    }

    void Begin(const char* move) {
        m_move = move;
        ++m_report.moves;
    }

    void Visit() {
        ++m_report.recordsRead;
        if (m_visited.size() < kMaxVisited) m_visited.push_back(m_reader.CurrentOffset());
    }

    static bool Untouched(std::span<const std::uint8_t> buffer) {
        const auto canary = buffer.first(std::min(kCanaryBytes, buffer.size()));
        return std::all_of(canary.begin(), canary.end(), [](std::uint8_t b) { return b == kCanary; });
    }

    void CheckRefused(const Snapshot& before) {
        if (Take() != before) {
            Fail("refused, yet changed the current record (offset " + std::to_string(before.offset) +
                 " -> " + std::to_string(m_reader.CurrentOffset()) + ")");
            return;
        }
        if (m_outHeader != kSentinelHeader || m_outExtension != kSentinelExtension ||
            m_outCaption != kSentinelCaption)
            Fail("refused, yet filled the caller's header, extension or caption");
        else if (!Untouched(m_data) || !Untouched(m_captionText))
            Fail("refused, yet wrote into the caller's buffers");
    }

    bool SameAsFile(std::span<const std::uint8_t> bytes, std::uint64_t at) const {
        if (at > m_file.size() || bytes.size() > m_file.size() - at) return false;
        return std::equal(bytes.begin(), bytes.end(), m_file.begin() + static_cast<std::ptrdiff_t>(at));
    }

    template <std::size_t N>
    std::optional<std::span<const std::uint8_t, N>> Stored(std::uint64_t at) const {
        if (at > m_file.size() || N > m_file.size() - at) return std::nullopt;
        return m_file.subspan(static_cast<std::size_t>(at)).template first<N>();
    }
    std::optional<FrameHeader> StoredHeader(std::uint64_t offset) const {
        const auto head = Stored<kRecordHeadSize>(offset);
        if (!head) return std::nullopt;
        return DecodeFrameHeader(head->template last<kFrameHeaderSize>());
    }
    std::optional<RecordPrefix> StoredPrefix(std::uint64_t offset) const {
        const auto head = Stored<kRecordHeadSize>(offset);
        if (!head) return std::nullopt;
        return DecodePrefix(head->template first<kPrefixSize>());
    }
    std::optional<FrameExtension> StoredExtension(std::uint64_t at) const {
        const auto block = Stored<kExtensionSize>(at);
        if (!block) return std::nullopt;
        return DecodeExtension(*block);
    }
    std::optional<CaptionDescriptor> StoredCaption(std::uint64_t at) const {
        const auto block = Stored<kCaptionDescriptorSize>(at);
        if (!block) return std::nullopt;
        return DecodeCaption(*block);
    }

    // Where the record after the one at `offset` with head `h` begins, from
    // the file's own bytes: the extension block counts only with its marker.
    std::uint64_t PhysicalSuccessor(std::uint64_t offset, const FrameHeader& h) const {
        const std::uint64_t extensionAt = offset + kRecordHeadSize + h.bodyLength();
        std::uint64_t next = extensionAt;
        if (h.hasExtensionFlag()) {
            const auto block = StoredExtension(extensionAt);
            if (block && block->hasMarker()) next += kExtensionSize;
        }
        return next;
    }

    void CheckRecord(RecordMove move, const Snapshot& before, bool outs, std::uint32_t target) {
        if (!m_reader.IsOpen()) {
            Fail("succeeded without an open recording");
            return;
        }
        const std::uint32_t offset = m_reader.CurrentOffset();
        const FrameHeader& h = m_reader.CurrentHeader();
        const auto storedHeader = StoredHeader(offset);
        const auto storedPrefix = StoredPrefix(offset);
        if (!storedHeader || !storedPrefix) {
            Fail("current record at " + std::to_string(offset) + " has no head in the file");
            return;
        }
        if (*storedHeader != h || *storedPrefix != m_reader.CurrentPrefix()) {
            Fail("current head differs from the one stored at " + std::to_string(offset));
            return;
        }
        if (outs && m_outHeader != h) {
            Fail("header out differs from the current header");
            return;
        }
        if (h.camera != m_reader.SelectedCamera()) {
            Fail("returned a record of camera " + std::to_string(h.camera));
            return;
        }
        if (offset >= m_header.dataEnd()) {
            Fail("returned a record at or beyond dataEnd");
            return;
        }

        switch (move) {
            case RecordMove::First:
                if (offset != m_header.firstRecordOffset())
                    Fail("first record at " + std::to_string(offset));
                break;
            case RecordMove::Next: {
                const std::uint64_t expected = PhysicalSuccessor(before.offset, before.header);
                if (offset <= before.offset)
                    Fail("did not move forward (" + std::to_string(before.offset) + " -> " +
                         std::to_string(offset) + ")");
                else if (offset != expected)
                    Fail("moved to " + std::to_string(offset) + ", not to the record that follows at " +
                         std::to_string(expected));
                else if (h.marker != kRecordMarker)
                    Fail("accepted a record without its marker");
                break;
            }
            case RecordMove::Previous:
                if (offset >= before.offset)
                    Fail("did not move backward (" + std::to_string(before.offset) + " -> " +
                         std::to_string(offset) + ")");
                else if (offset != before.prefix.prevOffset)
                    Fail("moved to " + std::to_string(offset) + ", not to prevOffset " +
                         std::to_string(before.prefix.prevOffset));
                else if (h.marker != kRecordMarker || h.mediaKind != kMediaVideo)
                    Fail("accepted a record that is not a marked video record");
                break;
            case RecordMove::At:
                if (offset != target)
                    Fail("moved to " + std::to_string(offset) + ", not to " + std::to_string(target));
                else if (h.marker != kRecordMarker)
                    Fail("accepted a record without its marker");
                break;
        }
        if (Failed()) return;

        const std::uint64_t dataAt = std::uint64_t{offset} + kRecordHeadSize;
        if (h.dataLength > m_data.size()) {
            Fail("data of " + std::to_string(h.dataLength) + " bytes exceed the buffer of " +
                 std::to_string(m_data.size()));
            return;
        }
        if (!SameAsFile(m_data.first(h.dataLength), dataAt)) {
            Fail("data differ from the stored record data");
            return;
        }
        if (!outs) return;

        // The caption: delivered whole when the record has a marked one, else all zero.
        const std::uint64_t captionAt = dataAt + h.dataLength;
        const auto stored = h.hasCaption() ? StoredCaption(captionAt) : std::nullopt;
        if (stored && stored->captionMarker == kCaptionMarker) {
            if (stored->textLength > m_captionText.size())
                Fail("caption text of " + std::to_string(stored->textLength) +
                     " bytes exceeds the buffer of " + std::to_string(m_captionText.size()));
            else if (m_outCaption != *stored)
                Fail("caption out differs from the stored descriptor");
            else if (!SameAsFile(m_captionText.first(stored->textLength),
                                 captionAt + kCaptionDescriptorSize))
                Fail("caption text differs from the stored text");
        } else if (m_outCaption != CaptionDescriptor{}) {
            Fail("a record without a marked caption left caption out non-zero");
        }
        if (Failed()) return;

        // The extension: ReadNext hands over only a marked block, the others any flagged one.
        std::optional<FrameExtension> block;
        if (h.hasExtensionFlag()) {
            block = StoredExtension(dataAt + h.bodyLength());
            if (!block) {
                Fail("flagged extension block is not in the file");
                return;
            }
            if (move == RecordMove::Next && !block->hasMarker()) block.reset();
        }
        if (block ? m_outExtension != *block : m_outExtension != kSentinelExtension)
            Fail("extension out does not match the record's block");
        else if (block && m_reader.CurrentExtension() != *block)
            Fail("current extension is not the block handed over");
    }

    std::span<const std::uint8_t> m_file;
    FrameReader& m_reader;
    std::span<std::uint8_t> m_data;
    std::span<std::uint8_t> m_captionText;
    DriveReport& m_report;
    RecordingFileHeader m_header;  // the file's first bytes, as the reader should have them
    const char* m_move = "Open";
    std::vector<std::uint32_t> m_visited;

    FrameHeader m_outHeader;
    FrameExtension m_outExtension;
    CaptionDescriptor m_outCaption;
};

}  // namespace

void SetScript(std::span<std::uint8_t> recording, BufferMode mode,
               std::span<const std::uint8_t> moves) {
    if (recording.size() < kScriptEnd) return;
    const std::size_t count = std::min({moves.size(), kMaxScriptMoves, kScriptEnd - kScriptAt - 1});
    recording[kScriptAt] = static_cast<std::uint8_t>((count << 2) | static_cast<std::uint8_t>(mode));
    std::copy_n(moves.begin(), count, recording.begin() + kScriptAt + 1);
}

FrameReaderDriver::FrameReaderDriver()
    : m_playerData(kFrameDataCapacity), m_playerCaption(kCaptionTextCapacity) {}

DriveReport FrameReaderDriver::Run(std::span<const std::uint8_t> recording) {
    DriveReport report;
    const std::uint8_t control = recording.size() > kScriptAt ? recording[kScriptAt] : 0;

    // Small buffers are sized exactly, so that a write past them is caught by
    // a memory checker as well as by the checks below.
    std::vector<std::uint8_t> smallData, smallCaption;
    std::span<std::uint8_t> data = m_playerData;
    std::span<std::uint8_t> captionText = m_playerCaption;
    switch (ModeOf(control)) {
        case BufferMode::Player: break;
        case BufferMode::Small:
            smallData.resize(kSmallDataCapacity);
            smallCaption.resize(kSmallCaptionCapacity);
            data = smallData;
            captionText = smallCaption;
            break;
        case BufferMode::Empty:
            data = {};
            captionText = {};
            break;
    }

    MemoryFile file(recording);
    if (!file.Ok()) {
        report.failure = "cannot hold the recording in an in-memory file";
        return report;
    }
    StderrNotifier notifier(false);
    FrameReader reader(notifier);
    Session session(recording, reader, data, captionText, report);

    report.opened = reader.Open(file.Path()) == 1;
    if (report.opened != (recording.size() >= kFileHeaderSize)) {
        session.Fail(report.opened ? "opened a file shorter than its header"
                                   : "could not open a file that holds a whole header");
        return report;
    }
    // The reader refuses quietly; CheckFile says why in words.
    if (!report.opened && CheckFile(file.Path(), 0).sentence.empty()) {
        session.Fail("a failed open has no reason in words");
        return report;
    }

    // The fixed walk: first record, forward to the end (peeking at each
    // record's key record on the way), back along prevOffset, then a
    // committed key read and one step forward from there.
    session.CopyHeader();
    if (session.Record(RecordMove::First, true)) {
        report.forwardWalk = 1;
        while (report.forwardWalk < kMaxWalk && session.Record(RecordMove::Next, true)) {
            ++report.forwardWalk;
            session.Key(reader.CurrentHeader(), 0, true);
        }
    }
    for (int i = 0; i < kMaxWalk && session.Record(RecordMove::Previous, true); ++i) {
    }
    session.Key(reader.CurrentHeader(), 1, true);
    session.Record(RecordMove::Next, true);

    // The script.
    const std::size_t count = std::min<std::size_t>(control >> 2, kMaxScriptMoves);
    for (std::size_t i = 0; i < count && !session.Failed(); ++i) {
        const std::size_t at = kScriptAt + 1 + i;
        if (at >= recording.size()) break;
        const std::uint8_t op = recording[at];
        const bool outs = (op & kFlagNoOuts) == 0;
        FrameHeader of = reader.CurrentHeader();
        if (op & kFlagVisitedKey) of.keyFrameOffset = session.Visited(op >> 5);
        switch (op & 7) {
            case kOpFirst: session.Record(RecordMove::First, outs); break;
            case kOpNext: session.Record(RecordMove::Next, outs); break;
            case kOpAt: session.Record(RecordMove::At, outs, of.keyFrameOffset); break;
            case kOpPrevious: session.Record(RecordMove::Previous, outs); break;
            case kOpKeyPeek: session.Key(of, 0, outs); break;
            case kOpKeyCommit: session.Key(of, 1, outs); break;
            case kOpCopyHeader: session.CopyHeader(); break;
            case kOpWalk:
                for (int n = 0; n < kMaxWalk && session.Record(RecordMove::Next, outs); ++n) {
                }
                break;
        }
    }

    // Closed, the reader refuses everything.
    reader.Close();
    session.Record(RecordMove::First, true);
    session.CopyHeader();
    return report;
}

}  // namespace korvane::fuzzing
