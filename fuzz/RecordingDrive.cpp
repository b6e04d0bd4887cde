#include "fuzz/RecordingDrive.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "recording/ChainWalk.h"
#include "recording/RecordKind.h"
#include "recording/RecordReader.h"
#include "recording/RecordingSet.h"
#include "tools/probe/ChainWalk.h"

namespace korvane::fuzzing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A recording as an anonymous in-memory file, opened through its /proc path like any other file.
class MemoryFile {
public:
    explicit MemoryFile(std::span<const std::uint8_t> bytes) {
        m_fd = ::memfd_create("korvane-recording", MFD_CLOEXEC);
        std::size_t done = 0;
        while (m_fd >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ::close(m_fd);
                m_fd = -1;
            } else {
                done += static_cast<std::size_t>(n);
            }
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

RecordingFileHeader HeaderOf(std::span<const std::uint8_t> bytes) {
    RecordingFileHeader header;
    std::copy_n(bytes.begin(), std::min(bytes.size(), kFileHeaderSize), header.bytes.begin());
    return header;
}

void SetDataEnd(Bytes& bytes, std::uint64_t dataEnd) {
    RecordingFileHeader header = HeaderOf(bytes);
    header.setDataEnd(static_cast<std::uint32_t>(dataEnd));
    std::copy(header.bytes.begin(), header.bytes.end(), bytes.begin());
}

// The input cut into the recordings its control byte asks for, at records of its chain.
std::vector<Bytes> Pieces(std::span<const std::uint8_t> input) {
    const Bytes whole(input.begin(), input.end());
    const int wanted = input.size() > kControlAt + 2 ? input[kControlAt] & 3 : 0;
    if (wanted < 2) return {whole};

    MemoryFile memory(input);
    RecordFile file;
    if (!memory.Ok() || file.Open(memory.Path()) != 0) return {whole};
    const RecordingFileHeader header = HeaderOf(input);
    std::vector<std::uint64_t> offsets;
    for (ChainWalk walk(file, header); walk.Next();) offsets.push_back(walk.Record().offset);
    if (offsets.size() < 2) return {whole};

    std::set<std::size_t> cuts;  // record numbers a recording starts at, past the first
    for (int i = 1; i < wanted; ++i)
        cuts.insert(std::clamp<std::size_t>(offsets.size() * input[kControlAt + i] / 256, 1, offsets.size() - 1));
    const std::uint64_t first = header.firstRecordOffset();
    const std::uint64_t dataEnd = header.dataEnd();
    std::vector<Bytes> pieces;
    std::uint64_t from = 0;
    for (auto cut = cuts.begin();; ++cut) {
        const bool last = cut == cuts.end();
        const std::uint64_t to = last ? input.size() : offsets[*cut];
        Bytes piece;
        if (from != 0) piece.assign(input.begin(), input.begin() + static_cast<long>(first));
        piece.insert(piece.end(), input.begin() + static_cast<long>(from), input.begin() + static_cast<long>(to));
        const std::uint64_t shift = from == 0 ? 0 : from - first;
        SetDataEnd(piece, last ? dataEnd - shift : piece.size());
        pieces.push_back(std::move(piece));
        if (last) break;
        from = to;
    }
    if (input[kControlAt] & 4) std::reverse(pieces.begin(), pieces.end());
    return pieces;
}

// Collects the records the probe reports as good, in order.
class ProbeRecords : public probe::ReportWriter {
public:
    void writeHeader(const probe::FileInfo&) override {}
    void writeRecord(const probe::RecordInfo& info) override {
        if (info.status == probe::RecordStatus::Ok) offsets.push_back(info.record.offset);
    }
    void writeSummary(const probe::FileInfo&, const probe::Summary&) override {}
    std::vector<std::uint64_t> offsets;
};

// One input, cut into recordings, and the checks made on each part of the path.
class Drive {
public:
    Drive(std::span<const std::uint8_t> input, RecordBuffers& buffers, DriveReport& report)
        : m_pieces(Pieces(input)), m_buffers(buffers), m_report(report) {
        m_report.recordings = m_pieces.size();
    }

    void Run() {
        for (const Bytes& piece : m_pieces) {
            m_files.push_back(std::make_unique<MemoryFile>(piece));
            if (!m_files.back()->Ok()) {
                Fail("cannot hold a recording in an in-memory file");
                return;
            }
            m_paths.push_back(m_files.back()->Path());
        }
        for (std::size_t f = 0; f < m_pieces.size() && !Failed(); ++f) CheckChain(f);
        if (Failed()) return;
        const auto set = RecordingSet::Build(m_paths);
        if (!set) {
            Fail("the set was not built");
            return;
        }
        CheckSet(*set);
        RecordReader reader(m_paths);
        for (const int camera : set->Cameras()) {
            if (Failed()) return;
            m_where = "camera " + std::to_string(camera);
            const CameraTrack* track = set->Track(camera);
            if (track == nullptr) {
                Fail("a camera of the set has no track");
                return;
            }
            const auto walk = CheckTrack(*set, *track);
            if (!Failed()) CheckTimes(*track, walk);
            for (const RecordRef& ref : walk) {
                if (Failed()) return;
                CheckRead(reader, ref.file, set->Entry(ref).offset, true);
            }
        }
        m_where = "reader";
        CheckBeyondTheRecords(reader, *set);
    }

    bool Failed() const { return !m_report.failure.empty(); }

private:
    bool Fail(const std::string& what) {
        if (m_report.failure.empty()) m_report.failure = m_where + ": " + what;
        return false;
    }

    // The index, the chain walk and the probe's report of one recording agree.
    void CheckChain(std::size_t f) {
        m_where = "recording " + std::to_string(f);
        const Bytes& bytes = m_pieces[f];
        RecordFile file;
        if (file.Open(m_paths[f]) != 0) {
            Fail("an in-memory recording did not open");
            return;
        }
        const auto index = RecordIndex::Build(file);
        if (index.has_value() != (bytes.size() >= kFileHeaderSize)) {
            Fail(index ? "indexed a file shorter than a header" : "no index for a file that holds a header");
            return;
        }
        m_indexSizes.push_back(index ? index->Size() : 0);
        if (!index) return;
        m_report.records += index->Size();

        const RecordingFileHeader header = HeaderOf(bytes);
        ChainWalk walk(file, header);
        std::uint64_t previousEnd = header.firstRecordOffset();
        std::size_t n = 0;
        for (; walk.Next(); ++n) {
            const LocatedRecord& r = walk.Record();
            if (r.offset != previousEnd) return void(Fail("the walk skipped to " + std::to_string(r.offset)));
            if (r.offset >= header.dataEnd()) return void(Fail("the walk passed dataEnd"));
            if (r.nextOffset() <= r.offset || r.nextOffset() > bytes.size())
                return void(Fail("a record walked at " + std::to_string(r.offset) + " does not lie in the file"));
            if (n >= index->Size() || (*index)[n].offset != r.offset)
                return void(Fail("the index and the walk differ at record " + std::to_string(n)));
            previousEnd = r.nextOffset();
        }
        if (n != index->Size()) return void(Fail("the index holds more records than the walk"));
        const bool complete = walk.End() == ChainEnd::DataEnd || walk.End() == ChainEnd::Empty ||
                              walk.End() == ChainEnd::DataEndBeforeFirst || walk.End() == ChainEnd::PastDataEnd;
        if (complete != (index->End() == IndexEnd::DataEnd))
            return void(Fail("the index and the walk end differently"));
        if (index->End() == IndexEnd::Unreadable) m_unreadable.emplace_back(f, index->EndOffset());

        probe::FileInfo info{m_paths[f], bytes.size(), header};
        ProbeRecords probed;
        const probe::Summary summary = probe::walkChain(file, info, probed);
        std::vector<std::uint64_t> indexed;
        for (std::size_t i = 0; i < index->Size(); ++i) indexed.push_back((*index)[i].offset);
        if (probed.offsets != indexed || summary.records != index->Size() || summary.end != walk.End())
            Fail("the probe's chain report differs from the index");
    }

    void CheckSet(const RecordingSet& set) {
        m_where = "set";
        if (set.FileCount() != m_pieces.size()) return void(Fail("the set lost a recording"));
        std::set<int> cameras;
        for (std::uint32_t f = 0; f < set.FileCount(); ++f) {
            const auto& index = set.Index(f);
            if ((index != nullptr) != (m_pieces[f].size() >= kFileHeaderSize) ||
                (index && index->Size() != m_indexSizes[f]))
                return void(Fail("recording " + std::to_string(f) + " has another index in the set"));
            if (!index) continue;
            for (const int c : index->Cameras()) cameras.insert(c);
            // A camera's track takes every record of it in a recording that has its pictures.
            for (std::size_t i = 0; i < index->Size(); ++i)
                if (index->PictureCount((*index)[i].camera) > 0) ++m_report.trackRecords;
        }
        if (set.Cameras() != std::vector<int>(cameras.begin(), cameras.end()))
            Fail("the set's cameras are not those of its recordings");
        for (const TrackOverlap& o : set.Overlaps())
            if (o.laterStarts >= o.earlierEnds) Fail("an overlap that is none");
    }

    // Walks the track forward and back; returns the forward walk.
    std::vector<RecordRef> CheckTrack(const RecordingSet& set, const CameraTrack& track) {
        std::vector<RecordRef> walk;
        std::map<RecordRef, std::size_t> place;
        std::set<std::uint32_t> finished;  // recordings the walk has left
        const std::size_t bound = m_report.records + 1;
        for (auto r = track.Front(); r; r = track.Next(*r)) {
            if (walk.size() == bound || !place.emplace(*r, walk.size()).second) {
                Fail("the forward walk does not end");
                return {};
            }
            if (r->file >= set.FileCount() || !set.Index(r->file) || r->entry >= set.Index(r->file)->Size()) {
                Fail("a reference outside the set's indexes");
                return {};
            }
            const IndexEntry& e = track.Entry(*r);
            const Bytes& bytes = m_pieces[r->file];
            if (e.camera != track.Camera()) Fail("a record of camera " + std::to_string(e.camera) + " on the track");
            if (e.offset < HeaderOf(bytes).firstRecordOffset() || e.offset + kRecordHeadSize > bytes.size())
                Fail("a reference whose record does not lie in its file");
            if (!walk.empty() && walk.back().file == r->file && walk.back().entry >= r->entry)
                Fail("the walk goes back within a recording");
            if (!walk.empty() && walk.back().file != r->file) {
                finished.insert(walk.back().file);
                if (finished.contains(r->file)) Fail("a recording is played in two parts");
            }
            if (Failed()) return {};
            walk.push_back(*r);
        }
        m_walked += walk.size();

        std::size_t back = walk.size();
        for (auto r = track.Back(); r; r = track.Previous(*r)) {
            if (back == 0 || walk[--back] != *r) {
                Fail("the backward walk is not the forward walk reversed");
                return {};
            }
        }
        if (back != 0) Fail("the backward walk stops early");

        // The next and previous video record (or picture) are the nearest ones along the walk.
        for (const bool picturesOnly : {false, true}) {
            const auto fits = [&](std::size_t i) {
                const IndexEntry& e = track.Entry(walk[i]);
                return picturesOnly ? e.IsPicture() : e.mediaKind == kMediaVideo;
            };
            std::optional<RecordRef> after, before;
            for (std::size_t i = walk.size(); i-- > 0;) {
                if (track.NextVideo(walk[i], picturesOnly) != after) {
                    Fail("NextVideo skips one");
                    return walk;
                }
                if (fits(i)) after = walk[i];
            }
            for (std::size_t i = 0; i < walk.size(); ++i) {
                if (track.PreviousVideo(walk[i], picturesOnly) != before) {
                    Fail("PreviousVideo skips one");
                    return walk;
                }
                if (fits(i)) before = walk[i];
            }
        }

        // A picture is decoded from a video record of its recording at or before it.
        for (std::size_t i = 0; i < walk.size(); ++i) {
            if (!track.Entry(walk[i]).IsPicture()) continue;
            const RecordRef key = track.KeyOf(walk[i]);
            const auto at = place.find(key);
            if (key.file != walk[i].file || at == place.end() || at->second > i)
            {
                Fail("KeyOf lies after its picture or outside its recording");
                return walk;
            }
            const IndexEntry& k = track.Entry(key);
            const bool keyLike = k.frameType == kFrameKey || FeedsDecoderOnly(k.mediaKind, k.frameType);
            if (k.mediaKind != kMediaVideo || (key != walk[i] && !keyLike))
            {
                Fail("KeyOf is neither the picture nor a key or decoder-only record");
                return walk;
            }
        }
        return walk;
    }

    // The time lookups against the pictures of the walk.
    void CheckTimes(const CameraTrack& track, const std::vector<RecordRef>& walk) {
        std::map<std::int64_t, RecordRef> firstAt;  // each time's first picture in play order
        for (const RecordRef& r : walk)
            if (track.Entry(r).IsPicture()) firstAt.emplace(track.Entry(r).time, r);
        if (firstAt.empty()) return void(Fail("a track without pictures"));
        std::size_t pictures = 0;
        for (const RecordRef& r : walk) pictures += track.Entry(r).IsPicture() ? 1 : 0;
        if (track.PictureCount() != pictures) return void(Fail("PictureCount is not the pictures walked"));
        if (track.First() != firstAt.begin()->second || track.Last() != firstAt.rbegin()->second)
            return void(Fail("First or Last is not the earliest or latest picture"));

        const std::int64_t earliest = firstAt.begin()->first;
        for (const auto& [time, unused] : firstAt) {
            for (const std::int64_t t : {time - 1, time, time + 1}) {
                const auto at = track.PictureAt(t);
                auto expected = firstAt.upper_bound(t);
                const std::optional<RecordRef> want =
                    t < earliest ? firstAt.begin()->second : std::prev(expected)->second;
                if (at != want) return void(Fail("PictureAt(" + std::to_string(t) + ") is not the latest at or before"));
                const auto after = track.PictureAfter(t);
                const std::optional<RecordRef> next =
                    expected == firstAt.end() ? std::nullopt : std::optional<RecordRef>(expected->second);
                if (after != next) return void(Fail("PictureAfter(" + std::to_string(t) + ") is not the earliest later"));
            }
        }
        std::size_t gaps = 0;
        for (auto it = std::next(firstAt.begin()); it != firstAt.end(); ++it)
            gaps += it->first - std::prev(it)->first > RecordIndex::kGapMilliseconds ? 1 : 0;
        const auto found = track.Gaps();
        if (found.size() != gaps) return void(Fail("Gaps misses or adds one"));
        for (const TimeGap& g : found)
            if (g.to - g.from <= RecordIndex::kGapMilliseconds || !firstAt.contains(g.from) || !firstAt.contains(g.to))
                return void(Fail("a gap that is not between two pictures"));
    }

    // Reads one record and holds what the reader gave against the file's bytes.
    void CheckRead(RecordReader& reader, std::uint32_t file, std::uint64_t offset, bool indexed) {
        static const FrameHeader kUntouched = [] {
            FrameHeader h;
            h.dataLength = 0xA5A5A5A5u;
            return h;
        }();
        m_buffers.header = kUntouched;
        const bool read = offset <= UINT32_MAX && reader.Read(file, static_cast<std::uint32_t>(offset), m_buffers);
        const std::string at = "record at " + std::to_string(offset);
        if (!read) {
            if (m_buffers.header != kUntouched) Fail(at + " refused, yet its header was handed over");
            if (!indexed || file >= m_pieces.size()) return;
            // An indexed record lies whole in its file: only one too long for the buffers may be refused.
            const Bytes& bytes = m_pieces[file];
            const FrameHeader h = DecodeFrameHeader(std::span(bytes).subspan(offset + kPrefixSize).first<kFrameHeaderSize>());
            bool tooLong = h.dataLength > kFrameDataCapacity;
            if (h.hasCaption() && offset + kRecordHeadSize + h.dataLength + kCaptionDescriptorSize <= bytes.size()) {
                const CaptionDescriptor c = DecodeCaption(
                    std::span(bytes).subspan(offset + kRecordHeadSize + h.dataLength).first<kCaptionDescriptorSize>());
                tooLong = tooLong || (c.captionMarker == kCaptionMarker && c.textLength > kCaptionTextCapacity);
            }
            if (!tooLong) Fail(at + " refused though it lies in its file and fits the buffers");
            return;
        }
        if (file >= m_pieces.size()) return void(Fail("read a record of a recording not in the set"));
        const Bytes& bytes = m_pieces[file];
        const FrameHeader& h = m_buffers.header;
        const std::uint64_t dataAt = offset + kRecordHeadSize;
        if (h.dataLength > kFrameDataCapacity) return void(Fail(at + ": data longer than the buffer"));
        if (dataAt + h.bodyLength() > bytes.size()) return void(Fail(at + ": read a record that runs past its file"));
        if (h != DecodeFrameHeader(std::span(bytes).subspan(offset + kPrefixSize).first<kFrameHeaderSize>()))
            return void(Fail(at + ": the header is not the stored one"));
        if (!std::equal(m_buffers.Body().begin(), m_buffers.Body().end(), bytes.begin() + static_cast<long>(dataAt)))
            return void(Fail(at + ": the data are not the stored ones"));
        const CaptionDescriptor& c = m_buffers.caption;
        if (c != CaptionDescriptor{}) {
            const std::uint64_t textAt = dataAt + h.dataLength + kCaptionDescriptorSize;
            if (c.captionMarker != kCaptionMarker || c.textLength > kCaptionTextCapacity ||
                textAt + c.textLength > bytes.size() ||
                !std::equal(m_buffers.captionText.begin(), m_buffers.captionText.begin() + c.textLength,
                            bytes.begin() + static_cast<long>(textAt)))
                return void(Fail(at + ": the caption is not the stored one or exceeds its buffer"));
        }
        if (indexed) ++m_report.read;
    }

    // Where the chain broke, past a file's end, in a file not in the set: refused or read within the file.
    void CheckBeyondTheRecords(RecordReader& reader, const RecordingSet& set) {
        for (const auto& [file, offset] : m_unreadable) {
            m_buffers.header = {};
            if (reader.Read(file, static_cast<std::uint32_t>(offset), m_buffers))
                return void(Fail("read the record the index found cut short at " + std::to_string(offset)));
        }
        for (std::uint32_t f = 0; f < set.FileCount() && !Failed(); ++f) {
            const std::uint64_t size = m_pieces[f].size();
            for (const std::uint64_t offset : {size - std::min<std::uint64_t>(size, 20), size, size + 1000})
                CheckRead(reader, f, offset, false);
            if (const auto& index = set.Index(f); index && index->Size() > 0)
                CheckRead(reader, f, (*index)[index->Size() - 1].offset + 1, false);
        }
        CheckRead(reader, static_cast<std::uint32_t>(set.FileCount()), kFirstRecordOffset, false);
        if (m_walked != m_report.trackRecords) Fail("the tracks hold " + std::to_string(m_walked) +
                                                    " records, not the " + std::to_string(m_report.trackRecords) +
                                                    " of their cameras in their recordings");
    }

    std::vector<Bytes> m_pieces;
    RecordBuffers& m_buffers;
    DriveReport& m_report;
    std::vector<std::unique_ptr<MemoryFile>> m_files;
    std::vector<std::string> m_paths;
    std::vector<std::size_t> m_indexSizes;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> m_unreadable;  // where a chain was cut short
    std::size_t m_walked = 0;
    std::string m_where;
};

}  // namespace

void SetControl(std::span<std::uint8_t> recording, int recordings, bool reversed, std::uint8_t firstCut,
                std::uint8_t secondCut) {
    if (recording.size() <= kControlAt + 2) return;
    recording[kControlAt] = static_cast<std::uint8_t>((recordings & 3) | (reversed ? 4 : 0));
    recording[kControlAt + 1] = firstCut;
    recording[kControlAt + 2] = secondCut;
}

RecordingDriver::RecordingDriver() : m_buffers(std::make_unique<RecordBuffers>()) {}
RecordingDriver::~RecordingDriver() = default;

DriveReport RecordingDriver::Run(std::span<const std::uint8_t> input) {
    DriveReport report;
    Drive(input, *m_buffers, report).Run();
    return report;
}

}  // namespace korvane::fuzzing
